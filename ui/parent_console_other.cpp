#include "ui/parent_console.h"

namespace ui {

// Elsewhere a program keeps the terminal it was started from.
void useParentConsole() {}

}  // namespace ui
