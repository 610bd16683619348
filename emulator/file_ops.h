#pragma once

#include "platform/file_lock.h"
#include "platform/replace_file.h"
#include "util/expected.h"

#include <filesystem>
#include <optional>
#include <string>

// The few file operations the field store needs, on the platform's calls (platform/), with the
// emulator's words for what went wrong. None of them opens a file through a symbolic link:
// whoever can write to the field's folder must not be able to point the emulator's writes at
// another file.
namespace emulator {

// Locks the field's lock file, a file of its own beside the field (which is replaced by
// renaming), creating it if need be and waiting for other holders. A lock file that is a
// symbolic link is refused.
[[nodiscard]] util::Expected<platform::FileLock, std::string> lockExclusively(
    const std::filesystem::path& lockFile);

// A shared lock for a read, or nothing when the lock file may not be created or opened here
// (a read-only folder). Reading without the lock is safe: the data file is only ever replaced
// whole, by a rename, so a read sees the old content or the new.
[[nodiscard]] util::Expected<std::optional<platform::FileLock>, std::string> lockForReading(
    const std::filesystem::path& lockFile);

// The file a field file's name stands for: the name itself, or, when it is a symbolic link its
// user (or the administrator) made, the link's target, so that changes reach the target rather
// than replace the link. A link someone else owns, or a link to a link, is refused with words.
[[nodiscard]] util::Expected<std::filesystem::path, std::string> resolveFieldLink(
    const std::filesystem::path& file);

// The first `limit` bytes of a regular file (all of it when shorter); nothing when it does not
// exist. A symbolic link is refused.
[[nodiscard]] util::Expected<std::optional<std::string>, std::string> readFileStart(
    const std::filesystem::path& file, std::size_t limit);

// Replaces the file's content all at once (platform::replaceFileAtomically); what went wrong in
// words otherwise.
[[nodiscard]] std::optional<std::string> replaceFieldFile(const std::filesystem::path& file,
                                                          const std::string& content,
                                                          platform::Durability durability);

}  // namespace emulator
