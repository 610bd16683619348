#pragma once

#include "util/expected.h"

#include <filesystem>
#include <string>

// Loading a shared library at run time (the reader library). One file per platform
// (shared_library_posix.cpp, shared_library_windows.cpp).
namespace platform {

// Owns one loaded shared library (dlopen, or LoadLibraryExW on Windows) and unloads it on
// destruction.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Loads the file at exactly this absolute path; never searches for it elsewhere. The error
    // is the system's own description of why the file could not be loaded.
    static util::Expected<SharedLibrary, std::string> open(const std::filesystem::path& path);

    // The address of an exported symbol, or nullptr when the library has none by that name.
    [[nodiscard]] void* symbol(const char* name) const;

private:
    explicit SharedLibrary(void* handle) noexcept : handle_(handle) {}
    void close() noexcept;

    void* handle_ = nullptr;
};

}  // namespace platform
