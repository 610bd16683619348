#include "commands/hands_free_text.h"

#include "card/number_text.h"
#include "commands/bag_check_text.h"
#include "commands/batch_text.h"
#include "commands/hands_free.h"
#include "commands/outcome_text.h"

namespace commands {

namespace {

const std::string kStopped = "自动写卡已停止：";

}  // namespace

std::string skippedNote(const std::optional<card::CardNumber>& number, card::Notation notation,
                        const std::optional<std::string>& writtenAt) {
    std::string note = "此卡不是空白卡：" +
                       (number ? checkedNumberText(*number, notation) : std::string("无号码")) +
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

std::string stoppedForNoNumber() {
    return kStopped + std::string("本站的号段已写完，服务器连上后才有新号码");
}

std::string stoppedByRead(const ReadOutcome& outcome, const reader::ReaderInUse& inUse) {
    return kStopped + describeRead(outcome, inUse);
}

std::string stoppedByWrite(const WriteOutcome& outcome, const reader::ReaderInUse& inUse) {
    return kStopped + describeWrite(outcome, inUse);
}

std::string handsFreeStopped(const BatchWriting& session) {
    return "自动写卡已停止；" + session.status();
}

std::string handsFreeLine(std::string_view what, const BatchWriting& session, bool goesOn) {
    if (!goesOn) {
        return std::string(what) + "；" + handsFreeStopped(session);
    }
    return "自动写卡中：" + std::string(what) + "；" + session.status();
}

std::string handsFreeWaiting(const std::optional<card::CardNumber>& blank,
                             card::Notation notation) {
    const std::string which = blank ? "发送 " + card::notationText(*blank, notation) + " 的卡"
                                    : std::string("不发号码的卡");
    return "请逐张放上空白卡（" + which + "），按任意键停止";
}

WriteQuestion teachQuestion(const card::CardNumber& number, card::Notation notation) {
    const std::string shown = card::notationText(number, notation);
    return {"读卡器上的卡发送号码 " + shown + "。把发送 " + shown +
                " 的卡都当作空白卡，写入本批次的号码吗？",
            "当作空白卡", "不开启"};
}

}  // namespace commands
