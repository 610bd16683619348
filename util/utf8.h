#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace util {

// One UTF-8 character: its code point and how many bytes it takes.
struct Utf8Char {
    char32_t code = 0;
    std::size_t length = 0;
};

// The character at `at` in `text`; nothing when the bytes there are not one (a stray byte, a cut
// sequence, an overlong form, a surrogate or a code point past U+10FFFF).
[[nodiscard]] inline std::optional<Utf8Char> decodeUtf8(std::string_view text,
                                                        std::size_t at) noexcept {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    std::size_t length = 0;
    char32_t code = 0;
    if (lead < 0x80) {
        return Utf8Char{lead, 1};
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1FU;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0FU;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07U;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i]);
        if ((next & 0xC0U) != 0x80U) {
            return std::nullopt;
        }
        code = (code << 6U) | (next & 0x3FU);
    }
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    return Utf8Char{code, length};
}

// C0 and C1 controls, and the marks, embeddings, overrides and isolates that turn the order of
// the text around them: a text holding one may read as another.
[[nodiscard]] constexpr bool controlOrDirection(char32_t code) noexcept {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C || code == 0x200E ||
           code == 0x200F || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

}  // namespace util
