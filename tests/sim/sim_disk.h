#pragma once

#include "platform/durable_append.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>

namespace sim {

// The journals' disk: files in a folder in memory, written without the sync (it costs nothing
// there and a kill here keeps what was written), that can fill up or be killed during a line.
class SimDisk final : public platform::AppendMedium {
public:
    SimDisk() { platform::useAppendMedium(this); }
    ~SimDisk() override { platform::useAppendMedium(nullptr); }
    SimDisk(const SimDisk&) = delete;
    SimDisk& operator=(const SimDisk&) = delete;
    SimDisk(SimDisk&&) = delete;
    SimDisk& operator=(SimDisk&&) = delete;

    // The next `appends` appends in `folder` find the disk full: each writes the first
    // `tornBytes` bytes of its line (at most) and fails.
    void fill(const std::filesystem::path& folder, std::size_t appends, std::size_t tornBytes);
    // The program is killed during the next append in `folder`, after `bytes` of it are written.
    void killDuringNextAppend(const std::filesystem::path& folder, std::size_t bytes);
    // The step is over: trouble it did not meet does not wait for the next.
    void calm(const std::filesystem::path& folder) { troubles_.erase(folder.string()); }
    [[nodiscard]] std::size_t fullAppends() const noexcept { return failed_; }

    [[nodiscard]] std::error_code write(const std::filesystem::path& file, std::intptr_t native,
                                        std::string_view bytes) override;

private:
    struct Trouble {
        std::size_t fullFor = 0;
        std::size_t tornBytes = 0;
        bool kill = false;
        std::size_t killAfter = 0;
    };
    std::map<std::string, Trouble> troubles_;
    std::size_t failed_ = 0;
};

}  // namespace sim
