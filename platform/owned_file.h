#pragma once

#include "platform/file_io.h"
#include "util/expected.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

// Opening the program's own files where others may write the folder (a shared or world-writable
// data folder, a field file named in the environment): never through a link someone else planted,
// never a FIFO or device that would block or feed endless bytes, never waiting. One implementation
// per platform (owned_file_posix.cpp, owned_file_windows.cpp); each caller words the refusals.
namespace platform {

enum class Refusal {
    Missing,       // nothing by that name (opened to read)
    ForeignLink,   // a symbolic link (or a link among its folders) another user made
    LinkToLink,    // a link whose target is a link again
    NotRegular,    // a folder, FIFO, device, socket or reparse point
    ForeignOwner,  // another user's file, or one with more than one name (a hard link)
    System,        // the system refused; `error` says why
};

struct OpenFailure {
    Refusal refusal = Refusal::System;
    std::error_code error;
};

// Whose files are accepted: only this user's, or anyone's (a file shared for reading).
enum class Owner { Mine, Anyone };

enum class Access {
    Read,    // an existing file, read only
    Append,  // read and append, created when missing (its folder is not)
    Lock,    // read and write, created when missing, for an advisory lock only
};

// Which symbolic links a name may be: its user's own (followOwnLink), or none at all (for a file
// whose place in the folder matters, such as a lock file beside the file it guards).
enum class Links { FollowOwn, Never };

// An open file, closed with the object.
class OwnedFile {
public:
    OwnedFile() = default;
    explicit OwnedFile(NativeFile handle) noexcept : handle_(handle) {}
    OwnedFile(OwnedFile&& other) noexcept;
    OwnedFile& operator=(OwnedFile&& other) noexcept;
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;
    ~OwnedFile();

    [[nodiscard]] NativeFile native() const noexcept { return handle_; }
    [[nodiscard]] bool isOpen() const noexcept { return handle_ != kNone; }
    // Gives up the handle without closing it.
    NativeFile release() noexcept;

    static constexpr NativeFile kNone = -1;

private:
    void close() noexcept;
    NativeFile handle_ = kNone;
};

// The file a name stands for: the name itself, or, when it is a symbolic link its user (or the
// administrator) made, the link's target. A link someone else made, here or among the folders
// above, and a link to a link, are refused.
[[nodiscard]] util::Expected<std::filesystem::path, OpenFailure> followOwnLink(
    const std::filesystem::path& file);

// Opens the file a name stands for (followOwnLink; with Links::Never the name itself, a link
// refused as ForeignLink), never blocking: only a regular file, and with Owner::Mine only one
// this user owns that has no other name.
[[nodiscard]] util::Expected<OwnedFile, OpenFailure> openOwnFile(const std::filesystem::path& file,
                                                                 Access access,
                                                                 Owner owner = Owner::Mine,
                                                                 Links links = Links::FollowOwn);

// Reads up to `size` bytes at `offset`; 0 at the end of the file.
[[nodiscard]] util::Expected<std::size_t, std::error_code> readAt(NativeFile file,
                                                                  std::uint64_t offset,
                                                                  char* buffer, std::size_t size);
[[nodiscard]] util::Expected<std::uint64_t, std::error_code> fileSize(NativeFile file);

// Makes the folder's entries (a new name, a rename) durable; nothing to do on Windows, where
// MoveFileEx's write-through does it.
void syncFolder(const std::filesystem::path& folder) noexcept;

}  // namespace platform
