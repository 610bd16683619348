#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A table written as an .xlsx workbook through libxlsxwriter (pure: no Qt). Every cell is a text
// cell, so that a spreadsheet keeps 00000003E8 and 0000001000 exactly as they are. Built into the
// zeld-xlsx module only (xlsx_module.h), which the program loads when it first exports.
namespace exports {

struct SheetContent {
    std::string name;  // the sheet's name, at most 31 characters, no []:*?/\ (UTF-8)
    // Rows above the table, with a blank row after them; they take no part in the columns'
    // widths: a long text runs on into the blank cells beside it.
    std::vector<std::vector<std::string>> above;
    std::vector<std::string> header;  // the table's first row: bold, frozen
    std::size_t rows = 0;
    // Fills `cells` with the texts of row `index` (0 ≤ index < rows), one per header column;
    // false stops the export, and nothing is written.
    std::function<bool(std::size_t index, std::vector<std::string>& cells)> row;
    // Asked once the workbook is whole, before it replaces the target; false stops the export.
    std::function<bool()> finish;
};

struct XlsxOutcome {
    enum class Kind { Written, Stopped, Failed };
    Kind kind = Kind::Written;
    std::string reason;  // when Failed (UTF-8, Chinese)
};

// The most rows a sheet holds below its header.
inline constexpr std::size_t kMaxSheetRows = 1048575;

// Writes the workbook to `target`: first beside it under a temporary name, then put in its place,
// so that a failure or a stop leaves whatever was at `target` as it was, and no other file.
// Columns are as wide as their widest text. Each row is asked for once.
[[nodiscard]] XlsxOutcome exportXlsx(const std::filesystem::path& target,
                                     const SheetContent& content);

// Columns a text takes in a spreadsheet: two for a wide (CJK) character, one for others.
[[nodiscard]] std::size_t displayWidth(const std::string& utf8);

}  // namespace exports
