#pragma once

#include "reader/load_error.h"

#include <string>
#include <string_view>

// Why the reader library could not be used, in the window's language (Simplified Chinese), as
// UTF-8. The library's path is named once.
namespace words {

[[nodiscard]] std::string describeLoadError(const reader::LoadError& error);

// The system's reason for refusing to load the file at `path`, without the path it may start
// with, and in Chinese where it is one of the loader's usual English messages; any other text,
// which may be in the system's own language already, is kept as it is.
[[nodiscard]] std::string loaderReason(std::string_view systemText, std::string_view path);

}  // namespace words
