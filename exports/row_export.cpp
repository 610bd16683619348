#include "exports/row_export.h"

#include "exports/xlsx_export.h"
#include "exports/xlsx_module.h"
#include "exports/xlsx_module_loader.h"
#include "journal/journal.h"
#include "journal/journal_rows.h"

#include <memory>
#include <utility>

namespace exports {

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// What the module's row callback reads: the rows through the journal, a stride at a time.
struct RowSource {
    const journal::Journal& journal;
    const std::vector<std::uint32_t>& rows;
    std::atomic<std::size_t>& done;
    const std::atomic<bool>& cancel;
    std::shared_ptr<const journal::RowBlock> block;
    std::array<std::string, journal::kTableColumns> texts;
    bool unreadable = false;

    int fill(std::size_t index, const char** cells) {
        if (cancel.load(std::memory_order_relaxed)) {
            return 1;
        }
        const std::size_t row = rows.at(index);
        const auto holds = [row](const journal::RowBlock& stride) {
            return row >= stride.first && row - stride.first < stride.rows.size();
        };
        if (!block || !holds(*block)) {
            block = journal.rowBlock(row);
            if (!block || !holds(*block)) {
                unreadable = true;
                return 1;
            }
        }
        const journal::JournalRow& line = block->rows[row - block->first];
        for (std::size_t c = 0; c < journal::kTableColumns; ++c) {
            texts.at(c) = journal::cellText(line, static_cast<journal::Column>(c));
            cells[c] = texts.at(c).c_str();
        }
        done.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
};

int finish(void* context) {
    return static_cast<RowSource*>(context)->cancel.load() ? 1 : 0;
}

int fillRow(void* context, size_t index, const char** cells) {
    try {
        return static_cast<RowSource*>(context)->fill(index, cells);
    } catch (...) {
        static_cast<RowSource*>(context)->unreadable = true;
        return 1;
    }
}

}  // namespace

ExportResult exportRows(const journal::Journal& journal, const ExportRequest& request,
                        std::atomic<std::size_t>& done, const std::atomic<bool>& cancel) {
    // Said before the module is loaded, and before any row is read.
    if (request.rows.size() > kMaxSheetRows) {
        return {ExportResult::Kind::Failed,
                "行数超过电子表格的上限（" + std::to_string(kMaxSheetRows) + " 行），请先筛选"};
    }
    const XlsxModule module = loadXlsxModule();
    if (module.write == nullptr) {
        return {ExportResult::Kind::Failed, module.problem};
    }
    std::array<const char*, journal::kTableColumns> header{};
    for (std::size_t c = 0; c < journal::kTableColumns; ++c) {
        header.at(c) = journal::kTableHeader.at(c).data();
    }
    RowSource source{journal, request.rows, done, cancel, nullptr, {}, false};
    const ZeldXlsxSheet sheet{
        request.sheetName.c_str(), nullptr,  0,       header.data(), journal::kTableColumns,
        request.rows.size(),       &fillRow, &finish, &source};
    std::array<char, 1024> reason{};
    const std::string target = utf8(request.target);
    const int written = module.write(target.c_str(), &sheet, reason.data(), reason.size());
    switch (written) {
        case kZeldXlsxWritten:
            return {ExportResult::Kind::Written, {}};
        case kZeldXlsxStopped:
            if (source.unreadable) {
                return {ExportResult::Kind::Failed, "写卡记录读不出来了（文件可能已被移走或改动）"};
            }
            return {ExportResult::Kind::Cancelled, {}};
        default:
            return {ExportResult::Kind::Failed, reason.data()};
    }
}

ExportJob::ExportJob(const journal::Journal& journal, ExportRequest request)
    : total_(request.rows.size()) {
    thread_ = std::thread([this, &journal, request = std::move(request)] {
        try {
            result_ = exportRows(journal, request, done_, cancel_);
        } catch (const std::exception& error) {
            result_ = {ExportResult::Kind::Failed, std::string("导出时出错：") + error.what()};
        }
        finished_.store(true);
    });
}

ExportJob::~ExportJob() {
    cancel();
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace exports
