#include "emulator/environment.h"

#include <string_view>
#include <utility>
#include <vector>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // MinGW's C++ headers may have defined it already
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace emulator {

#if defined(_WIN32)

namespace {

// The variable through the wide API, so that a path in any script survives.
std::optional<std::wstring> wideVariable(const char* name) {
    const std::string_view narrow(name);
    const std::wstring wideName(narrow.begin(), narrow.end());  // names are ASCII
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), buffer.data(),
                                                     static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return std::nullopt;
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        buffer.resize(length);
    }
}

}  // namespace

std::optional<std::string> environmentVariable(const char* name) {
    const auto value = wideVariable(name);
    if (!value) {
        return std::nullopt;
    }
    const auto utf8 = std::filesystem::path(*value).u8string();
    return std::string(utf8.begin(), utf8.end());
}

std::optional<std::filesystem::path> environmentPath(const char* name) {
    const auto value = wideVariable(name);
    if (!value) {
        return std::nullopt;
    }
    return std::filesystem::path(*value);
}

#else

std::optional<std::string> environmentVariable(const char* name) {
    const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::filesystem::path> environmentPath(const char* name) {
    auto value = environmentVariable(name);
    if (!value) {
        return std::nullopt;
    }
    return std::filesystem::path(std::move(*value));
}

#endif

}  // namespace emulator
