#pragma once

#include "card/card_number.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "reader/reader_source.h"
#include "words/load_error_text.h"

#include <optional>
#include <string>
#include <string_view>

// What the window tells the user after a command, in its own language (Simplified Chinese),
// as UTF-8.
namespace words {

// "12 34 56 78 9A": the tag number B4..B0 in hexadecimal, the form other tag tools print, with
// no-break spaces.
[[nodiscard]] std::string hexText(const card::CardNumber& tag);

// Why the journal did not record a line: "磁盘已满" for a full disk, whatever the system's own
// code; otherwise the system's reason.
[[nodiscard]] std::string journalTroubleText(const commands::JournalTrouble& trouble);

// A verified write whose line the journal could not record, which stops writing until the
// operator acts: "磁盘已满：已写卡 0000001000 未记录；请腾出空间后继续". Space is asked for only
// when the disk is full.
[[nodiscard]] std::string notRecordedText(const commands::WriteOutcome& outcome);

// A failed call's status is given as a number, and named in words too when `inUse` is the
// emulated reader, whose status codes are known. In a batch (`batchNotation`) a tag read is
// named by its number in the batch's notation too: "已读卡 000 0000001004，十六进制 …".
[[nodiscard]] std::string describeRead(const commands::ReadOutcome& outcome,
                                       const reader::ReaderInUse& inUse = {},
                                       std::optional<card::Notation> batchNotation = {});
[[nodiscard]] std::string describeWrite(const commands::WriteOutcome& outcome,
                                        const reader::ReaderInUse& inUse = {});

// "2024-05-01 14:03": a journal time (ISO 8601 with its offset) as the user reads it, to the
// minute, in the local time it is given in.
[[nodiscard]] std::string readableTime(std::string_view when);

// How an outcome looks at a glance: done (the tag read, or written as asked), failed (the user
// must look again), a caution (nothing went wrong, but a tag was left alone that the operator
// should look at), or neither (nothing attempted, by choice).
enum class Tone { Done, Failed, Caution, Neutral };
[[nodiscard]] Tone toneOf(const commands::ReadOutcome& outcome);
[[nodiscard]] Tone toneOf(const commands::WriteOutcome& outcome);
// The outcome in a few words, kept beside later notes: "已写卡 0000001020", "未写卡".
[[nodiscard]] std::string verdict(const commands::ReadOutcome& outcome);
[[nodiscard]] std::string verdict(const commands::WriteOutcome& outcome);
// Said after a plain success (Tone::Done): the count of tags written since the program started
// ("，本次第 3 张").
[[nodiscard]] std::string sessionCount(int written);
// Said after an outcome when presses made during its command, its question or just after it
// were dropped ("；已忽略 2 次按键"): each of them pressed nothing.
[[nodiscard]] std::string droppedPresses(int count);

// What the journal of written tags says when the program starts: a write that was cut off (the
// program ended during it), the last tag written, and whether another copy of the program is
// open. Nothing when there is nothing to say.
struct JournalAtStart {
    struct Write {
        card::CardNumber number;
        std::string time;  // as the journal's time column has it
    };
    std::optional<Write> interrupted;
    std::optional<Write> last;
    bool anotherCopyOpen = false;
};
[[nodiscard]] std::optional<std::string> journalAtStart(const JournalAtStart& facts);

// The field's name as the window labels it, e.g. "版本或客户号".
[[nodiscard]] std::string fieldName(card::Field field);

}  // namespace words
