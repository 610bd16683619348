#pragma once

#include <QString>

#include <filesystem>

// A path Qt gives (a file dialog's answer) as the system names the file. One file per platform
// (local_path_posix.cpp, local_path_windows.cpp).
namespace platform {

[[nodiscard]] std::filesystem::path localPath(const QString& path);

}  // namespace platform
