#pragma once

#include "card/card_number.h"
#include "commands/batch_writing.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "reader/reader_source.h"

#include <optional>
#include <string>
#include <string_view>

// What hands-free writing (自动写卡) tells the operator, in the window's language (Simplified
// Chinese), as UTF-8.
namespace commands {

// A tag left unwritten: "此卡不是空白卡：000 0000001000，已跳过", the number whole (B4 and the
// ten-digit notation, and the eight-digit one in such a batch, as 核对 names tags; "无号码" for a
// tag that sends none), and when the journal holds it as written, when
// ("（2024-05-01 14:03 写过）").
[[nodiscard]] std::string skippedNote(const std::optional<card::CardNumber>& number,
                                      card::Notation notation,
                                      const std::optional<std::string>& writtenAt);

// Why hands-free writing stopped.
[[nodiscard]] std::string stoppedAfterFailures(const WriteOutcome& last,
                                               const reader::ReaderInUse& inUse);
// A question the write would ask, which hands-free answers no: it would ask it again each time.
[[nodiscard]] std::string stoppedByQuestion(const WriteQuestion& question);
// A station of a shared batch with no number to write until the server is back.
[[nodiscard]] std::string stoppedForNoNumber();
// A read or a write that could not use the reader (not loaded, or its library failed).
[[nodiscard]] std::string stoppedByRead(const ReadOutcome& outcome,
                                        const reader::ReaderInUse& inUse);
[[nodiscard]] std::string stoppedByWrite(const WriteOutcome& outcome,
                                         const reader::ReaderInUse& inUse);

// The status line while hands-free writing runs: "自动写卡中：<what>；<where the batch stands>";
// after the tag that ended it: "<what>；自动写卡已停止；<where the batch stands>".
[[nodiscard]] std::string handsFreeLine(std::string_view what, const BatchWriting& session,
                                        bool goesOn = true);
// What it waits for once on: which tags it takes as blank, and how to stop it.
[[nodiscard]] std::string handsFreeWaiting(const std::optional<card::CardNumber>& blank,
                                           card::Notation notation);
// Stopped (by the operator, or the batch's end), with where the batch stands.
[[nodiscard]] std::string handsFreeStopped(const BatchWriting& session);
// A tag at the reader that sends a number, about to be taken as this bag's blank: every tag
// sending it would be written. Default no.
[[nodiscard]] WriteQuestion teachQuestion(const card::CardNumber& number, card::Notation notation);

}  // namespace commands
