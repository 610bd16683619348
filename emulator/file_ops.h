#pragma once

#include "util/expected.h"

#include <filesystem>
#include <optional>
#include <string>

// The few file operations the field store needs, with the platform's calls behind them.
namespace emulator {

// An advisory lock on a file of its own (flock on POSIX, LockFileEx on Windows), held for the
// object's lifetime. Separate from the data file, which is replaced by renaming.
class FileLock {
public:
    enum class Mode { Shared, Exclusive };

    // Opens (creating it if need be) and locks the file, waiting for other holders.
    static util::Expected<FileLock, std::string> acquire(const std::filesystem::path& lockFile,
                                                         Mode mode);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    FileLock() = default;
    void release() noexcept;

#if defined(_WIN32)
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// The first `limit` bytes of a file (all of it when shorter); nothing when it does not exist.
[[nodiscard]] util::Expected<std::optional<std::string>, std::string> readFileStart(
    const std::filesystem::path& file, std::size_t limit);

// Replaces the file's content all at once: writes a temporary file beside it, flushes it to the
// disk and renames it over the file. A reader sees the old content or the new, never a mix.
[[nodiscard]] std::optional<std::string> replaceFileAtomically(const std::filesystem::path& file,
                                                               const std::string& content);

}  // namespace emulator
