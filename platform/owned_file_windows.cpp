#include "platform/owned_file.h"

#include "platform/windows_api.h"

namespace platform {

namespace {

OpenFailure systemFailure(DWORD code) {
    const bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
    return {missing ? Refusal::Missing : Refusal::System, systemError(code)};
}

bool isReparsePoint(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

void OwnedFile::close() noexcept {
    if (handle_ != kNone) {
        CloseHandle(toHandle(handle_));
        handle_ = kNone;
    }
}

// Making links takes a privilege on Windows and a link's owner is not cheaply told: a file that
// is a symbolic link or junction is refused rather than followed.
util::Expected<std::filesystem::path, OpenFailure> followOwnLink(
    const std::filesystem::path& file) {
    if (isReparsePoint(file)) {
        return util::Unexpected{OpenFailure{Refusal::ForeignLink, {}}};
    }
    return file;
}

// Links::FollowOwn and Links::Never alike: no link is followed here.
util::Expected<OwnedFile, OpenFailure> openOwnFile(const std::filesystem::path& file, Access access,
                                                   Owner /*owner*/, Links /*links*/) {
    DWORD rights = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if (access == Access::Append) {
        // Append-only access: every write goes to the end, nothing there can be overwritten.
        rights = FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE;
        disposition = OPEN_ALWAYS;
    } else if (access == Access::Lock) {
        rights = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
    }
    // The name itself, never what a link or junction there points to.
    OwnedFile opened(
        fromHandle(CreateFileW(file.c_str(), rights, kShareAll, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
    if (toHandle(opened.native()) == INVALID_HANDLE_VALUE) {
        static_cast<void>(opened.release());
        return util::Unexpected{systemFailure(GetLastError())};
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(toHandle(opened.native()), &information)) {
        return util::Unexpected{systemFailure(GetLastError())};
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return util::Unexpected{OpenFailure{Refusal::ForeignLink, {}}};
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        GetFileType(toHandle(opened.native())) != FILE_TYPE_DISK) {
        return util::Unexpected{OpenFailure{Refusal::NotRegular, {}}};
    }
    return opened;
}

util::Expected<std::size_t, std::error_code> readAt(NativeFile file, std::uint64_t offset,
                                                    char* buffer, std::size_t size) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFULL);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32U);
    DWORD count = 0;
    const auto chunk = static_cast<DWORD>(size > 0x40000000U ? 0x40000000U : size);
    if (!ReadFile(toHandle(file), buffer, chunk, &count, &at)) {
        const DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) {
            return std::size_t{0};
        }
        return util::Unexpected{systemError(error)};
    }
    return static_cast<std::size_t>(count);
}

util::Expected<std::uint64_t, std::error_code> fileSize(NativeFile file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(toHandle(file), &size)) {
        return util::Unexpected{systemError(GetLastError())};
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

void syncFolder(const std::filesystem::path& /*folder*/) noexcept {}

}  // namespace platform
