#include "words/question_text.h"

#include "card/number_text.h"
#include "words/batch_text.h"
#include "words/outcome_text.h"

namespace words {

namespace {

using Kind = commands::WriteQuestion::Kind;

Question sharedViewWords(const commands::WriteQuestion& question) {
    const commands::SharedView& earlier = question.shared;
    const std::string view = viewName(earlier.view);
    const std::string earlierTag =
        card::fieldText(earlier.number, card::Field::B4) + " " + card::tenDigitText(earlier.number);
    // The new tag's whole number beside its view, in the shape the earlier one is named in: the
    // two differ only where the view does not look.
    const std::string newTag = card::fieldText(question.number, card::Field::B4) + " " +
                               card::tenDigitText(question.number);
    return Question{view + " " + card::notationText(question.number, earlier.view) + "（" + newTag +
                        "）已写在 " + earlierTag + " 上：按" + view +
                        "读卡的门禁会把两张卡当成一张",
                    "仍要写入", "不写入"};
}

}  // namespace

Question questionWords(const commands::WriteQuestion& question) {
    if (question.kind == Kind::SharedView) {
        return sharedViewWords(question);
    }
    // The numbers as the user entered them: in the notation of the fields in use.
    const std::string next = card::notationText(question.number, question.notation);
    const std::string again =
        question.kind == Kind::TagNumbered ? std::string()
        : question.earlierUnknown
            ? next + " 上次写卡结果不明（" + readableTime(question.earlierWrite) + "）"
            : next + " 已于 " + readableTime(question.earlierWrite) + " 写过";
    if (question.kind == Kind::WrittenBefore) {
        return Question{again + "，仍要写入吗？", "仍要写入", "不写入"};
    }
    const std::string onTag = "此卡已是 " + card::notationText(question.onTag, question.notation) +
                              "（" + readableTime(question.onTagWritten) + " 写入）";
    if (question.kind == Kind::TagNumbered) {
        return Question{onTag + "，改写为 " + next + " 吗？", "改写", "不改写"};
    }
    // Two facts: each its own sentence, and the question, which both answers answer, last.
    return Question{onTag + "。" + again + "。仍要改写为 " + next + " 吗？", "仍要改写", "不改写"};
}

}  // namespace words
