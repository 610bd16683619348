#include "journal/platform.h"

#include <cerrno>
#include <ctime>
#include <string>

namespace journal::platform {

std::string reason(const std::error_code& error) {
    switch (error.value()) {
        case EACCES:
        case EPERM:
            return "没有权限";
        case ENOSPC:
        case EDQUOT:
            return "磁盘已满";
        case EROFS:
            return "磁盘只读";
        case EIO:
            return "磁盘读写出错";
        case ENOTDIR:
        case EISDIR:
            return "路径不是可写的文件";
        case EEXIST:
            return "路径上有同名的文件";
        default:
            // The number, not the system's English words: short enough for the status line.
            return "系统错误 " + std::to_string(error.value());
    }
}

LocalTime localTime(std::time_t time) {
    LocalTime local;
    localtime_r(&time, &local.fields);
    local.offsetSeconds = local.fields.tm_gmtoff;
    return local;
}

}  // namespace journal::platform
