#include "platform/user_folders.h"

namespace platform {

namespace {

constexpr const char* kProgramFolder = "zeld";

}  // namespace

const char* xdgVariable(FolderKind kind) {
    switch (kind) {
        case FolderKind::Data:
            return "XDG_DATA_HOME";
        case FolderKind::State:
            return "XDG_STATE_HOME";
        case FolderKind::Config:
            break;
    }
    return "XDG_CONFIG_HOME";
}

UserFolder xdgFolder(FolderKind kind, const std::optional<std::string>& xdgHome,
                     const std::optional<std::string>& home) {
    // A relative XDG variable is to be ignored, as the XDG base directory rules say.
    if (xdgHome && std::filesystem::path(*xdgHome).is_absolute()) {
        return std::filesystem::path(*xdgHome) / kProgramFolder;
    }
    if (home && !home->empty()) {
        if (kind == FolderKind::Config) {
            return std::filesystem::path(*home) / ".config" / kProgramFolder;
        }
        return std::filesystem::path(*home) / ".local" /
               (kind == FolderKind::Data ? "share" : "state") / kProgramFolder;
    }
    return util::Unexpected{FolderUnknown{{xdgVariable(kind), "HOME"}}};
}

}  // namespace platform
