#include "platform/qt_translations.h"

#include <QLibraryInfo>

namespace platform {

// The system's Qt keeps them with its other files (Debian: qt6-translations-l10n).
QString qtTranslationsFolder() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

}  // namespace platform
