#include "journal/platform.h"

#include "platform/file_io.h"
#include "platform/user_folders.h"

#include <cerrno>
#include <string>
#include <utility>

namespace journal::platform {

util::Expected<std::filesystem::path, std::string> dataFolder() {
    auto folder = ::platform::dataFolder();
    if (folder) {
        return std::move(*folder);
    }
    const auto& unset = folder.error().unsetVariables;
    std::string names;
    for (const auto& name : unset) {
        names += (names.empty() ? "" : " 和 ") + name;
    }
    return util::Unexpected{"找不到用户数据目录（" + names +
                            (unset.size() > 1 ? " 均未设置）" : " 未设置）")};
}

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

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::string refusal(const std::string& what, const ::platform::OpenFailure& failure) {
    using ::platform::Refusal;
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
            why = reason(failure.error);
            break;
    }
    return what.empty() ? why : what + "（" + why + "）";
}

util::Expected<Appended, std::string> appendDurably(
    const std::filesystem::path& file, const std::function<std::string(const FileEnd&)>& compose) {
    // Said after "未记入写卡记录", so the reason alone.
    const std::string what;
    std::error_code folderError;
    std::filesystem::create_directories(file.parent_path(), folderError);
    if (folderError) {
        return util::Unexpected{reason(folderError)};
    }
    auto opened = ::platform::openOwnFile(file, ::platform::Access::Append);
    if (!opened) {
        return util::Unexpected{refusal(what, opened.error())};
    }
    const ::platform::NativeFile native = opened->native();
    const auto size = ::platform::fileSize(native);
    if (!size) {
        return util::Unexpected{reason(size.error())};
    }
    FileEnd end;
    end.size = *size;
    if (end.size > 0) {
        char last = 0;
        const auto read = ::platform::readAt(native, end.size - 1, &last, 1);
        if (!read || *read != 1) {
            const std::error_code error =
                read ? std::make_error_code(std::errc::io_error) : read.error();
            return util::Unexpected{reason(error)};
        }
        end.endsWithNewline = last == '\n';
    }
    const std::string bytes = compose(end);
    std::error_code error = ::platform::writeAll(native, bytes);
    if (!error) {
        error = ::platform::flushToDisk(native);
    }
    opened = ::platform::OwnedFile();
    if (error) {
        return util::Unexpected{reason(error)};
    }
    if (end.size == 0) {
        ::platform::syncFolder(file.parent_path());  // the file may be new
    }
    return Appended{end.size, bytes.size()};
}

}  // namespace journal::platform
