// The zeld-xlsx module's entry point: the C interface of xlsx_module.h over exportXlsx.
#include "exports/xlsx_module.h"

#include "exports/xlsx_export.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

namespace {

void say(const std::string& text, char* reason, size_t reasonSize) {
    if (reason == nullptr || reasonSize == 0) {
        return;
    }
    std::size_t length = std::min(text.size(), reasonSize - 1);
    // Never cut a UTF-8 character in two.
    while (length > 0 && length < text.size() &&
           (static_cast<unsigned char>(text[length]) & 0xC0U) == 0x80U) {
        --length;
    }
    std::memcpy(reason, text.data(), length);
    reason[length] = '\0';
}

int write(const char* target, const ZeldXlsxSheet& sheet, char* reason, size_t reasonSize) {
    exports::SheetContent content;
    content.name = sheet.name != nullptr ? sheet.name : "";
    for (std::size_t r = 0; r < sheet.aboveRows; ++r) {
        auto& line = content.above.emplace_back();
        for (std::size_t c = 0; c < sheet.columns; ++c) {
            const char* cell = sheet.above[(r * sheet.columns) + c];
            line.emplace_back(cell != nullptr ? cell : "");
        }
    }
    for (std::size_t c = 0; c < sheet.columns; ++c) {
        content.header.emplace_back(sheet.header[c] != nullptr ? sheet.header[c] : "");
    }
    content.rows = sheet.rows;
    std::vector<const char*> texts(sheet.columns, nullptr);
    content.row = [&sheet, &texts](std::size_t index, std::vector<std::string>& cells) {
        std::fill(texts.begin(), texts.end(), nullptr);
        if (sheet.row(sheet.context, index, texts.data()) != 0) {
            return false;
        }
        for (std::size_t c = 0; c < cells.size() && c < texts.size(); ++c) {
            cells[c] = texts[c] != nullptr ? texts[c] : "";
        }
        return true;
    };
    content.finish = [&sheet] {
        return sheet.finish == nullptr || sheet.finish(sheet.context) == 0;
    };
    const std::string name(target);
    const auto outcome = exports::exportXlsx(
        std::filesystem::path(std::u8string(name.begin(), name.end())), content);
    switch (outcome.kind) {
        case exports::XlsxOutcome::Kind::Written:
            return kZeldXlsxWritten;
        case exports::XlsxOutcome::Kind::Stopped:
            return kZeldXlsxStopped;
        case exports::XlsxOutcome::Kind::Failed:
            break;
    }
    say(outcome.reason, reason, reasonSize);
    return kZeldXlsxFailed;
}

}  // namespace

extern "C" ZELD_EXPORT int zeld_xlsx_write_v2(const char* target, const ZeldXlsxSheet* sheet,
                                              char* reason, size_t reasonSize) {
    if (target == nullptr || sheet == nullptr || sheet->row == nullptr ||
        (sheet->columns > 0 && sheet->header == nullptr) ||
        (sheet->aboveRows > 0 && (sheet->above == nullptr || sheet->columns == 0))) {
        say("导出组件的调用有误", reason, reasonSize);
        return kZeldXlsxFailed;
    }
    // Nothing of C++ crosses the C interface, an exception least of all.
    try {
        return write(target, *sheet, reason, reasonSize);
    } catch (const std::bad_alloc&) {
        say("内存不足", reason, reasonSize);
    } catch (const std::exception& error) {
        say(std::string("导出组件出错：") + error.what(), reason, reasonSize);
    }
    return kZeldXlsxFailed;
}
