#pragma once

#include "util/expected.h"

#include <filesystem>
#include <string>
#include <string_view>

// Where the running program is, and how this system names the shared libraries beside it. One
// file per system (program_location_linux.cpp, program_location_macos.cpp,
// program_location_windows.cpp).
namespace platform {

// The folder of the running executable, from the operating system (not argv[0], not the
// current directory); what failed otherwise.
[[nodiscard]] util::Expected<std::filesystem::path, std::string> executableFolder();

// A shared library's file name on this system: MF1.dll, libMF1.so or libMF1.dylib for "MF1".
[[nodiscard]] std::string sharedLibraryFileName(std::string_view name);

}  // namespace platform
