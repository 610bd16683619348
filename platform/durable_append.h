#pragma once

#include "platform/system_reason.h"
#include "util/expected.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

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

// Where appendDurably's composed bytes go: by default written and synced to the disk. A
// simulation of many stations swaps it process-wide, to skip the sync on a folder in memory and to
// fail part-way as a full disk does; the program never does.
class AppendMedium {
public:
    virtual ~AppendMedium() = default;
    // Writes `bytes` to the end of `file` (open as `native`, a NativeFile's value) and makes them
    // durable; the error, when they did not all get there.
    [[nodiscard]] virtual std::error_code write(const std::filesystem::path& file,
                                                std::intptr_t native, std::string_view bytes) = 0;

protected:
    AppendMedium() = default;
    AppendMedium(const AppendMedium&) = default;
    AppendMedium(AppendMedium&&) = default;
    AppendMedium& operator=(const AppendMedium&) = default;
    AppendMedium& operator=(AppendMedium&&) = default;
};
// Makes `medium` take every append from now on; nullptr restores the disk.
void useAppendMedium(AppendMedium* medium) noexcept;

}  // namespace platform
