#pragma once

#include <chrono>

// Waits until a socket can be read or written, or a time comes: libpq's non-blocking calls leave
// the waiting to their caller.
namespace store {

enum class SocketWaitFor { Reading, Writing };
enum class SocketWaited { Ready, TimeUp, Failed };

[[nodiscard]] SocketWaited waitForSocket(int socket, SocketWaitFor what,
                                         std::chrono::milliseconds limit);

}  // namespace store
