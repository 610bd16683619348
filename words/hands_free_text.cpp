#include "words/hands_free_text.h"

#include "card/number_text.h"
#include "commands/hands_free.h"
#include "words/bag_check_text.h"
#include "words/batch_text.h"
#include "words/outcome_text.h"

namespace words {

using commands::BatchWriting;

namespace {

const std::string kStopped = "自动写卡已停止：";

}  // namespace

std::string skippedNote(const std::optional<card::CardNumber>& number, card::Notation notation,
                        const std::optional<std::string>& writtenAt) {
    std::string note = skippedVerdict() + "：" +
                       (number ? checkedNumberText(*number, notation) : std::string("无号码")) +
                       "，已跳过";
    if (writtenAt) {
        note += "（" + readableTime(*writtenAt) + " 写过）";
    }
    return note;
}

std::string stoppedText(const commands::HandsFreeStop& stop) {
    using Why = commands::HandsFreeStop::Why;
    switch (stop.why) {
        case Why::ReadFailed:
            return kStopped + (stop.read ? describeRead(*stop.read, stop.inUse) : std::string());
        case Why::WriteFailed:
            return kStopped + (stop.write ? describeWrite(*stop.write, stop.inUse) : std::string());
        case Why::FailuresInARow:
            return kStopped + "连续 " + std::to_string(commands::kFailuresToStop) +
                   " 张卡没有写成，最后一张：" +
                   (stop.write ? describeWrite(*stop.write, stop.inUse) : std::string());
        case Why::Question:
            // The same question would come again for every tag: it is named, for the operator
            // to answer at the window.
            return kStopped + (stop.question ? questionWords(*stop.question).text : std::string());
        case Why::NotRecorded:
            return kStopped + (stop.write ? notRecordedText(*stop.write) : std::string());
        case Why::NoNumber:
            break;
    }
    return kStopped + std::string("本站的号段已写完，服务器连上后才有新号码");
}

std::string stepWords(const commands::HandsFreeStep& step, card::Notation notation) {
    switch (step.kind) {
        case commands::HandsFreeStep::Kind::Skipped:
            return skippedNote(step.number, notation, step.writtenAt);
        case commands::HandsFreeStep::Kind::Stopped:
            return step.stop ? stoppedText(*step.stop) : std::string();
        default:
            return {};
    }
}

std::string skippedVerdict() {
    return "此卡不是空白卡";
}

std::string handsFreeStopped(const BatchWriting& session) {
    return "自动写卡已停止；" + batchStatus(session);
}

std::string handsFreeLine(std::string_view what, const BatchWriting& session, bool goesOn) {
    if (!goesOn) {
        return std::string(what) + "；" + handsFreeStopped(session);
    }
    return "自动写卡中：" + std::string(what) + "；" + batchStatus(session);
}

std::string handsFreeWaiting(const std::optional<card::CardNumber>& blank,
                             card::Notation notation) {
    const std::string which = blank ? "发送 " + card::notationText(*blank, notation) + " 的卡"
                                    : std::string("不发号码的卡");
    return "请逐张放上空白卡（" + which + "），按任意键停止";
}

Question teachQuestion(const card::CardNumber& number, card::Notation notation) {
    // With its version byte: a tag that differs only there is not the blank taught.
    const std::string shown =
        card::fieldText(number, card::Field::B4) + " " + card::notationText(number, notation);
    return {"读卡器上的卡发送号码 " + shown + "。把发送 " + shown +
                " 的卡都当作空白卡，写入本批次的号码吗？",
            "当作空白卡", "不开启"};
}

}  // namespace words
