#include "platform/file_io.h"

#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

}  // namespace

std::error_code writeAll(NativeFile file, std::string_view bytes) {
    const auto fd = static_cast<int>(file);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        done += static_cast<std::size_t>(count);
    }
    return {};
}

std::error_code flushToDisk(NativeFile file) {
    if (::fsync(static_cast<int>(file)) != 0) {
        return lastError();
    }
    return {};
}

}  // namespace platform
