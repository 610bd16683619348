#include "platform/owned_file.h"

#include <utility>

namespace platform {

OwnedFile::OwnedFile(OwnedFile&& other) noexcept : handle_(std::exchange(other.handle_, kNone)) {}

OwnedFile& OwnedFile::operator=(OwnedFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, kNone);
    }
    return *this;
}

OwnedFile::~OwnedFile() {
    close();
}

NativeFile OwnedFile::release() noexcept {
    return std::exchange(handle_, kNone);
}

}  // namespace platform
