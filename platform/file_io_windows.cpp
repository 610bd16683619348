#include "platform/file_io.h"

#include "platform/windows_api.h"

namespace platform {

std::error_code writeAll(NativeFile file, std::string_view bytes) {
    // One synchronous write to a disk file writes everything or fails; a short count without an
    // error is taken as a failure rather than retried.
    DWORD written = 0;
    if (!WriteFile(toHandle(file), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size()) {
        const DWORD error = GetLastError();
        return systemError(error != 0 ? error : ERROR_WRITE_FAULT);
    }
    return {};
}

std::error_code flushToDisk(NativeFile file) {
    if (!FlushFileBuffers(toHandle(file))) {
        return systemError(GetLastError());
    }
    return {};
}

}  // namespace platform
