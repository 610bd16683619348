#include "platform/file_lock.h"

#include "platform/windows_api.h"

namespace platform {

namespace {

DWORD lockFlags(FileLock::Mode mode) {
    return mode == FileLock::Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
}

bool isSystemError(const OpenFailure& failure, DWORD code) {
    return failure.refusal == Refusal::System && failure.error == systemError(code);
}

}  // namespace

bool FileLock::tryLock(Mode mode) noexcept {
    OVERLAPPED whole{};
    if (!LockFileEx(toHandle(file_.native()), lockFlags(mode) | LOCKFILE_FAIL_IMMEDIATELY, 0,
                    MAXDWORD, MAXDWORD, &whole)) {
        return false;
    }
    locked_ = true;
    return true;
}

std::error_code FileLock::lock(Mode mode) noexcept {
    OVERLAPPED whole{};
    if (!LockFileEx(toHandle(file_.native()), lockFlags(mode), 0, MAXDWORD, MAXDWORD, &whole)) {
        return systemError(GetLastError());
    }
    locked_ = true;
    return {};
}

void FileLock::unlock() noexcept {
    if (locked_) {
        OVERLAPPED whole{};
        UnlockFileEx(toHandle(file_.native()), 0, MAXDWORD, MAXDWORD, &whole);
        locked_ = false;
    }
}

util::Expected<std::optional<OwnedFile>, OpenFailure> openLockFileToRead(
    const std::filesystem::path& file, Owner owner, Links links) {
    auto opened = openOwnFile(file, Access::Lock, owner, links);
    if (!opened && (isSystemError(opened.error(), ERROR_ACCESS_DENIED) ||
                    isSystemError(opened.error(), ERROR_WRITE_PROTECT))) {
        // LockFileEx needs read access only.
        opened = openOwnFile(file, Access::Read, owner, links);
        if (!opened && (opened.error().refusal == Refusal::Missing ||
                        isSystemError(opened.error(), ERROR_ACCESS_DENIED))) {
            return std::optional<OwnedFile>{};
        }
    }
    if (!opened) {
        return util::Unexpected{opened.error()};
    }
    return std::optional<OwnedFile>{std::move(*opened)};
}

}  // namespace platform
