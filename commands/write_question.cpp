#include "commands/write_question.h"

namespace commands {

std::optional<WriteQuestion> overwriteQuestion(const card::CardNumber& number,
                                               card::Notation notation,
                                               const std::optional<std::string>& earlierWrite,
                                               const std::optional<card::CardNumber>& onTag,
                                               const std::optional<std::string>& onTagWritten) {
    const bool tagNumbered = onTag && onTagWritten;
    if (!earlierWrite && !tagNumbered) {
        return std::nullopt;
    }
    WriteQuestion question;
    question.number = number;
    question.notation = notation;
    if (earlierWrite) {
        question.earlierWrite = *earlierWrite;
    }
    if (tagNumbered) {
        question.onTag = *onTag;
        question.onTagWritten = *onTagWritten;
    }
    question.kind = !tagNumbered   ? WriteQuestion::Kind::WrittenBefore
                    : earlierWrite ? WriteQuestion::Kind::Both
                                   : WriteQuestion::Kind::TagNumbered;
    return question;
}

WriteQuestion sharedViewQuestion(const card::CardNumber& number, const SharedView& earlier) {
    WriteQuestion question;
    question.kind = WriteQuestion::Kind::SharedView;
    question.number = number;
    question.shared = earlier;
    return question;
}

}  // namespace commands
