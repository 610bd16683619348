#pragma once

// The Windows API for the platform's Windows files, with the file handles the portable headers
// carry as integers (NativeFile). Included by *_windows.cpp files only.

#include "platform/file_io.h"

#include <system_error>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX  // MinGW's C++ headers may have defined it already
#define NOMINMAX
#endif
#include <windows.h>

namespace platform {

inline HANDLE toHandle(NativeFile file) {
    return reinterpret_cast<HANDLE>(file);  // NOLINT(*-reinterpret-cast,performance-no-int-to-ptr)
}

inline NativeFile fromHandle(HANDLE handle) {
    return reinterpret_cast<NativeFile>(handle);  // NOLINT(*-reinterpret-cast)
}

inline std::error_code systemError(DWORD code) {
    return {static_cast<int>(code), std::system_category()};
}

}  // namespace platform
