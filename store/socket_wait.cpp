#include "store/socket_wait.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#include <cerrno>
#endif

namespace store {

SocketWaited waitForSocket(int socket, SocketWaitFor what, std::chrono::milliseconds limit) {
    const short events = what == SocketWaitFor::Reading ? POLLIN : POLLOUT;
    const int timeout = static_cast<int>(limit.count() < 0 ? 0 : limit.count());
#ifdef _WIN32
    WSAPOLLFD watched{static_cast<SOCKET>(socket), events, 0};
    const int ready = WSAPoll(&watched, 1, timeout);
#else
    pollfd watched{socket, events, 0};
    int ready = 0;
    do {
        ready = poll(&watched, 1, timeout);
    } while (ready < 0 && errno == EINTR);
#endif
    if (ready < 0) {
        return SocketWaited::Failed;
    }
    // An error or a hang-up is for libpq to read and tell.
    return ready == 0 ? SocketWaited::TimeUp : SocketWaited::Ready;
}

}  // namespace store
