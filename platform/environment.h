#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Environment variables as the process sees them at the moment of the call (a test may change
// them at run time); nothing when a variable is unset or empty.
namespace platform {

// The value as text: UTF-8 on Windows, the bytes as they are elsewhere.
[[nodiscard]] std::optional<std::string> environmentVariable(const char* name);

// A variable that holds a path, in the system's own encoding of paths.
[[nodiscard]] std::optional<std::filesystem::path> environmentPath(const char* name);

}  // namespace platform
