#include "platform/user_folders.h"

#include "platform/environment.h"

namespace platform {

namespace {

UserFolder fromEnvironment(FolderKind kind) {
    return xdgFolder(kind, environmentVariable(xdgVariable(kind)), environmentVariable("HOME"));
}

}  // namespace

UserFolder dataFolder() {
    return fromEnvironment(FolderKind::Data);
}

UserFolder stateFolder() {
    return fromEnvironment(FolderKind::State);
}

UserFolder configFolder() {
    return fromEnvironment(FolderKind::Config);
}

}  // namespace platform
