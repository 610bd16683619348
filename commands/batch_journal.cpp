#include "commands/batch_journal.h"

namespace commands {

std::uint64_t BatchRecord::verifiedCount() const noexcept {
    return verified.size();
}

std::uint64_t BatchRecord::nextPosition() const noexcept {
    std::uint64_t next = 0;
    for (const std::uint64_t position : verified) {
        if (position != next) {
            break;
        }
        ++next;
    }
    return next;
}

}  // namespace commands
