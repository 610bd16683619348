#include "reader/shared_library.h"

#include <utility>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace reader {

SharedLibrary::~SharedLibrary() {
    close();
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

#if defined(_WIN32)

namespace {
std::string lastErrorText() {
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = length != 0 ? std::string(text, length) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message;
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
    if (module == nullptr) {
        return util::Unexpected{lastErrorText()};
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

#else

util::Expected<SharedLibrary, std::string> SharedLibrary::open(const std::filesystem::path& path) {
    // A path with a slash in it is opened as it stands: dlopen searches nothing.
    if (!path.is_absolute()) {
        return util::Unexpected{std::string("not an absolute path")};
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        // The library is only ever loaded from the window's one thread.
        const char* reason = dlerror();  // NOLINT(concurrency-mt-unsafe)
        return util::Unexpected{std::string(reason != nullptr ? reason : "unknown dlopen error")};
    }
    return SharedLibrary(handle);
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    dlerror();  // NOLINT(concurrency-mt-unsafe): see open()
    return dlsym(handle_, name);
}

void SharedLibrary::close() noexcept {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

#endif

}  // namespace reader
