#include "platform/user_folders.h"

#include "platform/environment.h"

namespace platform {

namespace {

// Data, state and settings alike: the folder of the profile that stays on this machine.
UserFolder localAppData() {
    const auto folder = environmentPath("LOCALAPPDATA");
    if (!folder) {
        return util::Unexpected{FolderUnknown{{"LOCALAPPDATA"}}};
    }
    return *folder / L"zeld";
}

}  // namespace

UserFolder dataFolder() {
    return localAppData();
}

UserFolder stateFolder() {
    return localAppData();
}

UserFolder configFolder() {
    return localAppData();
}

}  // namespace platform
