#include "store/station_identity.h"

#include <cstdint>

namespace store {

namespace {

// Bidirectional controls reorder what is shown around them: a name holding one reads as another.
bool bidiControl(char32_t code) {
    return code == 0x061C || code == 0x200E || code == 0x200F ||
           (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

bool control(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || bidiControl(code);
}

// The next code point of `text` from `at`, which moves past it; nothing when it is not UTF-8.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    std::size_t length = 0;
    char32_t code = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
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
    // Overlong forms, surrogates and code points past Unicode's last.
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
        return std::nullopt;
    }
    at += length;
    return code;
}

}  // namespace

std::optional<NameFault> stationNameFault(std::string_view utf8) {
    if (utf8.empty()) {
        return NameFault::Empty;
    }
    for (std::size_t at = 0; at < utf8.size();) {
        const auto code = nextCodePoint(utf8, at);
        if (!code) {
            return NameFault::NotUtf8;
        }
        if (control(*code)) {
            return NameFault::ControlCharacter;
        }
    }
    return std::nullopt;
}

}  // namespace store
