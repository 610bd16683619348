#include "platform/environment.h"

#include "platform/windows_api.h"

#include <string_view>
#include <vector>

namespace platform {

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

}  // namespace platform
