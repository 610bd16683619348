#pragma once

#include <QObject>

#include <functional>

namespace platform {

// Calls `end` on `context`'s thread when the system asks the program to end: SIGTERM or SIGINT
// on POSIX, the end of the session on Windows. Not at once, as the signals' default would: the
// window closes once the running command (a write, say) has ended and is in the journal.
// One implementation per platform (end_requests_posix.cpp, end_requests_windows.cpp).
void onEndRequest(QObject* context, std::function<void()> end);

}  // namespace platform
