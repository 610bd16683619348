#pragma once

class QObject;
class QTranslator;

namespace ui {

// Installs Qt's Simplified Chinese for Qt's own dialogs (the file dialog, a standard button's
// 是 and 否), owned by `owner`. Always Chinese, whatever the system's language: every text of
// the window is Chinese, and a dialog of it in another language would read as someone else's.
// The installed translator, or nullptr where Qt's translations are not to be found: the dialogs
// then stay in Qt's English, and nothing else changes.
QTranslator* installQtTranslation(QObject* owner);

}  // namespace ui
