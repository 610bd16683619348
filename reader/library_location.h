#pragma once

#include "util/expected.h"

#include <filesystem>
#include <string>

namespace reader {

// The reader library's file name on this platform: MF1.dll, libMF1.so or libMF1.dylib.
[[nodiscard]] const char* readerLibraryFileName() noexcept;

// The folder of the running executable, from the operating system (not argv[0], not the
// current directory).
[[nodiscard]] util::Expected<std::filesystem::path, std::string> executableDirectory();

// Where the program loads the reader library from: beside its own executable, never from the
// current directory or a search path, so a library planted elsewhere is never picked up.
[[nodiscard]] util::Expected<std::filesystem::path, std::string> defaultReaderLibraryPath();

}  // namespace reader
