#include "platform/replace_file.h"

#include "platform/file_io.h"
#include "platform/windows_api.h"

#include <bcrypt.h>  // after windows.h, whose types it uses

namespace platform {

std::optional<ReplaceFailure> replaceFileAtomically(const std::filesystem::path& file,
                                                    const std::string& content,
                                                    Durability durability) {
    // A fresh, unguessable name, created exclusively: nothing planted under it is ever opened.
    std::filesystem::path temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 8 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        std::uint64_t bits = 0;
        if (BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&bits),  // NOLINT(*-reinterpret-cast)
                            sizeof bits, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) {
            return ReplaceFailure{ReplaceFailure::Step::Name, {}, {}};
        }
        temporary = temporaryName(file, bits);
        // The name itself, never what a link or junction there points to.
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return ReplaceFailure{ReplaceFailure::Step::Create, temporary, systemError(GetLastError())};
    }
    std::error_code error = writeAll(fromHandle(handle), content);
    if (!error && durability == Durability::Synced) {
        error = flushToDisk(fromHandle(handle));
    }
    CloseHandle(handle);
    std::optional<ReplaceFailure> failure;
    if (error) {
        failure = ReplaceFailure{ReplaceFailure::Step::Write, temporary, error};
    } else {
        const DWORD moveFlags = MOVEFILE_REPLACE_EXISTING |
                                (durability == Durability::Synced ? MOVEFILE_WRITE_THROUGH : 0);
        if (!MoveFileExW(temporary.c_str(), file.c_str(), moveFlags)) {
            failure =
                ReplaceFailure{ReplaceFailure::Step::Rename, file, systemError(GetLastError())};
        }
    }
    if (failure) {
        DeleteFileW(temporary.c_str());
    }
    return failure;
}

}  // namespace platform
