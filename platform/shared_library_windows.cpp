#include "platform/shared_library.h"

#include "platform/windows_api.h"

#include <string>

namespace platform {

namespace {

std::string toUtf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
    }
    return utf8;
}

// The system's reason in UTF-8. The wide API, because the ANSI one answers in the local code
// page (GBK on a Chinese Windows), which the window would show as mojibake. Some reasons name
// the file as "%1": put the file's name there.
std::string systemMessage(DWORD code, const std::filesystem::path& path) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::string message =
        length != 0 ? toUtf8(text, static_cast<int>(length)) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    const auto name = path.filename().u8string();
    for (auto at = message.find("%1"); at != std::string::npos; at = message.find("%1", at)) {
        message.replace(at, 2, std::string(name.begin(), name.end()));
        at += name.size();
    }
    return message + " (" + std::to_string(code) + ")";
}

}  // namespace

util::Expected<SharedLibrary, std::string> SharedLibrary::open(const std::filesystem::path& path) {
    if (!path.is_absolute()) {
        return util::Unexpected{std::string("not an absolute path")};
    }
    // The DLL's own dependencies come from its folder and System32 only, never the current
    // directory or PATH.
    HMODULE module = LoadLibraryExW(
        path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Windows 7 without KB2533623 knows no LOAD_LIBRARY_SEARCH_* flags. Load by the absolute
        // path, dependencies from the DLL's folder first, with the current directory taken out
        // of the search.
        SetDllDirectoryW(L"");
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (module == nullptr) {
        return util::Unexpected{systemMessage(GetLastError(), path)};
    }
    return SharedLibrary(static_cast<void*>(module));
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void SharedLibrary::close() noexcept {
    if (handle_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle_));
        handle_ = nullptr;
    }
}

}  // namespace platform
