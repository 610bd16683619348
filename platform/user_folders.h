#pragma once

#include "util/expected.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The program's folders in the user's profile, from the environment as it is at each call.
//   Data folder:  $XDG_DATA_HOME/zeld (an absolute XDG_DATA_HOME), else ~/.local/share/zeld;
//                 %LOCALAPPDATA%\zeld on Windows.
//   Config folder: $XDG_CONFIG_HOME/zeld (an absolute XDG_CONFIG_HOME), else ~/.config/zeld;
//                 %LOCALAPPDATA%\zeld on Windows.
//   State folder: $XDG_STATE_HOME/zeld (an absolute XDG_STATE_HOME), else ~/.local/state/zeld;
//                 %LOCALAPPDATA%\zeld on Windows.
// When the folder cannot be told, the variables it is found from, so that each caller says in its
// own words what to set.
namespace platform {

struct FolderUnknown {
    std::vector<std::string> unsetVariables;  // in the order they are consulted

    friend bool operator==(const FolderUnknown&, const FolderUnknown&) = default;
};

using UserFolder = util::Expected<std::filesystem::path, FolderUnknown>;

[[nodiscard]] UserFolder dataFolder();
[[nodiscard]] UserFolder stateFolder();
[[nodiscard]] UserFolder configFolder();

// The XDG rule the POSIX systems follow, from the values of the kind's XDG variable and of HOME
// (nothing when unset): apart from the environment, so that a test can give it any values.
enum class FolderKind { Data, State, Config };
[[nodiscard]] UserFolder xdgFolder(FolderKind kind, const std::optional<std::string>& xdgHome,
                                   const std::optional<std::string>& home);
[[nodiscard]] const char* xdgVariable(FolderKind kind);

}  // namespace platform
