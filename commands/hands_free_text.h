#pragma once

#include "card/card_number.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "reader/reader_source.h"

#include <optional>
#include <string>

// What hands-free writing (自动写卡) tells the operator, in the window's language (Simplified
// Chinese), as UTF-8.
namespace commands {

// A tag left unwritten: "此卡不是空白卡：0000001000，已跳过", the number in the batch's notation
// ("无号码" for a tag that sends none), and when the journal holds it as written, when
// ("（2024-05-01 14:03 写过）").
[[nodiscard]] std::string skippedNote(const std::optional<card::CardNumber>& number,
                                      card::Notation notation,
                                      const std::optional<std::string>& writtenAt);

// Why hands-free writing stopped.
[[nodiscard]] std::string stoppedAfterFailures(const WriteOutcome& last,
                                               const reader::ReaderInUse& inUse);
// A question the write would ask, which hands-free answers no: it would ask it again each time.
[[nodiscard]] std::string stoppedByQuestion(const WriteQuestion& question);
// A read or a write that could not use the reader (not loaded, or its library failed).
[[nodiscard]] std::string stoppedByRead(const ReadOutcome& outcome,
                                        const reader::ReaderInUse& inUse);
[[nodiscard]] std::string stoppedByWrite(const WriteOutcome& outcome,
                                         const reader::ReaderInUse& inUse);

// Why no blank could be taught.
[[nodiscard]] std::string noBlankToTeach();

}  // namespace commands
