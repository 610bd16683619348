#include "platform/file_lock.h"

#include <sys/file.h>

#include <cerrno>

namespace platform {

namespace {

int lockOperation(FileLock::Mode mode) {
    return mode == FileLock::Mode::Exclusive ? LOCK_EX : LOCK_SH;
}

// Refused for want of the right to write the file or its folder.
bool writingRefused(const OpenFailure& failure) {
    const int code = failure.error.value();
    return failure.refusal == Refusal::System && (code == EACCES || code == EROFS || code == EPERM);
}

}  // namespace

bool FileLock::tryLock(Mode mode) noexcept {
    for (;;) {
        if (::flock(static_cast<int>(file_.native()), lockOperation(mode) | LOCK_NB) == 0) {
            locked_ = true;
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

std::error_code FileLock::lock(Mode mode) noexcept {
    while (::flock(static_cast<int>(file_.native()), lockOperation(mode)) != 0) {
        if (errno != EINTR) {
            return {errno, std::generic_category()};
        }
    }
    locked_ = true;
    return {};
}

void FileLock::unlock() noexcept {
    if (locked_) {
        ::flock(static_cast<int>(file_.native()), LOCK_UN);
        locked_ = false;
    }
}

util::Expected<std::optional<OwnedFile>, OpenFailure> openLockFileToRead(
    const std::filesystem::path& file, Owner owner, Links links) {
    auto opened = openOwnFile(file, Access::Lock, owner, links);
    if (!opened && writingRefused(opened.error())) {
        // flock needs no right to write.
        opened = openOwnFile(file, Access::Read, owner, links);
        if (!opened && (opened.error().refusal == Refusal::Missing ||
                        (opened.error().refusal == Refusal::System &&
                         opened.error().error.value() == EACCES))) {
            return std::optional<OwnedFile>{};
        }
    }
    if (!opened) {
        return util::Unexpected{opened.error()};
    }
    return std::optional<OwnedFile>{std::move(*opened)};
}

}  // namespace platform
