#pragma once

#include <cstdint>
#include <string_view>
#include <system_error>

// The low-level calls on an open file that more than one room makes.
namespace platform {

// An open file as the system names it: a file descriptor on POSIX, a HANDLE on Windows.
using NativeFile = std::intptr_t;

// Writes all of `bytes` at the file's position (its end, for a file opened to append), going on
// after a signal or a partial write. The system's error when it failed; none (0) on success.
[[nodiscard]] std::error_code writeAll(NativeFile file, std::string_view bytes);

// Returns once what was written to the file is on the disk (fsync, FlushFileBuffers).
[[nodiscard]] std::error_code flushToDisk(NativeFile file);

}  // namespace platform
