#include "sim_disk.h"

#include "killed.h"
#include "platform/file_io.h"

#include <algorithm>

namespace sim {

void SimDisk::fill(const std::filesystem::path& folder, std::size_t appends,
                   std::size_t tornBytes) {
    Trouble& trouble = troubles_[folder.string()];
    trouble.fullFor = appends;
    trouble.tornBytes = tornBytes;
}

void SimDisk::killDuringNextAppend(const std::filesystem::path& folder, std::size_t bytes) {
    Trouble& trouble = troubles_[folder.string()];
    trouble.kill = true;
    trouble.killAfter = bytes;
}

std::error_code SimDisk::write(const std::filesystem::path& file, std::intptr_t native,
                               std::string_view bytes) {
    const auto found = troubles_.find(file.parent_path().string());
    if (found == troubles_.end()) {
        return platform::writeAll(native, bytes);
    }
    Trouble& trouble = found->second;
    if (trouble.kill) {
        trouble.kill = false;
        static_cast<void>(
            platform::writeAll(native, bytes.substr(0, std::min(trouble.killAfter, bytes.size()))));
        throw Killed{};
    }
    if (trouble.fullFor > 0) {
        --trouble.fullFor;
        ++failed_;
        static_cast<void>(
            platform::writeAll(native, bytes.substr(0, std::min(trouble.tornBytes, bytes.size()))));
        return std::make_error_code(std::errc::no_space_on_device);
    }
    troubles_.erase(found);
    return platform::writeAll(native, bytes);
}

}  // namespace sim
