#include "platform/system_reason.h"

#include "platform/windows_api.h"

namespace platform {

std::string systemReason(const std::error_code& error) {
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

FileTrouble fileTrouble(const std::error_code& error) {
    if (error.category() != std::system_category()) {
        return errnoTrouble(error.value());
    }
    switch (static_cast<DWORD>(error.value())) {
        case ERROR_ACCESS_DENIED:
            return FileTrouble::NoRights;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileTrouble::DiskFull;
        case ERROR_WRITE_PROTECT:
            return FileTrouble::ReadOnly;
        default:
            return FileTrouble::Other;
    }
}

}  // namespace platform
