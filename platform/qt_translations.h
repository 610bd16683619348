#pragma once

#include <QString>

// Where Qt's own translations (its dialogs' buttons and texts) are on this system. One file per
// platform (qt_translations_posix.cpp, qt_translations_windows.cpp).
namespace platform {

// Call once the application object exists.
[[nodiscard]] QString qtTranslationsFolder();

}  // namespace platform
