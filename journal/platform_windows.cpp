#include "journal/platform.h"

#include "platform/file_io.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace journal::platform {

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::string reason(DWORD error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "文件被其他程序占用，例如正在 Excel 中打开";
        case ERROR_ACCESS_DENIED:
            return "没有写入权限";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "磁盘已满";
        case ERROR_WRITE_PROTECT:
            return "磁盘只读";
        default:
            return "系统错误 " + std::to_string(error);
    }
}

std::string failure(const std::filesystem::path& file, DWORD error) {
    return "无法写入 " + utf8(file) + "（" + reason(error) + "）";
}

}  // namespace

std::optional<std::string> appendDurably(
    const std::filesystem::path& file, const std::function<std::string(const FileEnd&)>& compose) {
    std::error_code folderError;
    std::filesystem::create_directories(file.parent_path(), folderError);
    if (folderError) {
        return "无法写入 " + utf8(file) + "（" + folderError.message() + "）";
    }
    // Append-only access: every write goes to the end, nothing there can be overwritten.
    const HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return failure(file, GetLastError());
    }
    DWORD error = 0;
    FileEnd end;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size)) {
        error = GetLastError();
    } else {
        end.size = static_cast<std::uintmax_t>(size.QuadPart);
        if (end.size > 0) {
            OVERLAPPED at{};
            const auto lastOffset = static_cast<ULONGLONG>(size.QuadPart - 1);
            at.Offset = static_cast<DWORD>(lastOffset & 0xFFFFFFFFULL);
            at.OffsetHigh = static_cast<DWORD>(lastOffset >> 32U);
            char last = 0;
            DWORD read = 0;
            if (!ReadFile(handle, &last, 1, &read, &at) || read != 1) {
                error = GetLastError() != 0 ? GetLastError() : ERROR_READ_FAULT;
            }
            end.endsWithNewline = last == '\n';
        }
    }
    const auto native =
        reinterpret_cast<::platform::NativeFile>(handle);  // NOLINT(*-reinterpret-cast)
    if (error == 0) {
        error = static_cast<DWORD>(::platform::writeAll(native, compose(end)).value());
    }
    if (error == 0) {
        error = static_cast<DWORD>(::platform::flushToDisk(native).value());
    }
    CloseHandle(handle);
    if (error != 0) {
        return failure(file, error);
    }
    return std::nullopt;
}

LocalTime localTime(std::time_t time) {
    LocalTime local;
    localtime_s(&local.fields, &time);
    std::tm copy = local.fields;
    // The local fields read as UTC, less the moment itself: the offset east of UTC.
    local.offsetSeconds = static_cast<long>(_mkgmtime(&copy) - time);
    return local;
}

}  // namespace journal::platform
