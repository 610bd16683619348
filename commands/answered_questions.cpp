#include "commands/answered_questions.h"

#include <algorithm>
#include <utility>

namespace commands {

Confirm AnsweredQuestions::confirm() {
    unanswered_.reset();
    return [this](const WriteQuestion& question) {
        if (std::find(yes_.begin(), yes_.end(), question) != yes_.end()) {
            return true;
        }
        if (!unanswered_) {
            unanswered_ = question;
        }
        return false;
    };
}

void AnsweredQuestions::answerYes() {
    if (unanswered_) {
        yes_.push_back(*std::exchange(unanswered_, std::nullopt));
    }
}

void AnsweredQuestions::clear() {
    yes_.clear();
    unanswered_.reset();
}

}  // namespace commands
