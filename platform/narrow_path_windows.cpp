#include "platform/narrow_path.h"

#include "platform/windows_api.h"

#include <cwchar>

namespace platform {

// A library built with MinGW opens files through their ANSI names.
std::string narrowFolderName(const std::filesystem::path& folder) {
    const std::wstring wide = folder.wstring();
    BOOL lost = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0,
                                         nullptr, &lost);
    if (size > 0 && lost == FALSE) {
        std::string name(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, name.data(), size,
                            nullptr, nullptr);
        name.resize(static_cast<std::size_t>(size) - 1);
        return name;
    }
    const DWORD length = GetShortPathNameW(wide.c_str(), nullptr, 0);
    std::wstring shortName(length, L'\0');
    if (length == 0 || GetShortPathNameW(wide.c_str(), shortName.data(), length) == 0) {
        return {};
    }
    shortName.resize(wcslen(shortName.c_str()));
    return std::filesystem::path(shortName).string();
}

}  // namespace platform
