#include "emulator/file_ops.h"

#include "platform/file_io.h"
#include "platform/owned_file.h"

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
    if (durability == Durability::Synced) {
        // The rename itself is an entry of the folder: without this a power cut may undo it.
        platform::syncFolder(file.parent_path());
    }
    return std::nullopt;
}

}  // namespace emulator
