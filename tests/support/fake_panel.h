#pragma once

#include "commands/panel.h"

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// The window's inputs as plain data, starting from the window's start values.
class FakePanel final : public commands::Panel {
public:
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

    [[nodiscard]] std::string fieldText(card::Field field) const override {
        return texts.at(field);
    }
    void setFieldText(card::Field field, std::string_view text) override {
        texts[field] = std::string(text);
        setOrder.push_back(field);
    }
    [[nodiscard]] bool isWG34Selected() const override { return wg34; }
    [[nodiscard]] bool isEM4305Selected() const override { return em4305; }
    [[nodiscard]] bool isAdd1Checked() const override { return add1; }
    [[nodiscard]] bool isLockChecked() const override { return lock; }
    [[nodiscard]] bool confirm(std::string_view question, std::string_view yes,
                               std::string_view no) override {
        questions.emplace_back(question);
        answers.emplace_back(std::string(yes) + "/" + std::string(no));
        return answer;
    }
};

}  // namespace testing_support
