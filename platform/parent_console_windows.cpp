#include "platform/parent_console.h"

#include "platform/windows_api.h"

#include <cstdio>

namespace platform {

namespace {

bool connected(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

}  // namespace

void useParentConsole() {
    const bool out = connected(STD_OUTPUT_HANDLE);
    const bool err = connected(STD_ERROR_HANDLE);
    if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    // The C runtime opened its streams before the console was there: reopen those that had
    // nowhere to go.
    FILE* ignored = nullptr;
    if (!out) {
        static_cast<void>(freopen_s(&ignored, "CONOUT$", "w", stdout));
    }
    if (!err) {
        static_cast<void>(freopen_s(&ignored, "CONOUT$", "w", stderr));
    }
}

}  // namespace platform
