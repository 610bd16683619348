#pragma once

#include "util/expected.h"

#include <filesystem>
#include <optional>
#include <string>

// Where the virtual field's file lives.
//   MF1_EMULATOR_FIELD, when set and not empty: that file.
//   Otherwise, on Windows: %LOCALAPPDATA%\zeld\emulated-field;
//   elsewhere: $XDG_STATE_HOME/zeld/emulated-field, or ~/.local/state/zeld/emulated-field when
//   XDG_STATE_HOME is unset or not an absolute path.
namespace emulator {

inline constexpr const char* kFieldVariable = "MF1_EMULATOR_FIELD";

struct ChosenFieldFile {
    std::filesystem::path path;
    // Named in MF1_EMULATOR_FIELD: its folder must exist already, so that a mistyped name is
    // refused rather than quietly given a new folder.
    bool named = false;
};

// The default file on this system, in the user's state folder (platform::stateFolder), from the
// environment as it is now.
[[nodiscard]] util::Expected<std::filesystem::path, std::string> defaultFieldFile();

// The file the library and the tool use now: MF1_EMULATOR_FIELD, read afresh on every call,
// or the default.
[[nodiscard]] util::Expected<ChosenFieldFile, std::string> fieldFile();

}  // namespace emulator
