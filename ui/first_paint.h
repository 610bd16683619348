#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <utility>

namespace ui {

// Calls `then` once, right after the program's first paint: when the painting in progress, and
// its flush to the screen, have returned. For what the first sight of the window need not wait
// for. Not at all once `context`, if given, is gone.
inline void afterFirstPaint(QApplication& app, std::function<void()> then,
                            QObject* context = nullptr) {
    class Watch final : public QObject {
    public:
        Watch(QApplication& app, std::function<void()> then, QObject* context)
            : QObject(&app),
              app_(app),
              then_(std::move(then)),
              context_(context != nullptr ? context : &app) {}

        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                app_.removeEventFilter(this);
                if (context_ != nullptr) {
                    QTimer::singleShot(0, context_, std::move(then_));
                }
                deleteLater();
            }
            return QObject::eventFilter(watched, event);
        }

    private:
        QApplication& app_;
        std::function<void()> then_;
        QPointer<QObject> context_;
    };
    app.installEventFilter(new Watch(app, std::move(then), context));
}

// Start-up timed from outside, as a whole process: with ZELD_EXIT_AT_FIRST_PAINT set in the
// environment, the program ends at its first paint, so that the process's time and peak memory
// are those of its start. The bare window it is timed against (bench/) ends the same way. Of
// two calls waiting for the first paint, the one asked for last runs first.
inline void exitAtFirstPaintIfAsked(QApplication& app) {
    if (qEnvironmentVariableIsSet("ZELD_EXIT_AT_FIRST_PAINT")) {
        afterFirstPaint(app, [] { std::_Exit(EXIT_SUCCESS); });
    }
}

}  // namespace ui
