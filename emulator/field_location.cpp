#include "emulator/field_location.h"

#include <cstdlib>

namespace emulator {

namespace {

const std::filesystem::path kRelativeFile = std::filesystem::path("zeld") / "emulated-field";

#if defined(_WIN32)
std::optional<std::wstring> variable(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);  // NOLINT(concurrency-mt-unsafe)
    if (value == nullptr || *value == L'\0') {
        return std::nullopt;
    }
    return std::wstring(value);
}
#else
std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}
#endif

}  // namespace

util::Expected<std::filesystem::path, std::string> posixDefaultFieldFile(
    const std::optional<std::string>& xdgStateHome, const std::optional<std::string>& home) {
    if (xdgStateHome && std::filesystem::path(*xdgStateHome).is_absolute()) {
        return std::filesystem::path(*xdgStateHome) / kRelativeFile;
    }
    if (home && !home->empty()) {
        return std::filesystem::path(*home) / ".local" / "state" / kRelativeFile;
    }
    return util::Unexpected{
        std::string("no place for the field file: neither XDG_STATE_HOME nor HOME is set (set "
                    "MF1_EMULATOR_FIELD to a file)")};
}

util::Expected<std::filesystem::path, std::string> defaultFieldFile() {
#if defined(_WIN32)
    const auto localAppData = variable(L"LOCALAPPDATA");
    if (!localAppData) {
        return util::Unexpected{std::string(
            "no place for the field file: LOCALAPPDATA is not set (set MF1_EMULATOR_FIELD to a "
            "file)")};
    }
    return std::filesystem::path(*localAppData) / kRelativeFile;
#else
    return posixDefaultFieldFile(variable("XDG_STATE_HOME"), variable("HOME"));
#endif
}

util::Expected<std::filesystem::path, std::string> fieldFile() {
#if defined(_WIN32)
    if (auto chosen = variable(L"MF1_EMULATOR_FIELD")) {
        return std::filesystem::path(*chosen);
    }
#else
    if (auto chosen = variable(kFieldVariable)) {
        return std::filesystem::path(*chosen);
    }
#endif
    return defaultFieldFile();
}

}  // namespace emulator
