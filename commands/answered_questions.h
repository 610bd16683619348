#pragma once

#include "commands/write_command.h"

#include <optional>
#include <vector>

namespace commands {

// The answers to a press's questions, for a window that asks without holding up its event loop:
// the press runs until its first question not yet answered, which is answered no for that run
// (nothing is written, nothing is recorded) and kept to be put to the operator. Once answered
// yes, the press runs again from the start, reading the tag again, and the same question is
// answered from here: an answer holds only for the question it was given to, so a tag swapped
// while the question waited asks anew.
class AnsweredQuestions {
public:
    // Answers what was answered yes; notes the first other question and answers it no.
    [[nodiscard]] Confirm confirm();
    // The question the last run stopped at, if any.
    [[nodiscard]] const std::optional<WriteQuestion>& unanswered() const noexcept {
        return unanswered_;
    }
    // The operator said yes to the unanswered question: the next run goes past it.
    void answerYes();
    // A new press: no answer holds for it.
    void clear();

private:
    std::vector<WriteQuestion> yes_;
    std::optional<WriteQuestion> unanswered_;
};

}  // namespace commands
