#include "commands/journal_result.h"

#include "card/number_text.h"

#include <string>

namespace commands {

namespace {

// After a write the reader reported as failed whose tag was read back holding the number: the
// journal keeps the reader's status.
std::string reportedFailure(const WriteOutcome& outcome) {
    if (outcome.writeStatus == reader::kSuccess) {
        return {};
    }
    return "（读卡器报告写卡失败，状态 " + std::to_string(outcome.writeStatus) + "，读回无误）";
}

}  // namespace

std::string journalResult(const WriteOutcome& outcome) {
    using Result = WriteOutcome::Result;
    switch (outcome.result) {
        case Result::Written:
            return (outcome.request.lock ? "已写卡并保护" : "已写卡") + reportedFailure(outcome);
        case Result::WrittenNotLocked:
            if (outcome.fault) {
                return "已写卡，保护结果不明（读卡器库出错）" + reportedFailure(outcome);
            }
            return "已写卡，未能保护（状态 " + std::to_string(outcome.lockStatus) + "）" +
                   reportedFailure(outcome);
        case Result::NotWritten:
            return "写卡失败（状态 " + std::to_string(outcome.writeStatus) + "）";
        case Result::NotReadBack:
            return std::string(kUnsettledResult) + "：" +
                   (outcome.writeStatus != reader::kSuccess
                        ? "读卡器报告写卡失败（状态 " + std::to_string(outcome.writeStatus) + "），"
                        : std::string()) +
                   "写后读不到卡（状态 " + std::to_string(outcome.readBackStatus) + "）";
        case Result::WrongReadBack:
            // Ten hex digits in one piece, as in the journal's hex column.
            return "写后读回不符，卡上为 " + card::hexDigits(outcome.readBack);
        case Result::Swapped:
            // Another tag answered the read-back: the one taken away may hold the number.
            return std::string(kUnsettledResult) + "：写后读回不符，卡上为 " +
                   card::hexDigits(outcome.readBack);
        case Result::ReaderFault:
            return std::string(kUnsettledResult) + "：读卡器库出错";
        case Result::Declined:
        case Result::OutOfRange:
        case Result::ReaderUnavailable:
        case Result::NotStarted:
            break;
    }
    return {};
}

}  // namespace commands
