#pragma once

#include "card/card_number.h"

#include <string>
#include <string_view>

namespace commands {

// What the commands see of the window: the texts of the four number fields (UTF-8), the states
// of the options and check boxes a write depends on, and a question to the user.
class Panel {
public:
    virtual ~Panel() = default;

    // txtIDB4, txtIDB3B0, txtIDB2, txtIDB1B0.
    [[nodiscard]] virtual std::string fieldText(card::Field field) const = 0;
    virtual void setFieldText(card::Field field, std::string_view text) = 0;

    // optIDWG34 selected (else optIDWG26).
    [[nodiscard]] virtual bool isWG34Selected() const = 0;
    // optIDEM4305 selected (else optIDT5577).
    [[nodiscard]] virtual bool isEM4305Selected() const = 0;
    // chkIDADD1 checked.
    [[nodiscard]] virtual bool isAdd1Checked() const = 0;
    // chkIDLOCK checked.
    [[nodiscard]] virtual bool isLockChecked() const = 0;

    // Asks the user a question (UTF-8) with two answers, `yes` and `no`, the default being
    // `no`; true for `yes`. A panel that cannot ask answers `no`.
    [[nodiscard]] virtual bool confirm(std::string_view question, std::string_view yes,
                                       std::string_view no) {
        static_cast<void>(question);
        static_cast<void>(yes);
        static_cast<void>(no);
        return false;
    }

protected:
    Panel() = default;
    Panel(const Panel&) = default;
    Panel(Panel&&) = default;
    Panel& operator=(const Panel&) = default;
    Panel& operator=(Panel&&) = default;
};

}  // namespace commands
