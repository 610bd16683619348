#include "platform/program_location.h"

#include <mach-o/dyld.h>

#include <cstdint>
#include <system_error>
#include <vector>

namespace platform {

util::Expected<std::filesystem::path, std::string> executableFolder() {
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> buffer(size + 1);
    if (_NSGetExecutablePath(buffer.data(), &size) != 0) {
        return util::Unexpected{std::string("_NSGetExecutablePath failed")};
    }
    std::error_code error;
    auto resolved = std::filesystem::canonical(buffer.data(), error);
    if (error) {
        return util::Unexpected{error.message()};
    }
    return resolved.parent_path();
}

std::string sharedLibraryFileName(std::string_view name) {
    return "lib" + std::string(name) + ".dylib";
}

}  // namespace platform
