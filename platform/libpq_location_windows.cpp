#include "platform/libpq_location.h"

#include "platform/program_location.h"

namespace platform {

// Shipped beside zeld.exe with the DLLs it needs; never taken from PATH.
std::vector<std::filesystem::path> libpqPlaces() {
    const auto folder = executableFolder();
    if (!folder) {
        return {};
    }
    return {*folder / "libpq.dll"};
}

}  // namespace platform
