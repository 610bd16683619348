#pragma once

#include "card/card_number.h"
#include "commands/load_error_text.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "reader/reader_source.h"

#include <string>
#include <string_view>

// What the window tells the user after a command, in its own language (Simplified Chinese),
// as UTF-8.
namespace commands {

// "12 34 56 78 9A": the tag number B4..B0 in hexadecimal, the form other tag tools print, with
// no-break spaces.
[[nodiscard]] std::string hexText(const card::TagNumber& tag);

// A failed call's status is given as a number, and named in words too when `inUse` is the
// emulated reader, whose status codes are known.
[[nodiscard]] std::string describeRead(const ReadOutcome& outcome,
                                       const reader::ReaderInUse& inUse = {});
[[nodiscard]] std::string describeWrite(const WriteOutcome& outcome,
                                        const reader::ReaderInUse& inUse = {});

// The question before writing a number the journal holds as written at `when`.
[[nodiscard]] std::string duplicateQuestion(std::string_view when);
// The journal's result column for a write that reached MF_Write: starts with 已写卡 only when the
// tag was read back holding the number written.
[[nodiscard]] std::string journalResult(const WriteOutcome& outcome);

// The field's name as the window labels it, e.g. "版本或客户号".
[[nodiscard]] std::string fieldName(card::Field field);

}  // namespace commands
