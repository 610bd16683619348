#pragma once

#include "platform/system_reason.h"
#include "util/expected.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

// Appending to a record that must survive a power failure, such as the journal of written tags.
namespace platform {

// What is in a file before an append: its size and whether its last byte ends a line.
struct FileEnd {
    std::uint64_t size = 0;
    bool endsWithNewline = false;
};

// Where an append's bytes went.
struct Appended {
    std::uint64_t at = 0;  // the file's size before them
    std::uint64_t bytes = 0;
};

// Appends to `file` (creating it and its folder when missing) the bytes `compose` makes from
// what the file holds, in one write, and returns once they are on the disk (fsync,
// FlushFileBuffers). Never truncates or rewrites what is there, and opens the file only as
// openOwnFile allows. Its kind and reason in words (systemReason, whyNotOpened) when it failed.
[[nodiscard]] util::Expected<Appended, FileFailure> appendDurably(
    const std::filesystem::path& file, const std::function<std::string(const FileEnd&)>& compose);

}  // namespace platform
