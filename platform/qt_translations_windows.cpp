#include "platform/qt_translations.h"

#include <QCoreApplication>

namespace platform {

// The program carries its own Qt, and Qt's translations in a folder beside it: the path built
// into Qt names the machine Qt was built on.
QString qtTranslationsFolder() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
}

}  // namespace platform
