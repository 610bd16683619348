#pragma once

#include <filesystem>
#include <vector>

// Where the PostgreSQL client library (libpq) is loaded from, for a station that joins a shared
// database. One file per platform (libpq_location_posix.cpp, libpq_location_windows.cpp).
namespace platform {

// The absolute paths to try, in this order: the system's own libpq on Linux, where the dynamic
// linker keeps it; libpq.dll beside the executable on Windows. Nothing is searched elsewhere.
[[nodiscard]] std::vector<std::filesystem::path> libpqPlaces();

}  // namespace platform
