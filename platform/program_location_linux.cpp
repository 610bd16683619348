#include "platform/program_location.h"

#include <system_error>

// Linux, and the other systems that show a process its executable at /proc/self/exe.
namespace platform {

util::Expected<std::filesystem::path, std::string> executableFolder() {
    std::error_code error;
    auto resolved = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return util::Unexpected{"/proc/self/exe: " + error.message()};
    }
    return resolved.parent_path();
}

std::string sharedLibraryFileName(std::string_view name) {
    return "lib" + std::string(name) + ".so";
}

}  // namespace platform
