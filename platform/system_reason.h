#pragma once

#include "platform/owned_file.h"

#include <string>
#include <system_error>

// Why the system refused a file call, in words for the status line: short, in Chinese, never the
// system's own (English, long) message. One file per platform for the system's own codes.
namespace platform {

// The system's reason for an error: a Windows error code, or an errno value anywhere.
[[nodiscard]] std::string systemReason(const std::error_code& error);

// The same for an errno value (the C library's, and std::filesystem's generic errors).
[[nodiscard]] std::string errnoReason(int number);

// Why a file was not opened: "<what>（<why>）", or the reason alone when `what` is empty. The
// path is not repeated: the caller's words say which file it was.
[[nodiscard]] std::string whyNotOpened(const std::string& what, const OpenFailure& failure);

}  // namespace platform
