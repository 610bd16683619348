#include "emulator/file_ops.h"

#include "platform/file_io.h"
#include "platform/windows_api.h"

#include <array>
#include <cstdint>
#include <system_error>

#include <bcrypt.h>  // after windows.h, whose types it uses

namespace emulator {

namespace {

std::string windowsError(const std::string& what) {
    return what + ": " + std::system_category().message(static_cast<int>(GetLastError()));
}

using platform::fromHandle;
using platform::toHandle;

// Opens the name itself, never what a symbolic link or junction there points to.
HANDLE openFile(const std::filesystem::path& file, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(file.c_str(), access, share, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool isReparsePoint(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    return GetFileInformationByHandle(handle, &information) == 0 ||
           (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::string linkRefused(const std::filesystem::path& file) {
    return file.string() + " is a symbolic link or junction, which the emulator never opens";
}

util::Expected<std::intptr_t, std::string> lockHandle(HANDLE handle, FileLock::Mode mode,
                                                      const std::filesystem::path& lockFile) {
    if (isReparsePoint(handle)) {
        CloseHandle(handle);
        return util::Unexpected{linkRefused(lockFile)};
    }
    OVERLAPPED whole{};
    const DWORD flags = mode == FileLock::Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    if (!LockFileEx(handle, flags, 0, MAXDWORD, MAXDWORD, &whole)) {
        std::string error = windowsError("cannot lock " + lockFile.string());
        CloseHandle(handle);
        return util::Unexpected{std::move(error)};
    }
    return fromHandle(handle);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

util::Expected<FileLock, std::string> FileLock::acquire(const std::filesystem::path& lockFile,
                                                        Mode mode) {
    HANDLE handle = openFile(lockFile, GENERIC_READ | GENERIC_WRITE, kShareAll, OPEN_ALWAYS);
    if (handle == INVALID_HANDLE_VALUE) {
        return util::Unexpected{windowsError("cannot open the lock file " + lockFile.string())};
    }
    auto locked = lockHandle(handle, mode, lockFile);
    if (!locked) {
        return util::Unexpected{locked.error()};
    }
    return FileLock(*locked);
}

util::Expected<std::optional<FileLock>, std::string> FileLock::acquireForReading(
    const std::filesystem::path& lockFile) {
    HANDLE handle = openFile(lockFile, GENERIC_READ | GENERIC_WRITE, kShareAll, OPEN_ALWAYS);
    if (handle == INVALID_HANDLE_VALUE &&
        (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_WRITE_PROTECT)) {
        // LockFileEx needs read access only: a lock file someone else made serves as it is.
        handle = openFile(lockFile, GENERIC_READ, kShareAll, OPEN_EXISTING);
        if (handle == INVALID_HANDLE_VALUE &&
            (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_ACCESS_DENIED)) {
            return std::optional<FileLock>{};
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return util::Unexpected{windowsError("cannot open the lock file " + lockFile.string())};
    }
    auto locked = lockHandle(handle, Mode::Shared, lockFile);
    if (!locked) {
        return util::Unexpected{locked.error()};
    }
    return std::optional<FileLock>{FileLock(*locked)};
}

void FileLock::release() noexcept {
    if (handle_ != kNoHandle) {
        OVERLAPPED whole{};
        UnlockFileEx(toHandle(handle_), 0, MAXDWORD, MAXDWORD, &whole);
        CloseHandle(toHandle(handle_));
        handle_ = kNoHandle;
    }
}

std::optional<std::string> replaceFileAtomically(const std::filesystem::path& file,
                                                 const std::string& content,
                                                 Durability durability) {
    // A fresh, unguessable name, created exclusively: nothing planted under it is ever opened.
    std::filesystem::path temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 8 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        std::uint64_t bits = 0;
        if (BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&bits),  // NOLINT(*-reinterpret-cast)
                            sizeof bits, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) {
            return std::string("cannot draw a random name for the temporary file");
        }
        temporary = temporaryName(file, bits);
        handle = openFile(temporary, GENERIC_WRITE, 0, CREATE_NEW);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return windowsError("cannot create " + temporary.string());
    }
    std::error_code failure = platform::writeAll(fromHandle(handle), content);
    if (!failure && durability == Durability::Synced) {
        failure = platform::flushToDisk(fromHandle(handle));
    }
    const bool ok = !failure;
    std::string error =
        ok ? std::string() : "cannot write " + temporary.string() + ": " + failure.message();
    CloseHandle(handle);
    const DWORD moveFlags =
        MOVEFILE_REPLACE_EXISTING | (durability == Durability::Synced ? MOVEFILE_WRITE_THROUGH : 0);
    if (ok && !MoveFileExW(temporary.c_str(), file.c_str(), moveFlags)) {
        error = windowsError("cannot replace " + file.string());
    }
    if (!error.empty()) {
        DeleteFileW(temporary.c_str());
        return error;
    }
    return std::nullopt;
}

}  // namespace emulator
