#include "commands/shared_text.h"

namespace commands {

std::string offlineWords(std::uint64_t writable) {
    return "离线：本站还可写 " + std::to_string(writable) + " 张";
}

std::string sharedBatchName(const std::string& name, std::int64_t id) {
    return name + "（共享批次 " + std::to_string(id) + "）";
}

}  // namespace commands
