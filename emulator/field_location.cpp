#include "emulator/field_location.h"

#include "emulator/environment.h"

#include <utility>

namespace emulator {

namespace {

const std::filesystem::path kRelativeFile = std::filesystem::path("zeld") / "emulated-field";

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
    const auto localAppData = environmentPath("LOCALAPPDATA");
    if (!localAppData) {
        return util::Unexpected{std::string(
            "no place for the field file: LOCALAPPDATA is not set (set MF1_EMULATOR_FIELD to a "
            "file)")};
    }
    return *localAppData / kRelativeFile;
#else
    return posixDefaultFieldFile(environmentVariable("XDG_STATE_HOME"),
                                 environmentVariable("HOME"));
#endif
}

util::Expected<ChosenFieldFile, std::string> fieldFile() {
    if (auto named = environmentPath(kFieldVariable)) {
        return ChosenFieldFile{std::move(*named), true};
    }
    auto file = defaultFieldFile();
    if (!file) {
        return util::Unexpected{file.error()};
    }
    return ChosenFieldFile{std::move(*file), false};
}

}  // namespace emulator
