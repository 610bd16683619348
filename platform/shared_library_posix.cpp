#include "platform/shared_library.h"

#include <dlfcn.h>

namespace platform {

util::Expected<SharedLibrary, std::string> SharedLibrary::open(const std::filesystem::path& path) {
    // A path with a slash in it is opened as it stands: dlopen searches nothing.
    if (!path.is_absolute()) {
        return util::Unexpected{std::string("not an absolute path")};
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        // The library is only ever loaded from the window's one thread.
        const char* reason = dlerror();  // NOLINT(concurrency-mt-unsafe)
        return util::Unexpected{std::string(reason != nullptr ? reason : "unknown dlopen error")};
    }
    return SharedLibrary(handle);
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    dlerror();  // NOLINT(concurrency-mt-unsafe): see open()
    return dlsym(handle_, name);
}

void SharedLibrary::close() noexcept {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

}  // namespace platform
