#include "platform/narrow_path.h"

namespace platform {

std::string narrowFolderName(const std::filesystem::path& folder) {
    return folder.string();
}

}  // namespace platform
