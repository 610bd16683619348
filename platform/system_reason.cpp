#include "platform/system_reason.h"

#include <cerrno>

namespace platform {

std::string errnoReason(int number) {
    switch (number) {
        case EACCES:
        case EPERM:
            return "没有权限";
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
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
            return "系统错误 " + std::to_string(number);
    }
}

FileTrouble errnoTrouble(int number) {
    switch (number) {
        case EACCES:
        case EPERM:
            return FileTrouble::NoRights;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return FileTrouble::DiskFull;
        case EROFS:
            return FileTrouble::ReadOnly;
        default:
            return FileTrouble::Other;
    }
}

FileFailure fileFailure(const std::error_code& error) {
    return {fileTrouble(error), systemReason(error)};
}

std::string whyNotOpened(const std::string& what, const OpenFailure& failure) {
    std::string why;
    switch (failure.refusal) {
        case Refusal::Missing:
            why = "文件不存在";
            break;
        case Refusal::ForeignLink:
            why = "是别的用户建立的链接";
            break;
        case Refusal::LinkToLink:
            why = "是链接的链接";
            break;
        case Refusal::NotRegular:
            why = "不是普通文件";
            break;
        case Refusal::ForeignOwner:
            why = "属于别的用户或有硬链接";
            break;
        case Refusal::System:
            why = systemReason(failure.error);
            break;
    }
    return what.empty() ? why : what + "（" + why + "）";
}

}  // namespace platform
