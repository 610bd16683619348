#include "exports/handover_export.h"

#include "exports/xlsx_export.h"
#include "exports/xlsx_module.h"
#include "exports/xlsx_module_loader.h"

#include <array>
#include <string>
#include <vector>

namespace exports {

namespace {

struct ListSource {
    const HandoverList& list;
    HandoverRow texts;
    bool failed = false;
};

int fillRow(void* context, size_t index, const char** cells) {
    auto& source = *static_cast<ListSource*>(context);
    try {
        source.texts = source.list.row(index);
    } catch (...) {
        source.failed = true;
        return 1;
    }
    for (std::size_t c = 0; c < kHandoverColumns; ++c) {
        cells[c] = source.texts.at(c).c_str();
    }
    return 0;
}

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

}  // namespace

ExportResult exportHandoverList(const std::filesystem::path& target, const HandoverList& list) {
    const std::size_t aboveRows = list.summary().size();
    if (list.rows() + aboveRows + 1 > kMaxSheetRows) {
        return {ExportResult::Kind::Failed,
                "行数超过电子表格的上限（" + std::to_string(kMaxSheetRows) + " 行）"};
    }
    const XlsxModule module = loadXlsxModule();
    if (module.write == nullptr) {
        return {ExportResult::Kind::Failed, module.problem};
    }
    std::vector<const char*> above(aboveRows * kHandoverColumns, nullptr);
    for (std::size_t r = 0; r < aboveRows; ++r) {
        above[r * kHandoverColumns] = list.summary()[r].first.c_str();
        above[(r * kHandoverColumns) + 1] = list.summary()[r].second.c_str();
    }
    std::array<const char*, kHandoverColumns> header{};
    for (std::size_t c = 0; c < kHandoverColumns; ++c) {
        header.at(c) = kHandoverHeader.at(c).data();
    }
    ListSource source{list, {}, false};
    // Below kMaxSheetRows, as checked: it fits a 32-bit size.
    const auto rows = static_cast<std::size_t>(list.rows());
    const ZeldXlsxSheet sheet{kHandoverSheetName, above.data(),     aboveRows,
                              header.data(),      kHandoverColumns, rows,
                              &fillRow,           nullptr,          &source};
    std::array<char, 1024> reason{};
    const std::string path = utf8(target);
    switch (module.write(path.c_str(), &sheet, reason.data(), reason.size())) {
        case kZeldXlsxWritten:
            return {ExportResult::Kind::Written, {}};
        case kZeldXlsxStopped:
            return {ExportResult::Kind::Failed, source.failed ? "导出时出错" : "导出被中止"};
        default:
            return {ExportResult::Kind::Failed, reason.data()};
    }
}

}  // namespace exports
