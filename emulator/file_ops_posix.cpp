#include "emulator/file_ops.h"

#include "platform/file_io.h"

#include <cerrno>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace emulator {

namespace {

std::string systemError(const std::string& what, int code) {
    return what + ": " + std::generic_category().message(code);
}

// open(2) that retries when a signal interrupts it.
int openFile(const std::filesystem::path& file, int flags, mode_t mode = 0) {
    for (;;) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
        const int fd = ::open(file.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EINTR) {
            return fd;
        }
    }
}

std::string openError(const std::string& what, const std::filesystem::path& file, int code) {
    // O_NOFOLLOW fails with ELOOP on a link: say so rather than "too many levels of links".
    if (code == ELOOP) {
        return what + ": " + file.string() + " is a symbolic link, which the emulator never opens";
    }
    return systemError(what + " " + file.string(), code);
}

util::Expected<int, std::string> lockDescriptor(int fd, FileLock::Mode mode,
                                                const std::filesystem::path& lockFile) {
    const int operation = mode == FileLock::Mode::Exclusive ? LOCK_EX : LOCK_SH;
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR) {
            const int code = errno;
            ::close(fd);
            return util::Unexpected{systemError("cannot lock " + lockFile.string(), code)};
        }
    }
    return fd;
}

}  // namespace

util::Expected<FileLock, std::string> FileLock::acquire(const std::filesystem::path& lockFile,
                                                        Mode mode) {
    const int fd = openFile(lockFile, O_RDWR | O_CREAT, 0666);
    if (fd < 0) {
        return util::Unexpected{openError("cannot open the lock file", lockFile, errno)};
    }
    auto locked = lockDescriptor(fd, mode, lockFile);
    if (!locked) {
        return util::Unexpected{locked.error()};
    }
    return FileLock(*locked);
}

util::Expected<std::optional<FileLock>, std::string> FileLock::acquireForReading(
    const std::filesystem::path& lockFile) {
    int fd = openFile(lockFile, O_RDWR | O_CREAT, 0666);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        // flock needs no write access: a lock file someone else made serves as it is.
        fd = openFile(lockFile, O_RDONLY);
        if (fd < 0 && (errno == ENOENT || errno == EACCES)) {
            return std::optional<FileLock>{};
        }
    }
    if (fd < 0) {
        return util::Unexpected{openError("cannot open the lock file", lockFile, errno)};
    }
    auto locked = lockDescriptor(fd, Mode::Shared, lockFile);
    if (!locked) {
        return util::Unexpected{locked.error()};
    }
    return std::optional<FileLock>{FileLock(*locked)};
}

void FileLock::release() noexcept {
    if (handle_ != kNoHandle) {
        const auto fd = static_cast<int>(handle_);
        ::flock(fd, LOCK_UN);
        ::close(fd);
        handle_ = kNoHandle;
    }
}

util::Expected<std::filesystem::path, std::string> resolveFieldLink(
    const std::filesystem::path& file) {
    struct stat link {};
    if (::lstat(file.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        return file;  // not a link; whatever else is wrong shows when the file is used
    }
    // Only a link its user made is followed: one planted by whoever else can write the folder
    // would point the writes of this user (perhaps root) at a file of the planter's choosing.
    if (link.st_uid != ::geteuid() && link.st_uid != 0) {
        return util::Unexpected{file.string() +
                                " is a symbolic link another user made; the emulator does not "
                                "follow it (name the file itself in MF1_EMULATOR_FIELD)"};
    }
    std::error_code error;
    std::filesystem::path target = std::filesystem::read_symlink(file, error);
    if (error) {
        return util::Unexpected{"cannot read the symbolic link " + file.string() + ": " +
                                error.message()};
    }
    if (target.is_relative()) {
        target = file.parent_path() / target;
    }
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(target, error))) {
        return util::Unexpected{file.string() + " is a symbolic link to another link (" +
                                target.string() +
                                "); the emulator follows one link only (name the file itself in "
                                "MF1_EMULATOR_FIELD)"};
    }
    return target;
}

util::Expected<std::optional<std::string>, std::string> readFileStart(
    const std::filesystem::path& file, std::size_t limit) {
    const int fd = openFile(file, O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::optional<std::string>{};
        }
        return util::Unexpected{openError("cannot open", file, errno)};
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return util::Unexpected{file.string() + " is not a regular file"};
    }
    std::string content(limit, '\0');
    std::size_t done = 0;
    int error = 0;
    while (done < content.size()) {
        const ssize_t count = ::read(fd, content.data() + done, content.size() - done);
        if (count == 0) {
            break;
        }
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            break;
        }
        done += static_cast<std::size_t>(count);
    }
    ::close(fd);
    if (error != 0) {
        return util::Unexpected{systemError("cannot read " + file.string(), error)};
    }
    content.resize(done);
    return std::optional<std::string>{std::move(content)};
}

std::optional<std::string> replaceFileAtomically(const std::filesystem::path& file,
                                                 const std::string& content,
                                                 Durability durability) {
    // A fresh, unguessable name, created exclusively: nothing planted under it is ever opened.
    std::random_device random;
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        const auto bits = (std::uint64_t{random()} << 32U) | random();
        temporary = temporaryName(file, bits);
        fd = openFile(temporary, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        return openError("cannot create", temporary, errno);
    }
    int error = platform::writeAll(fd, content).value();
    if (error == 0 && durability == Durability::Synced) {
        error = platform::flushToDisk(fd).value();
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return systemError("cannot write " + temporary.string(), error);
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
        return systemError("cannot replace " + file.string(), error);
    }
    return std::nullopt;
}

}  // namespace emulator
