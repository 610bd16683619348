#include "ui/qt_translation.h"

#include "platform/qt_translations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace ui {

QTranslator* installQtTranslation(QObject* owner) {
    auto* translator = new QTranslator(owner);
    // qtbase alone: the dialogs the program opens are all Qt Widgets'.
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), platform::qtTranslationsFolder()) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace ui
