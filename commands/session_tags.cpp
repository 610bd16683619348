#include "commands/session_tags.h"

#include <algorithm>

namespace commands {

void SessionTags::count(const WriteOutcome& outcome) {
    if (!outcome.verified()) {
        return;
    }
    if (outcome.previousNumber) {
        const auto same = std::find(numbers_.begin(), numbers_.end(), *outcome.previousNumber);
        if (same != numbers_.end()) {
            *same = outcome.request.number;
            return;
        }
    }
    numbers_.push_back(outcome.request.number);
}

}  // namespace commands
