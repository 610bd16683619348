#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

// A TCP port on 127.0.0.1 where connections are taken (the kernel completes them) and never
// answered: a server that hangs.
namespace testing_support {

class SilentListener {
public:
    SilentListener() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        auto* any = reinterpret_cast<sockaddr*>(&address);  // NOLINT: the socket API's own type
        if (socket_ < 0 || ::bind(socket_, any, length) != 0 || ::listen(socket_, 16) != 0 ||
            ::getsockname(socket_, any, &length) != 0) {
            throw std::runtime_error("no listening socket");
        }
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(socket_); }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    SilentListener(SilentListener&&) = delete;
    SilentListener& operator=(SilentListener&&) = delete;

    [[nodiscard]] int port() const noexcept { return port_; }

private:
    int socket_;
    int port_ = 0;
};

}  // namespace testing_support
