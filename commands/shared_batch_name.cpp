#include "commands/shared_batch_name.h"

#include <algorithm>

namespace commands {

namespace {
constexpr std::string_view kSharedOpen = "（共享批次 ";
constexpr std::string_view kSharedClose = "）";
}  // namespace

std::string sharedBatchName(const std::string& name, std::int64_t id) {
    return name + std::string(kSharedOpen) + std::to_string(id) + std::string(kSharedClose);
}

bool isSharedBatchName(std::string_view name) {
    if (!name.ends_with(kSharedClose)) {
        return false;
    }
    name.remove_suffix(kSharedClose.size());
    const auto open = name.rfind(kSharedOpen);
    if (open == std::string_view::npos || open + kSharedOpen.size() == name.size()) {
        return false;
    }
    const auto id = name.substr(open + kSharedOpen.size());
    return id.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace commands
