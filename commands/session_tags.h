#pragma once

#include "card/card_number.h"
#include "commands/write_command.h"

#include <cstddef>
#include <vector>

namespace commands {

// The tags written since the program started (本次第 N 张): tags, not writes. The read before a
// write tells a tag this session wrote already (it sends the number written onto it then, which
// the new number replaces), and that tag is not counted again.
class SessionTags {
public:
    // Counts the tag of a verified write.
    void count(const WriteOutcome& outcome);
    [[nodiscard]] std::size_t size() const noexcept { return numbers_.size(); }

private:
    std::vector<card::CardNumber> numbers_;  // the number on each tag, one for each tag
};

}  // namespace commands
