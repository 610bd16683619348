#include "store/socket_wait.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#include <cerrno>
#endif

namespace store {

SocketWaited waitForSocket(int socket, SocketWaitFor what, std::chrono::milliseconds limit) {
    const long long milliseconds = limit.count() < 0 ? 0 : limit.count();
#ifdef _WIN32
    // select(), which every Windows has, for the one socket.
    fd_set watched;
    FD_ZERO(&watched);
    FD_SET(static_cast<SOCKET>(socket), &watched);
    fd_set failed = watched;
    timeval timeout{static_cast<long>(milliseconds / 1000),
                    static_cast<long>((milliseconds % 1000) * 1000)};
    const int ready =
        select(0, what == SocketWaitFor::Reading ? &watched : nullptr,
               what == SocketWaitFor::Writing ? &watched : nullptr, &failed, &timeout);
#else
    pollfd watched{socket, what == SocketWaitFor::Reading ? short{POLLIN} : short{POLLOUT}, 0};
    int ready = 0;
    do {
        ready = poll(&watched, 1, static_cast<int>(milliseconds));
    } while (ready < 0 && errno == EINTR);
#endif
    if (ready < 0) {
        return SocketWaited::Failed;
    }
    // An error or a hang-up is for libpq to read and tell.
    return ready == 0 ? SocketWaited::TimeUp : SocketWaited::Ready;
}

}  // namespace store
