#pragma once

#include "util/expected.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// The few file operations the field store needs. The platform's calls behind them live in
// file_ops_posix.cpp and file_ops_windows.cpp. None of them opens a file through a symbolic
// link: whoever can write to the field's folder must not be able to point the emulator's writes
// at another file.
namespace emulator {

// An advisory lock on a file of its own (flock on POSIX, LockFileEx on Windows), held for the
// object's lifetime. Separate from the data file, which is replaced by renaming.
class FileLock {
public:
    enum class Mode { Shared, Exclusive };

    // Opens (creating it if need be) and locks the file, waiting for other holders. A lock file
    // that is a symbolic link is refused.
    static util::Expected<FileLock, std::string> acquire(const std::filesystem::path& lockFile,
                                                         Mode mode);

    // A shared lock for a read, or nothing when the lock file may not be created or opened here
    // (a read-only folder). Reading without the lock is safe: the data file is only ever replaced
    // whole, by a rename, so a read sees the old content or the new.
    static util::Expected<std::optional<FileLock>, std::string> acquireForReading(
        const std::filesystem::path& lockFile);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    // A file descriptor on POSIX, a HANDLE on Windows; -1 is neither.
    static constexpr std::intptr_t kNoHandle = -1;

    explicit FileLock(std::intptr_t handle) noexcept : handle_(handle) {}
    void release() noexcept;

    std::intptr_t handle_ = kNoHandle;
};

// The file a field file's name stands for: the name itself, or, when it is a symbolic link its
// user (or the administrator) made, the link's target, so that changes reach the target rather
// than replace the link. A link someone else owns, or a link to a link, is refused with words.
[[nodiscard]] util::Expected<std::filesystem::path, std::string> resolveFieldLink(
    const std::filesystem::path& file);

// The first `limit` bytes of a regular file (all of it when shorter); nothing when it does not
// exist. A symbolic link is refused.
[[nodiscard]] util::Expected<std::optional<std::string>, std::string> readFileStart(
    const std::filesystem::path& file, std::size_t limit);

// Whether a replacement must reach the disk before it takes the old content's place.
enum class Durability { Synced, Unsynced };

// Replaces the file's content all at once: writes a temporary file of an unpredictable name
// beside it, created exclusively, and renames it over the file. A reader sees the old content or
// the new, never a mix. Synced also flushes the new content to the disk first.
[[nodiscard]] std::optional<std::string> replaceFileAtomically(const std::filesystem::path& file,
                                                               const std::string& content,
                                                               Durability durability);

// Removes the temporary files writers that died before their rename left beside `file`. Call it
// only while holding the file's exclusive lock: every live writer makes and renames its
// temporary file under that lock, so any found then is stale.
void removeStaleTemporaries(const std::filesystem::path& file);

// The name of every temporary file made for `file` starts with this.
[[nodiscard]] std::string temporaryPrefix(const std::filesystem::path& file);
// A temporary file's path for `file`: beside it, the prefix and `randomBits` in hexadecimal.
[[nodiscard]] std::filesystem::path temporaryName(const std::filesystem::path& file,
                                                  std::uint64_t randomBits);

}  // namespace emulator
