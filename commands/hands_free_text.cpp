#include "commands/hands_free_text.h"

#include "card/number_text.h"
#include "commands/hands_free.h"
#include "commands/outcome_text.h"

namespace commands {

namespace {

const std::string kStopped = "自动写卡已停止：";

}  // namespace

std::string skippedNote(const std::optional<card::CardNumber>& number, card::Notation notation,
                        const std::optional<std::string>& writtenAt) {
    std::string note = "此卡不是空白卡：" +
                       (number ? card::notationText(*number, notation) : std::string("无号码")) +
                       "，已跳过";
    if (writtenAt) {
        note += "（" + readableTime(*writtenAt) + " 写过）";
    }
    return note;
}

std::string stoppedAfterFailures(const WriteOutcome& last, const reader::ReaderInUse& inUse) {
    return kStopped + "连续 " + std::to_string(kFailuresToStop) + " 张卡没有写成，最后一张：" +
           describeWrite(last, inUse);
}

std::string stoppedByQuestion(const WriteQuestion& question) {
    return kStopped + question.text;
}

std::string stoppedByRead(const ReadOutcome& outcome, const reader::ReaderInUse& inUse) {
    return kStopped + describeRead(outcome, inUse);
}

std::string stoppedByWrite(const WriteOutcome& outcome, const reader::ReaderInUse& inUse) {
    return kStopped + describeWrite(outcome, inUse);
}

std::string noBlankToTeach() {
    return "读卡器上没有卡：放一张空白卡，再开启自动写卡";
}

}  // namespace commands
