#pragma once

#include "platform/owned_file.h"
#include "util/expected.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

// What the journal needs of the operating system beyond what platform/ gives the whole program,
// in the journal's words. Texts for the user are UTF-8, in Chinese.
namespace journal::platform {

// The user's data folder for the program (platform::dataFolder), or why there is none.
[[nodiscard]] util::Expected<std::filesystem::path, std::string> dataFolder();

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
// ::platform::openOwnFile allows. The reason when it failed.
[[nodiscard]] util::Expected<Appended, std::string> appendDurably(
    const std::filesystem::path& file, const std::function<std::string(const FileEnd&)>& compose);

// Why a file was not opened, in words short enough for the status line: "<what>（<why>）". The
// file is always the journal (or its lock), so its path is not repeated.
[[nodiscard]] std::string refusal(const std::string& what, const ::platform::OpenFailure& failure);
// The system's reason for an error, in words.
[[nodiscard]] std::string reason(const std::error_code& error);
// The same for an errno value (the C library's, and std::filesystem's generic errors).
[[nodiscard]] std::string errnoReason(int number);

// The path as UTF-8 text.
[[nodiscard]] std::string utf8(const std::filesystem::path& path);

// Local civil time of `time` and the local offset from UTC then, in seconds east.
struct LocalTime {
    std::tm fields{};
    long offsetSeconds = 0;
};
[[nodiscard]] LocalTime localTime(std::time_t time);

}  // namespace journal::platform
