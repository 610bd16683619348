#pragma once

#include "commands/write_command.h"

#include <string>

namespace commands {

// The journal's result column for a write that reached MF_Write, as the journal's file has it
// (its readers take the state of a line from it): starts with 已写卡 only when the tag was read
// back holding the number written, and with kUnsettledResult when no one can tell.
[[nodiscard]] std::string journalResult(const WriteOutcome& outcome);

}  // namespace commands
