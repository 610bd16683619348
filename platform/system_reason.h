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

// What kind of refusal it was, for callers whose next step depends on it (a full disk wants
// space freed, whatever the system's own code for it).
enum class FileTrouble {
    DiskFull,  // ENOSPC, EDQUOT; ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL
    NoRights,
    ReadOnly,
    Other,
};
[[nodiscard]] FileTrouble fileTrouble(const std::error_code& error);
[[nodiscard]] FileTrouble errnoTrouble(int number);

// A refused file call: its kind, and the reason in words.
struct FileFailure {
    FileTrouble kind = FileTrouble::Other;
    std::string reason;
};
[[nodiscard]] FileFailure fileFailure(const std::error_code& error);

// Why a file was not opened: "<what>（<why>）", or the reason alone when `what` is empty. The
// path is not repeated: the caller's words say which file it was.
[[nodiscard]] std::string whyNotOpened(const std::string& what, const OpenFailure& failure);

}  // namespace platform
