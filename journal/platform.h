#pragma once

#include "util/expected.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

// What the journal needs of the operating system beyond what platform/ gives the whole program;
// one implementation per platform (platform_posix.cpp, platform_windows.cpp). Texts for the user
// are UTF-8, in Chinese.
namespace journal::platform {

// The user's data folder for the program (platform::dataFolder), or why there is none.
[[nodiscard]] util::Expected<std::filesystem::path, std::string> dataFolder();

// What is in a file before an append: its size and whether its last byte ends a line.
struct FileEnd {
    std::uintmax_t size = 0;
    bool endsWithNewline = false;
};

// Appends to `file` (creating it and its folder when missing) the bytes `compose` makes from
// what the file holds, in one write, and returns once they are on the disk (fsync,
// FlushFileBuffers). Never truncates or rewrites what is there. The reason when it failed.
[[nodiscard]] std::optional<std::string> appendDurably(
    const std::filesystem::path& file, const std::function<std::string(const FileEnd&)>& compose);

// Local civil time of `time` and the local offset from UTC then, in seconds east.
struct LocalTime {
    std::tm fields{};
    long offsetSeconds = 0;
};
[[nodiscard]] LocalTime localTime(std::time_t time);

}  // namespace journal::platform
