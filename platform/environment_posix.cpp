#include "platform/environment.h"

#include <cstdlib>
#include <utility>

namespace platform {

std::optional<std::string> environmentVariable(const char* name) {
    const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::filesystem::path> environmentPath(const char* name) {
    auto value = environmentVariable(name);
    if (!value) {
        return std::nullopt;
    }
    return std::filesystem::path(std::move(*value));
}

}  // namespace platform
