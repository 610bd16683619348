#include "platform/file_lock.h"

#include <utility>

namespace platform {

FileLock::FileLock(FileLock&& other) noexcept
    : file_(std::move(other.file_)), locked_(std::exchange(other.locked_, false)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        unlock();
        file_ = std::move(other.file_);
        locked_ = std::exchange(other.locked_, false);
    }
    return *this;
}

FileLock::~FileLock() {
    unlock();
}

}  // namespace platform
