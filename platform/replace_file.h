#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

// Replacing a small file's content whole, so that a reader sees the old content or the new, never
// a mix: a temporary file of an unpredictable name beside it, renamed over it. One file per
// platform (replace_file_posix.cpp, replace_file_windows.cpp). None of these opens a file through
// a symbolic link: whoever can write the folder must not point the writes at another file.
namespace platform {

// Whether a replacement must reach the disk before it takes the old content's place.
enum class Durability { Synced, Unsynced };

// Which step of a replacement failed, on which file (the temporary one, or for Rename the file
// replaced), and why. Without a Name (no random bits to be had) there is no file and no error.
struct ReplaceFailure {
    enum class Step { Name, Create, Write, Rename };
    Step step = Step::Create;
    std::filesystem::path file;
    std::error_code error;
};

// Writes `content` to a temporary file created exclusively beside `file`, and renames it over
// the file. Synced also flushes the new content (and the rename) to the disk.
[[nodiscard]] std::optional<ReplaceFailure> replaceFileAtomically(const std::filesystem::path& file,
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

}  // namespace platform
