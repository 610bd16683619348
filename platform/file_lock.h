#pragma once

#include "platform/owned_file.h"
#include "util/expected.h"

#include <filesystem>
#include <optional>
#include <system_error>

// Advisory locks on the whole of a file kept for locking only (flock, LockFileEx), so that copies
// of the program, and programs sharing the emulated field, take turns. One file per platform
// (file_lock_posix.cpp, file_lock_windows.cpp).
namespace platform {

// An open lock file and whether this object holds its lock. Closing it (with the object) releases
// the lock.
class FileLock {
public:
    enum class Mode { Shared, Exclusive };

    FileLock() = default;
    // A lock file the caller opened (openOwnFile, Access::Lock), not locked yet.
    explicit FileLock(OwnedFile file) noexcept : file_(std::move(file)) {}
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    // Takes the lock if no other holder has it, never waiting: false when another has it (or it
    // cannot be taken).
    [[nodiscard]] bool tryLock(Mode mode) noexcept;
    // Takes the lock, waiting for other holders. The system's error when it cannot be taken.
    [[nodiscard]] std::error_code lock(Mode mode) noexcept;
    void unlock() noexcept;

private:
    OwnedFile file_;
    bool locked_ = false;
};

// A lock file to take a shared lock on for a read: opened to lock (created when missing) where
// that is allowed, else opened to read, since a lock needs no right to write and a lock file
// someone else made serves as it is; nothing when it is not there and cannot be made (a
// read-only folder), since the read is then taken without the lock.
[[nodiscard]] util::Expected<std::optional<OwnedFile>, OpenFailure> openLockFileToRead(
    const std::filesystem::path& file, Owner owner, Links links);

}  // namespace platform
