#include "reader/library_location.h"

#include <system_error>
#include <vector>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#elif defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace reader {

const char* readerLibraryFileName() noexcept {
#if defined(_WIN32)
    return "MF1.dll";
#elif defined(__APPLE__)
    return "libMF1.dylib";
#else
    return "libMF1.so";
#endif
}

util::Expected<std::filesystem::path, std::string> executableDirectory() {
#if defined(_WIN32)
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return util::Unexpected{std::string("GetModuleFileNameW failed")};
        }
        if (length < buffer.size()) {
            return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
        }
        buffer.resize(buffer.size() * 2);
    }
#elif defined(__APPLE__)
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> buffer(size + 1);
    if (_NSGetExecutablePath(buffer.data(), &size) != 0) {
        return util::Unexpected{std::string("_NSGetExecutablePath failed")};
    }
    std::error_code error;
    auto resolved = std::filesystem::canonical(buffer.data(), error);
    if (error) {
        return util::Unexpected{error.message()};
    }
    return resolved.parent_path();
#else
    std::error_code error;
    auto resolved = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return util::Unexpected{"/proc/self/exe: " + error.message()};
    }
    return resolved.parent_path();
#endif
}

std::array<std::filesystem::path, 2> readerLibraryPlaces(
    const std::filesystem::path& executableFolder) {
    return {
        executableFolder / readerLibraryFileName(),
        (executableFolder / ".." / "lib" / "zeld" / readerLibraryFileName()).lexically_normal()};
}

util::Expected<std::filesystem::path, std::string> defaultReaderLibraryPath() {
    auto directory = executableDirectory();
    if (!directory) {
        return util::Unexpected{directory.error()};
    }
    return *directory / readerLibraryFileName();
}

}  // namespace reader
