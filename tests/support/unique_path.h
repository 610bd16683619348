#pragma once

#include <atomic>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace testing_support {

inline long processId() {
#if defined(_WIN32)
    return static_cast<long>(_getpid());
#else
    return static_cast<long>(getpid());
#endif
}

// A path under the system's temporary folder that no other test, thread or process uses:
// `prefix`, the process, a count within it and a random number.
inline std::filesystem::path uniqueTemporaryPath(std::string_view prefix) {
    static std::atomic<unsigned> instances{0};
    std::random_device random;
    return std::filesystem::temp_directory_path() /
           (std::string(prefix) + std::to_string(processId()) + "-" + std::to_string(instances++) +
            "-" + std::to_string(random()));
}

}  // namespace testing_support
