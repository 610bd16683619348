#pragma once

#include "card/card_number.h"
#include "commands/batch_writing.h"
#include "commands/hands_free.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "reader/reader_source.h"
#include "words/question_text.h"

#include <optional>
#include <string>
#include <string_view>

// What hands-free writing (自动写卡) tells the operator, in the window's language (Simplified
// Chinese), as UTF-8.
namespace words {

// A tag left unwritten: "此卡不是空白卡：000 0000001000，已跳过", the number whole (B4 and the
// ten-digit notation, and the eight-digit one in such a batch, as 核对 names tags; "无号码" for a
// tag that sends none), and when the journal holds it as written, when
// ("（2024-05-01 14:03 写过）").
[[nodiscard]] std::string skippedNote(const std::optional<card::CardNumber>& number,
                                      card::Notation notation,
                                      const std::optional<std::string>& writtenAt);

// Why hands-free writing stopped: "自动写卡已停止：..."
[[nodiscard]] std::string stoppedText(const commands::HandsFreeStop& stop);
// What a step that stopped hands-free writing, or skipped a tag, says (skippedNote, stoppedText);
// nothing for any other step.
[[nodiscard]] std::string stepWords(const commands::HandsFreeStep& step, card::Notation notation);
// The verdict of a skipped tag, its note's first words.
[[nodiscard]] std::string skippedVerdict();
// The status line while hands-free writing runs: "自动写卡中：<what>；<where the batch stands>";
// after the tag that ended it: "<what>；自动写卡已停止；<where the batch stands>".
[[nodiscard]] std::string handsFreeLine(std::string_view what,
                                        const commands::BatchWriting& session, bool goesOn = true);
// What it waits for once on: which tags it takes as blank, and how to stop it.
[[nodiscard]] std::string handsFreeWaiting(const std::optional<card::CardNumber>& blank,
                                           card::Notation notation);
// Stopped (by the operator, or the batch's end), with where the batch stands.
[[nodiscard]] std::string handsFreeStopped(const commands::BatchWriting& session);
// A tag at the reader that sends a number, about to be taken as this bag's blank: every tag
// sending it would be written. Default no.
[[nodiscard]] Question teachQuestion(const card::CardNumber& number, card::Notation notation);

}  // namespace words
