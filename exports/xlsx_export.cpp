#include "exports/xlsx_export.h"

#include "platform/narrow_path.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <random>
#include <system_error>
#include <utility>

namespace exports {

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// A folder as libxlsxwriter hands it to the C library.
std::string libraryFolder(const std::filesystem::path& folder) {
    return platform::narrowFolderName(folder);
}

std::string reason(lxw_error error) {
    switch (error) {
        case LXW_ERROR_CREATING_XLSX_FILE:
            return "无法在该文件夹中创建文件（文件夹不存在或没有写入权限）";
        case LXW_ERROR_CREATING_TMPFILE:
        case LXW_ERROR_READING_TMPFILE:
            return "无法使用临时文件夹";
        case LXW_ERROR_MEMORY_MALLOC_FAILED:
            return "内存不足";
        case LXW_ERROR_ZIP_FILE_OPERATION:
        case LXW_ERROR_ZIP_FILE_ADD:
        case LXW_ERROR_ZIP_CLOSE:
            return "写入文件时出错（磁盘可能已满）";
        default:
            return std::string("导出程序出错：") + lxw_strerror(error);
    }
}

std::filesystem::path temporaryBeside(const std::filesystem::path& target) {
    std::random_device entropy;
    std::mt19937_64 draw(
        (static_cast<std::uint64_t>(entropy()) << 32U) ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::string suffix = std::to_string(draw() % 1000000000ULL);
    return target.parent_path() / (".zeld-export-" + suffix + ".xlsx.part");
}

XlsxOutcome failure(std::string reason) {
    return {XlsxOutcome::Kind::Failed, std::move(reason)};
}

// Writes the whole workbook to `file`, asking for each row once.
XlsxOutcome write(const std::filesystem::path& file, const SheetContent& content) {
    // The file's own name is ASCII (temporaryBeside).
    std::string name = file.filename().string();
    if (file.has_parent_path()) {
        const std::string folder = libraryFolder(file.parent_path());
        if (folder.empty()) {
            return failure("无法使用该文件夹的名称，请换一个文件夹");
        }
        name = folder + static_cast<char>(std::filesystem::path::preferred_separator) + name;
    }
    std::error_code noTemporary;
    const std::string tmpdir = libraryFolder(std::filesystem::temp_directory_path(noTemporary));
    lxw_workbook_options options{};
    // Rows go straight to a temporary file as they are written: a million rows need no more
    // memory than a few.
    options.constant_memory = LXW_TRUE;
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast): the C API takes char*, never writes
    options.tmpdir = tmpdir.empty() ? nullptr : const_cast<char*>(tmpdir.c_str());
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(name.c_str(), &options);
    if (workbook == nullptr) {
        return failure("内存不足");
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, content.name.c_str());
    lxw_format* text = workbook_add_format(workbook);
    lxw_format* header = workbook_add_format(workbook);
    if (sheet == nullptr || text == nullptr || header == nullptr) {
        lxw_workbook_free(workbook);
        return failure("工作表名称无效：" + content.name);
    }
    // "@": the cells stay text when edited, too.
    format_set_num_format(text, "@");
    format_set_num_format(header, "@");
    format_set_bold(header);

    const std::size_t columns = content.header.size();
    std::vector<std::size_t> widths(columns, 0);
    std::vector<std::string> cells;
    lxw_error failed = LXW_NO_ERROR;
    // With constant_memory rows go out in order, each once: the rows above come first.
    for (std::size_t r = 0; r < content.above.size() && failed == LXW_NO_ERROR; ++r) {
        const auto& line = content.above[r];
        for (std::size_t c = 0; c < line.size() && failed == LXW_NO_ERROR; ++c) {
            if (!line[c].empty()) {
                failed = worksheet_write_string(sheet, static_cast<lxw_row_t>(r),
                                                static_cast<lxw_col_t>(c), line[c].c_str(), text);
            }
        }
    }
    const std::size_t headerRow = content.above.empty() ? 0 : content.above.size() + 1;
    for (std::size_t c = 0; c < columns && failed == LXW_NO_ERROR; ++c) {
        widths[c] = displayWidth(content.header[c]);
        failed =
            worksheet_write_string(sheet, static_cast<lxw_row_t>(headerRow),
                                   static_cast<lxw_col_t>(c), content.header[c].c_str(), header);
    }
    for (std::size_t r = 0; r < content.rows && failed == LXW_NO_ERROR; ++r) {
        cells.assign(columns, std::string());
        if (!content.row(r, cells)) {
            // Nothing has been written to the disk but the library's own temporary file, which
            // freeing the workbook removes.
            lxw_workbook_free(workbook);
            return {XlsxOutcome::Kind::Stopped, {}};
        }
        const auto row = static_cast<lxw_row_t>(headerRow + r + 1);
        for (std::size_t c = 0; c < columns && c < cells.size() && failed == LXW_NO_ERROR; ++c) {
            widths[c] = std::max(widths[c], displayWidth(cells[c]));
            // An empty cell stays blank rather than an empty string.
            if (!cells[c].empty()) {
                failed = worksheet_write_string(sheet, row, static_cast<lxw_col_t>(c),
                                                cells[c].c_str(), text);
            }
        }
    }
    // The columns are written out when the workbook closes, so their widths can follow the rows:
    // one pass over the rows, not two.
    for (std::size_t c = 0; c < columns; ++c) {
        const auto column = static_cast<lxw_col_t>(c);
        const double width = static_cast<double>(std::min<std::size_t>(widths[c], 80)) + 2.0;
        worksheet_set_column(sheet, column, column, width, text);
    }
    worksheet_freeze_panes(sheet, static_cast<lxw_row_t>(headerRow + 1), 0);
    const lxw_error closed = workbook_close(workbook);
    if (failed == LXW_NO_ERROR && closed == LXW_NO_ERROR) {
        return {};
    }
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    return failure(reason(failed != LXW_NO_ERROR ? failed : closed));
}

}  // namespace

std::size_t displayWidth(const std::string& utf8Text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8Text.size();) {
        const auto lead = static_cast<unsigned char>(utf8Text[i]);
        std::size_t length = 1;
        if (lead >= 0xF0) {
            length = 4;
        } else if (lead >= 0xE0) {
            length = 3;
        } else if (lead >= 0xC0) {
            length = 2;
        }
        // Three- and four-byte characters are CJK, full-width forms and the like here.
        width += length >= 3 ? 2 : 1;
        i += length;
    }
    return width;
}

XlsxOutcome exportXlsx(const std::filesystem::path& target, const SheetContent& content) {
    if (content.rows + (content.above.empty() ? 0 : content.above.size() + 1) > kMaxSheetRows) {
        return failure("行数超过电子表格的上限（" + std::to_string(kMaxSheetRows) +
                       " 行），请先筛选");
    }
    std::error_code error;
    const auto folder = target.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        return failure("文件夹不存在：" + utf8(folder));
    }
    const auto temporary = temporaryBeside(target);
    auto outcome = write(temporary, content);
    if (outcome.kind != XlsxOutcome::Kind::Written) {
        return outcome;
    }
    if (content.finish && !content.finish()) {
        std::filesystem::remove(temporary, error);
        return {XlsxOutcome::Kind::Stopped, {}};
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return failure("无法替换 " + utf8(target) + "（文件可能正被其他程序打开，或没有写入权限）");
    }
    return outcome;
}

}  // namespace exports
