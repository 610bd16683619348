#include "journal/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

// Writes all of `bytes`, going on after a signal or a partial write.
int writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(count);
    }
    return 0;
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

util::Expected<std::filesystem::path, std::string> dataFolder() {
    if (const auto xdg = variable("XDG_DATA_HOME");
        xdg && std::filesystem::path(*xdg).is_absolute()) {
        return std::filesystem::path(*xdg) / "zeld";
    }
    if (const auto home = variable("HOME")) {
        return std::filesystem::path(*home) / ".local" / "share" / "zeld";
    }
    return util::Unexpected{std::string("找不到用户数据目录（XDG_DATA_HOME 和 HOME 均未设置）")};
}

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
        error = writeAll(fd, compose(end));
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
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
