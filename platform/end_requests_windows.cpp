#include "platform/end_requests.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace platform {

// Windows asks with WM_QUERYENDSESSION, which Qt hands on as commitDataRequest. The command runs
// on the window's thread, so the request is seen only once it has ended, or while it waits for an
// answer in a dialog; the window then closes once the command has ended.
void onEndRequest(QObject* context, std::function<void()> end) {
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, context,
                     [end = std::move(end)](QSessionManager& /*manager*/) { end(); });
}

}  // namespace platform
