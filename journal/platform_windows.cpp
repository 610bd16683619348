#include "journal/platform.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace journal::platform {

std::string reason(const std::error_code& error) {
    if (error.category() != std::system_category()) {
        return errnoReason(error.value());  // std::filesystem reports errno values here
    }
    switch (static_cast<DWORD>(error.value())) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "被 Excel 等程序占用";
        case ERROR_ACCESS_DENIED:
            return "没有权限";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "磁盘已满";
        case ERROR_WRITE_PROTECT:
            return "磁盘只读";
        default:
            return "系统错误 " + std::to_string(error.value());
    }
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
