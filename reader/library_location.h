#pragma once

#include "util/expected.h"

#include <array>
#include <filesystem>
#include <string>

namespace reader {

// The reader library's file name on this platform: MF1.dll, libMF1.so or libMF1.dylib.
[[nodiscard]] const char* readerLibraryFileName() noexcept;

// The two places the program takes the reader library from, in this order: beside its own
// executable (a portable copy, the build tree, Windows), then ../lib/zeld/ relative to it (an
// installed package, whose bin/ holds programs only). Never the current directory or a search
// path, so a library planted elsewhere is never picked up.
[[nodiscard]] std::array<std::filesystem::path, 2> readerLibraryPlaces(
    const std::filesystem::path& executableFolder);

// The library beside the running executable.
[[nodiscard]] util::Expected<std::filesystem::path, std::string> defaultReaderLibraryPath();

}  // namespace reader
