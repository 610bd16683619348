#include "platform/local_path.h"

#include <QFile>

namespace platform {

// The bytes of the name in the encoding of file names Qt was started with.
std::filesystem::path localPath(const QString& path) {
    return {QFile::encodeName(path).toStdString()};
}

}  // namespace platform
