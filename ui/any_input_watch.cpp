#include "ui/any_input_watch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace ui {

namespace {

bool isModifier(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
            return true;
        default:
            return false;
    }
}

}  // namespace

AnyInputWatch::AnyInputWatch(QWidget* window) : QObject(window), window_(window) {}

AnyInputWatch::~AnyInputWatch() {
    setWatching(false);
}

void AnyInputWatch::setWatching(bool on) {
    if (on == watching_) {
        return;
    }
    watching_ = on;
    // Installed last, it sees the input before any other filter does.
    if (on) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
}

bool AnyInputWatch::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool key = (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) &&
                     !isModifier(dynamic_cast<const QKeyEvent&>(*event).key());
    const bool press =
        key || type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!press || widget == nullptr) {
        return false;
    }
    const QWidget* top = widget->window();
    if (top != window_ && (top == nullptr || top->parentWidget() == nullptr ||
                           top->parentWidget()->window() != window_)) {
        return false;
    }
    if (type == QEvent::ShortcutOverride) {
        // Taken from the window's shortcuts (Ctrl+B, a mnemonic): the key press itself comes
        // next, and is the touch.
        event->accept();
        return true;
    }
    Q_EMIT touched();
    return true;
}

}  // namespace ui
