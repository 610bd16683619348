#include "platform/libpq_location.h"

#include <algorithm>
#include <string>

// The folders the build found libpq in (pkg-config) and the system's own library folder of this
// architecture, as the build's CMake names them.
#ifndef ZELD_LIBPQ_DIRS
#define ZELD_LIBPQ_DIRS ""
#endif

namespace platform {

std::vector<std::filesystem::path> libpqPlaces() {
    std::vector<std::filesystem::path> places;
    const std::string baked = ZELD_LIBPQ_DIRS;
    std::size_t start = 0;
    while (start <= baked.size()) {
        const std::size_t end = std::min(baked.find(':', start), baked.size());
        const std::filesystem::path folder = baked.substr(start, end - start);
        if (folder.is_absolute()) {
            places.push_back(folder / "libpq.so.5");
        }
        start = end + 1;
    }
    for (const char* folder : {"/usr/lib64", "/usr/lib", "/usr/local/lib"}) {
        places.push_back(std::filesystem::path(folder) / "libpq.so.5");
    }
    return places;
}

}  // namespace platform
