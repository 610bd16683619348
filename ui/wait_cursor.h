#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace ui {

// A wait cursor while the window's thread works on something the operator waits for (a file
// written, a call to the shared database), restored however the work ends.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    WaitCursor(WaitCursor&&) = delete;
    WaitCursor& operator=(WaitCursor&&) = delete;
};

}  // namespace ui
