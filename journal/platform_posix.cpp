#include "journal/platform.h"

#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace journal::platform {

namespace {

std::string reason(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "没有写入权限";
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
        default:
            return std::strerror(error);  // NOLINT(concurrency-mt-unsafe)
    }
}

std::string failure(const std::filesystem::path& file, int error) {
    return "无法写入 " + file.string() + "（" + reason(error) + "）";
}

// Makes a new directory entry durable too.
void syncFolder(const std::filesystem::path& folder) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        static_cast<void>(::fsync(fd));
        ::close(fd);
    }
}

}  // namespace

std::optional<std::string> appendDurably(
    const std::filesystem::path& file, const std::function<std::string(const FileEnd&)>& compose) {
    std::error_code folderError;
    std::filesystem::create_directories(file.parent_path(), folderError);
    if (folderError) {
        return failure(file, folderError.value());
    }
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    const int fd = ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return failure(file, errno);
    }
    FileEnd end;
    struct stat status {};
    int error = ::fstat(fd, &status) == 0 ? 0 : errno;
    if (error == 0) {
        end.size = static_cast<std::uintmax_t>(status.st_size);
        char last = '\n';
        if (end.size > 0 && ::pread(fd, &last, 1, status.st_size - 1) != 1) {
            error = errno != 0 ? errno : EIO;
        }
        end.endsWithNewline = end.size > 0 && last == '\n';
    }
    if (error == 0) {
        error = ::platform::writeAll(fd, compose(end)).value();
    }
    if (error == 0) {
        error = ::platform::flushToDisk(fd).value();
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        return failure(file, error);
    }
    if (end.size == 0) {
        syncFolder(file.parent_path());  // the file may be new
    }
    return std::nullopt;
}

LocalTime localTime(std::time_t time) {
    LocalTime local;
    localtime_r(&time, &local.fields);
    local.offsetSeconds = local.fields.tm_gmtoff;
    return local;
}

}  // namespace journal::platform
