#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A table written as an .xlsx workbook through libxlsxwriter (pure: no Qt). Every cell is a text
// cell, so that a spreadsheet keeps 00000003E8 and 0000001000 exactly as they are.
namespace journal {

struct SheetContent {
    std::string name;                 // the sheet's name, at most 31 characters, no []:*?/\ (UTF-8)
    std::vector<std::string> header;  // the first row: bold, frozen
    std::size_t rows = 0;
    // Fills `cells` with the texts of row `index` (0 ≤ index < rows), one per header column.
    std::function<void(std::size_t index, std::vector<std::string>& cells)> row;
};

// The most rows a sheet holds below its header.
inline constexpr std::size_t kMaxSheetRows = 1048575;

// Writes the workbook to `target`: first beside it under a temporary name, then put in its place,
// so that a failure leaves whatever was at `target` as it was. Columns are as wide as their
// widest text. The reason (UTF-8, Chinese) when it could not be written.
[[nodiscard]] std::optional<std::string> exportXlsx(const std::filesystem::path& target,
                                                    const SheetContent& content);

// Columns a text takes in a spreadsheet: two for a wide (CJK) character, one for others.
[[nodiscard]] std::size_t displayWidth(const std::string& utf8);

}  // namespace journal
