#include "platform/parent_console.h"

namespace platform {

// Elsewhere a program keeps the terminal it was started from.
void useParentConsole() {}

}  // namespace platform
