#include "ui/command_gate.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace ui {

CommandGate::CommandGate(QWidget* window, QList<QWidget*> buttons)
    : QObject(window), window_(window), buttons_(std::move(buttons)) {
    QCoreApplication::instance()->installEventFilter(this);
}

CommandGate::~CommandGate() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

int CommandGate::interval() {
    return QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

bool CommandGate::mayStart() const {
    return !busy_ && !(sinceEnd_.isValid() && sinceEnd_.elapsed() < interval());
}

void CommandGate::begin() {
    busy_ = true;
}

void CommandGate::end() {
    // Input the window system queued while the command held the event loop arrives now, and is
    // dropped: a click or key made while the window was busy starts nothing afterwards.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    busy_ = false;
    sinceEnd_.start();
}

void CommandGate::guardDialog(QWidget* dialog) {
    dialog_ = dialog;
    sinceDialog_.start();
}

bool CommandGate::isInput(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
    }
}

bool CommandGate::isPress(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
            return true;
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride: {
            const int key = dynamic_cast<const QKeyEvent&>(*event).key();
            return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter ||
                   key == Qt::Key_Select;
        }
        default:
            return false;
    }
}

bool CommandGate::isRepeatedPressKey(const QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease &&
        type != QEvent::ShortcutOverride) {
        return false;
    }
    const auto& key = dynamic_cast<const QKeyEvent&>(*event);
    if (key.key() != Qt::Key_Space && key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter &&
        key.key() != Qt::Key_Select) {
        return false;
    }
    if (key.isAutoRepeat()) {
        return true;
    }
    // A repeating key is let go and pressed again at the same instant; a person's second press
    // comes tens of milliseconds after the release at the least.
    constexpr unsigned long kSameInstantMs = 2;
    if (type == QEvent::KeyRelease) {
        lastReleasedKey_ = key.key();
        lastReleaseTime_ = key.timestamp();
        return false;
    }
    return key.key() == lastReleasedKey_ && key.timestamp() >= lastReleaseTime_ &&
           key.timestamp() - lastReleaseTime_ <= kSameInstantMs && key.timestamp() != 0;
}

void CommandGate::tellDropped(const QEvent* event) {
    bool pressed = false;
    switch (event->type()) {
        // The window system sends a press before the double-click, but the window may hand the
        // widget only the double-click: said once, whichever of them was dropped.
        case QEvent::MouseButtonDblClick:
            pressed = !pressTold_;
            pressTold_ = true;
            break;
        case QEvent::MouseButtonPress:
            pressed = true;
            pressTold_ = true;
            break;
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
            pressed = true;
            break;
        case QEvent::KeyPress: {
            const auto& key = dynamic_cast<const QKeyEvent&>(*event);
            switch (key.key()) {
                case Qt::Key_Shift:
                case Qt::Key_Control:
                case Qt::Key_Meta:
                case Qt::Key_Alt:
                case Qt::Key_AltGr:
                case Qt::Key_CapsLock:
                case Qt::Key_NumLock:
                    break;
                default:
                    pressed = !key.isAutoRepeat();
                    break;
            }
            break;
        }
        default:
            break;
    }
    if (pressed) {
        Q_EMIT pressDropped(busy_);
    }
}

bool CommandGate::startsCommand(QObject* watched, const QEvent* event) const {
    if (!isPress(event)) {
        return false;
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        const int key = dynamic_cast<const QKeyEvent&>(*event).key();
        return key != Qt::Key_Space || qobject_cast<QAbstractButton*>(watched) != nullptr;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget != nullptr && buttons_.contains(widget);
}

// The top-level widget an event goes to, whether it is addressed to a widget or, first, to the
// window-system window behind a top-level widget.
QWidget* CommandGate::topLevelOf(QObject* watched) const {
    if (auto* widget = qobject_cast<QWidget*>(watched)) {
        return widget->window();
    }
    if (watched->isWindowType()) {
        for (QWidget* candidate : {window_, dialog_.data()}) {
            if (candidate != nullptr && candidate->windowHandle() == watched) {
                return candidate;
            }
        }
    }
    return nullptr;
}

bool CommandGate::eventFilter(QObject* watched, QEvent* event) {
    if (!isInput(event)) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        pressTold_ = false;
    }
    QWidget* top = topLevelOf(watched);
    if (top == nullptr) {
        return false;
    }
    if (isRepeatedPressKey(event) && (top == window_ || top == dialog_)) {
        return true;
    }
    if (top == window_) {
        const bool tooSoon = sinceEnd_.isValid() && sinceEnd_.elapsed() < interval() &&
                             startsCommand(watched, event);
        if (busy_ || tooSoon) {
            tellDropped(event);
            return true;
        }
        return false;
    }
    if (top == dialog_ && isPress(event) && sinceDialog_.elapsed() < interval()) {
        tellDropped(event);
        return true;
    }
    return false;
}

}  // namespace ui
