#include "words/outcome_text.h"

#include "words/question_text.h"

#include "card/number_text.h"
#include "words/foreign_words.h"
#include "words/reader_words.h"

#include <cstddef>
#include <optional>
#include <string>

namespace words {

using commands::ReadOutcome;
using commands::WriteOutcome;

namespace {

// U+00A0 in UTF-8: the status line never breaks a number across its two lines.
constexpr const char* kNoBreakSpace = "\xC2\xA0";

}  // namespace

std::string hexText(const card::CardNumber& tag) {
    return card::hexBytes(tag, kNoBreakSpace);
}

std::string journalTroubleText(const commands::JournalTrouble& trouble) {
    if (trouble.kind == commands::JournalTrouble::Kind::DiskFull) {
        return "磁盘已满";
    }
    return foreignWords(trouble.systemReason);
}

std::string notRecordedText(const WriteOutcome& outcome) {
    const bool full = outcome.journalError &&
                      outcome.journalError->kind == commands::JournalTrouble::Kind::DiskFull;
    return (outcome.journalError ? journalTroubleText(*outcome.journalError) : std::string()) +
           "：已写卡 " + card::tenDigitText(outcome.request.number) + " 未记录；" +
           (full ? "请腾出空间后继续" : "请排除后继续");
}

namespace {

// "读卡器库在 MF_Write 中出错（...）": the library's own words, cut short (at a character's
// start) since they come from outside and may be long.
std::string describeFault(const std::optional<reader::CallFault>& fault) {
    if (!fault) {
        return "读卡器库出错";
    }
    return "读卡器库在 " + fault->entryPoint + " 中出错（" + foreignWords(fault->detail) + "）";
}

}  // namespace

std::string describeRead(const ReadOutcome& outcome, const reader::ReaderInUse& inUse,
                         std::optional<card::Notation> batchNotation) {
    switch (outcome.result) {
        case ReadOutcome::Result::Read: {
            // In a batch the fields keep the batch's next number: the tag's own is said here.
            const std::string head =
                (batchNotation ? "已读卡 " + card::fieldText(outcome.tag, card::Field::B4) + " " +
                                     card::notationText(outcome.tag, *batchNotation) + "，"
                               : std::string("已读卡，")) +
                "十六进制 " + hexText(outcome.tag);
            if (outcome.journalError) {
                return head + "；未记录：" + journalTroubleText(*outcome.journalError);
            }
            if (outcome.settledWrite) {
                return head + "；上次结果不明的写卡已核对";
            }
            return head;
        }
        case ReadOutcome::Result::NoTag:
            return "未读到卡" + failureDetail(outcome.status, inUse) +
                   (commands::tagAtTheReader(outcome.status, inUse) ? "" : "，请将卡放在读卡器上");
        case ReadOutcome::Result::ReaderFault:
            return describeFault(outcome.fault);
        case ReadOutcome::Result::ReaderUnavailable:
            break;
    }
    return outcome.loadError ? describeLoadError(*outcome.loadError) : "读卡器库不可用";
}

std::string fieldName(card::Field field) {
    switch (field) {
        case card::Field::B4:
            return "版本或客户号";
        case card::Field::B3B0:
            return "前十位号";
        case card::Field::B2:
            return "后八位号的前三位";
        case card::Field::B1B0:
            return "后八位号的后五位";
    }
    return {};
}

namespace {

// "0316049323 / 214,34731 / 00 12 D6 87 AB": the number in both notations and in hex.
std::string numberInAllForms(const card::CardNumber& tag) {
    return card::bothNotations(tag) + " / " + hexText(tag);
}

}  // namespace

namespace {

// What was not done after a write that did not count (a lock is never asked for then).
std::string leftUndone(const WriteOutcome& outcome) {
    return outcome.request.advance ? "，号码未加一" : "";
}

// Said after the outcome when the journal could not take the write's line, or could not be
// asked about the numbers before it.
std::string journalTrouble(const WriteOutcome& outcome) {
    std::string text;
    if (outcome.journalUnavailable) {
        text += "；未查重号：" + foreignWords(*outcome.journalUnavailable);
    }
    if (outcome.journalError) {
        text += "；未记录：" + journalTroubleText(*outcome.journalError);
    }
    return text;
}

}  // namespace

std::string readableTime(std::string_view when) {
    // "YYYY-MM-DDTHH:MM" first; anything else is shown as it stands.
    constexpr std::size_t kToTheMinute = 16;
    if (when.size() < kToTheMinute || when[10] != 'T') {
        return std::string(when);
    }
    std::string text(when.substr(0, kToTheMinute));
    text[10] = ' ';
    return text;
}

namespace {

// The number as the user entered it: in the notation of the fields in use.
std::string asEntered(const card::CardNumber& number, card::Notation notation) {
    return card::notationText(number, notation);
}

}  // namespace

namespace {

// After a write the reader reported as failed whose tag was read back holding the number; the
// status line leaves the status to the journal.
std::string reportedFailure(const WriteOutcome& outcome) {
    return outcome.writeStatus == reader::kSuccess ? std::string()
                                                   : "（读卡器报告写卡失败，读回无误）";
}

}  // namespace

std::string describeWrite(const WriteOutcome& outcome, const reader::ReaderInUse& inUse) {
    using Result = WriteOutcome::Result;
    switch (outcome.result) {
        case Result::Written:
            // The verdict first: a long line is cut at its end in the status line.
            // With trouble to tell, the number in its two notations leaves it the room.
            // The reader's reported failure only when nothing weightier needs the room: the
            // journal keeps it.
            if (outcome.journalError || outcome.journalUnavailable || outcome.fault) {
                return (outcome.request.lock ? "已写卡并保护 " : "已写卡 ") +
                       card::bothNotations(outcome.request.number) + journalTrouble(outcome) +
                       (outcome.fault ? "；随后读卡器库出错" : "");
            }
            if (outcome.writeStatus != reader::kSuccess) {
                return (outcome.request.lock ? "已写卡并保护 " : "已写卡 ") +
                       card::bothNotations(outcome.request.number) + reportedFailure(outcome);
            }
            return (outcome.request.lock ? "已写卡并保护 " : "已写卡 ") +
                   numberInAllForms(outcome.request.number);
        case Result::WrittenNotLocked:
            if (outcome.fault) {
                return "已写卡 " + card::bothNotations(outcome.request.number) +
                       "，保护结果不明（读卡器库出错）" + journalTrouble(outcome);
            }
            return "已写卡 " + card::bothNotations(outcome.request.number) + "，未能保护" +
                   failureDetail(outcome.lockStatus, inUse) + journalTrouble(outcome);
        case Result::NotWritten:
            return "未写卡" + failureDetail(outcome.writeStatus, inUse) + leftUndone(outcome) +
                   journalTrouble(outcome);
        case Result::NotStarted:
            return "未写卡" + journalTrouble(outcome);
        case Result::NotReadBack:
            // The tag may hold the number: the next one must not get it unnoticed.
            // The reader's own report of the write is left to the journal, and the number not
            // advanced to the field: the room goes to what the operator must do.
            return std::string(commands::kUnsettledResult) + "：未读回" +
                   failureDetail(outcome.readBackStatus, inUse) + "，请重读或搁置" +
                   journalTrouble(outcome);
        case Result::WrongReadBack:
            // In hex: the tag may differ in its version or customer byte alone.
            return "未写卡：读回 " + hexText(outcome.readBack) + "，不是 " +
                   hexText(outcome.request.number) + journalTrouble(outcome);
        case Result::Swapped:
            // The number may be on the tag just taken away: only that tag, read, tells.
            return std::string(commands::kUnsettledResult) + "：读回 " + hexText(outcome.readBack) +
                   "；请把刚取下的卡放回核对" + journalTrouble(outcome);
        case Result::Declined:
            if (outcome.declined &&
                outcome.declined->kind == commands::WriteQuestion::Kind::SharedView) {
                return "未写卡：" + questionWords(*outcome.declined).text;
            }
            if (outcome.previousWrite && outcome.previousNumber) {
                return "未写卡：此卡已是 " + numberInAllForms(*outcome.previousNumber);
            }
            if (outcome.declined && outcome.declined->earlierUnknown) {
                return "未写卡：" + asEntered(outcome.request.number, outcome.request.notation) +
                       " 上次写卡结果不明（" + readableTime(outcome.earlierWrite.value_or("")) +
                       "）";
            }
            return "未写卡：" + asEntered(outcome.request.number, outcome.request.notation) +
                   " 已于 " + readableTime(outcome.earlierWrite.value_or("")) + " 写过";
        case Result::OutOfRange: {
            const card::Field field = outcome.invalidField.value_or(card::Field::B4);
            return fieldName(field) + "无效（须为 " + std::string(card::fieldRangeLabel(field)) +
                   " 的整数），未写卡";
        }
        case Result::ReaderFault:
            return describeFault(outcome.fault) + "：写卡结果不明" +
                   (outcome.advanced() ? "，号码已加一" : "");
        case Result::ReaderUnavailable:
            break;
    }
    return outcome.loadError ? describeLoadError(*outcome.loadError) : "读卡器库不可用";
}

Tone toneOf(const ReadOutcome& outcome) {
    // A settlement the journal could not take is something to look into, as for a write.
    return outcome.result == ReadOutcome::Result::Read && !outcome.journalError ? Tone::Done
                                                                                : Tone::Failed;
}

Tone toneOf(const WriteOutcome& outcome) {
    switch (outcome.result) {
        case WriteOutcome::Result::Written:
            // Written, but something after it to look into: not a plain success.
            return outcome.journalError || outcome.fault ? Tone::Failed : Tone::Done;
        case WriteOutcome::Result::Declined:
            return Tone::Neutral;
        default:
            return Tone::Failed;
    }
}

std::string verdict(const ReadOutcome& outcome) {
    return outcome.result == ReadOutcome::Result::Read ? "已读卡 " + card::tenDigitText(outcome.tag)
                                                       : std::string("未读到卡");
}

std::string verdict(const WriteOutcome& outcome) {
    switch (outcome.result) {
        case WriteOutcome::Result::Written:
            return (outcome.request.lock ? "已写卡并保护 " : "已写卡 ") +
                   asEntered(outcome.request.number, outcome.request.notation);
        case WriteOutcome::Result::WrittenNotLocked:
            return "已写卡，未能保护 " +
                   asEntered(outcome.request.number, outcome.request.notation);
        case WriteOutcome::Result::ReaderFault:
        case WriteOutcome::Result::NotReadBack:
        case WriteOutcome::Result::Swapped:
            return "写卡结果不明";
        default:
            return "未写卡";
    }
}

std::optional<std::string> journalAtStart(const JournalAtStart& facts) {
    std::string text;
    if (facts.interrupted) {
        text = "上次写卡被中断：" + card::tenDigitText(facts.interrupted->number) +
               " 结果不明，请读卡核对";
    } else if (facts.last) {
        text = "上次写卡 " + card::tenDigitText(facts.last->number) + "，" +
               readableTime(facts.last->time);
    }
    if (facts.anotherCopyOpen) {
        text += std::string(text.empty() ? "" : "；") + "另一个 Zeld V3 窗口已打开";
    }
    return text.empty() ? std::nullopt : std::optional(text);
}

std::string sessionCount(int written) {
    return "，本次第 " + std::to_string(written) + " 张";
}

std::string droppedPresses(int count) {
    return "；已忽略 " + std::to_string(count) + " 次按键";
}

}  // namespace words
