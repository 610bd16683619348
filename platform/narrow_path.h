#pragma once

#include <filesystem>
#include <string>

// A path for a C library that opens files through the C runtime's narrow (char) calls, such as
// libxlsxwriter. One file per platform (narrow_path_posix.cpp, narrow_path_windows.cpp).
namespace platform {

// An existing folder's name as fopen takes it: the path's own bytes on POSIX; on Windows the
// name in the ANSI code page or, where a character has no place in it, its short (8.3) name.
// Empty when it has no such name.
[[nodiscard]] std::string narrowFolderName(const std::filesystem::path& folder);

}  // namespace platform
