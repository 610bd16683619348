#pragma once

#include "card/number_text.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "commands/write_journal.h"
#include "words/question_text.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// The window's inputs as plain data, starting from the window's start values, and its two
// buttons as the window has them: a read shows what the reader replied in the fields, a write
// takes the fields as its form and moves the number on as its outcome says.
struct FakeWindow {
    std::map<card::Field, std::string> texts{{card::Field::B4, "000"},
                                             {card::Field::B3B0, "0000000001"},
                                             {card::Field::B2, "000"},
                                             {card::Field::B1B0, "00001"}};
    bool wg34 = true;
    bool em4305 = false;
    bool add1 = false;
    bool lock = false;
    std::vector<card::Field> setOrder;   // fields in the order they were set
    bool answer = false;                 // the answer to every question
    std::vector<std::string> questions;  // the questions asked, in order
    std::vector<std::string> answers;    // their two answers, "yes/no"

    [[nodiscard]] commands::WriteForm form() const {
        commands::WriteForm form;
        for (const auto& [field, text] : texts) {
            commands::textOf(form.texts, field) = text;
        }
        form.chip = em4305 ? reader::TagChip::EM4305 : reader::TagChip::T5577;
        form.notation = wg34 ? card::Notation::WG34 : card::Notation::WG26;
        form.lock = lock;
        form.advance = add1;
        return form;
    }
    void set(card::Field field, std::string text) {
        texts[field] = std::move(text);
        setOrder.push_back(field);
    }
    [[nodiscard]] commands::Confirm confirm() {
        return [this](const commands::WriteQuestion& asked) {
            const words::Question question = words::questionWords(asked);
            questions.push_back(question.text);
            answers.push_back(question.yes + "/" + question.no);
            return answer;
        };
    }
};

// A journal that holds nothing and records nothing: no question is ever asked.
class NoJournal final : public commands::WriteJournal {
public:
    [[nodiscard]] std::optional<std::string> lastVerifiedWrite(
        const card::CardNumber& /*number*/) const override {
        return std::nullopt;
    }
    [[nodiscard]] std::optional<commands::JournalTrouble> append(
        const commands::JournalEntry& /*entry*/) override {
        return std::nullopt;
    }
};

inline commands::ReadOutcome pressRead(FakeWindow& window, reader::ReaderSource& source) {
    const auto outcome = commands::readTag(source);
    if (const auto shown = commands::fieldTextsAfter(outcome)) {
        for (const card::Field field :
             {card::Field::B4, card::Field::B3B0, card::Field::B2, card::Field::B1B0}) {
            window.set(field, commands::textOf(*shown, field));
        }
    }
    return outcome;
}

inline commands::WriteOutcome pressWrite(FakeWindow& window, reader::ReaderSource& source,
                                         commands::WriteJournal& journal) {
    const auto outcome = commands::writeTag(window.form(), source, journal, window.confirm());
    if (const auto next = commands::numberAfter(outcome)) {
        const card::Field counting = card::countingField(outcome.request.notation);
        window.set(counting, card::fieldText(*next, counting));
    }
    return outcome;
}

// With no journal: nothing asked, nothing recorded.
inline commands::WriteOutcome pressWrite(FakeWindow& window, reader::ReaderSource& source) {
    NoJournal none;
    return pressWrite(window, source, none);
}

}  // namespace testing_support
