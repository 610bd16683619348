#include "platform/local_path.h"

namespace platform {

// Windows names files in UTF-16, as QString holds them.
std::filesystem::path localPath(const QString& path) {
    return {path.toStdWString()};
}

}  // namespace platform
