#include "journal/platform.h"

#include "platform/user_folders.h"

#include <utility>

namespace journal::platform {

util::Expected<std::filesystem::path, std::string> dataFolder() {
    auto folder = ::platform::dataFolder();
    if (folder) {
        return std::move(*folder);
    }
    const auto& unset = folder.error().unsetVariables;
    std::string names;
    for (const auto& name : unset) {
        names += (names.empty() ? "" : " 和 ") + name;
    }
    return util::Unexpected{"找不到用户数据目录（" + names +
                            (unset.size() > 1 ? " 均未设置）" : " 未设置）")};
}

}  // namespace journal::platform
