#include "platform/end_requests.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <csignal>

namespace platform {

namespace {

// The pair's first end is written from the signal handler, the only thing a handler may safely
// do; the event loop reads the second.
std::array<int, 2> pipeEnds{-1, -1};

extern "C" void noteEndRequest(int /*signal*/) {
    const char byte = 1;
    static_cast<void>(::write(pipeEnds[0], &byte, 1));
}

}  // namespace

void onEndRequest(QObject* context, std::function<void()> end) {
    if (pipeEnds[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds.data()) != 0) {
        return;
    }
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    static_cast<void>(::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK));
    auto* notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [end = std::move(end)] {
        std::array<char, 16> drained{};
        static_cast<void>(::read(pipeEnds[1], drained.data(), drained.size()));
        end();
    });
    struct sigaction action {};
    action.sa_handler = noteEndRequest;  // NOLINT(*-union-access)
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT}) {
        static_cast<void>(::sigaction(signal, &action, nullptr));
    }
}

}  // namespace platform
