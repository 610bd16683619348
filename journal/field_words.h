#pragma once

#include "card/card_number.h"
#include "reader/reader_types.h"

#include <optional>
#include <string_view>

// The journal's spellings of a tag's chip, a batch's notation and a yes or no: in its lines, in
// the rows of 写卡记录 and in what is exported from them. Only here are they spelled.
namespace journal {

inline constexpr std::string_view kYes = "是";
inline constexpr std::string_view kNo = "否";

[[nodiscard]] constexpr std::string_view chipWord(reader::TagChip chip) noexcept {
    return chip == reader::TagChip::EM4305 ? "EM4305" : "T5577";
}
[[nodiscard]] constexpr std::optional<reader::TagChip> chipOfWord(std::string_view word) noexcept {
    if (word == chipWord(reader::TagChip::T5577)) {
        return reader::TagChip::T5577;
    }
    if (word == chipWord(reader::TagChip::EM4305)) {
        return reader::TagChip::EM4305;
    }
    return std::nullopt;
}

// A batch's notation by the number it counts in: 前十位号 (ten-digit) or 后八位号 (eight-digit).
[[nodiscard]] constexpr std::string_view notationWord(card::Notation notation) noexcept {
    return notation == card::Notation::WG34 ? "前十位号" : "后八位号";
}
[[nodiscard]] constexpr std::optional<card::Notation> notationOfWord(
    std::string_view word) noexcept {
    if (word == notationWord(card::Notation::WG34)) {
        return card::Notation::WG34;
    }
    if (word == notationWord(card::Notation::WG26)) {
        return card::Notation::WG26;
    }
    return std::nullopt;
}

[[nodiscard]] constexpr std::string_view yesNoWord(bool yes) noexcept {
    return yes ? kYes : kNo;
}
[[nodiscard]] constexpr std::optional<bool> yesNoOfWord(std::string_view word) noexcept {
    if (word == kYes || word == kNo) {
        return word == kYes;
    }
    return std::nullopt;
}

}  // namespace journal
