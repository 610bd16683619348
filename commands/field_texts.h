#pragma once

#include "card/card_number.h"

#include <array>
#include <cstddef>
#include <string>

namespace commands {

// The four number fields' texts (UTF-8), indexed by card::Field.
using FieldTexts = std::array<std::string, 4>;

[[nodiscard]] inline std::string& textOf(FieldTexts& texts, card::Field field) {
    return texts.at(static_cast<std::size_t>(field));
}
[[nodiscard]] inline const std::string& textOf(const FieldTexts& texts, card::Field field) {
    return texts.at(static_cast<std::size_t>(field));
}

// Each field's text for this number, zero-padded to the field's width.
[[nodiscard]] FieldTexts fieldTexts(const card::CardNumber& number);

}  // namespace commands
