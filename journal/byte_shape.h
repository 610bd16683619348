#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// A run of bytes of a fixed shape, such as a journal line's time "dddd-dd-ddTdd:dd:dd", checked
// eight bytes at a time rather than byte by byte: reading a long journal is mostly this.
namespace journal {

static_assert(std::endian::native == std::endian::little,
              "the shapes' masks are laid out for little-endian words");

// The shape as a compile-time pattern: 'd' stands for any decimal digit, every other byte for
// itself.
template <std::size_t N>
struct ByteShape {
    static constexpr std::size_t kLength = N - 1;  // without the literal's terminating zero
    static constexpr std::size_t kWords = (kLength + 7) / 8;

    // Per word: the bits that must hold `fixed`, and the digit bytes' low nibbles plus 6 (a
    // digit's stays below 16).
    std::array<std::uint64_t, kWords> mask{};
    std::array<std::uint64_t, kWords> fixed{};
    std::array<std::uint64_t, kWords> digitAdd{};
    std::array<std::uint64_t, kWords> digitHigh{};

    // NOLINTNEXTLINE(google-explicit-constructor,hicpp-explicit-conversions): written as a literal
    consteval ByteShape(const char (&pattern)[N]) {
        for (std::size_t i = 0; i < kLength; ++i) {
            const std::size_t word = i / 8;
            const unsigned shift = 8U * static_cast<unsigned>(i % 8);
            const auto byte = static_cast<std::uint8_t>(pattern[i]);  // NOLINT(*-array-index)
            if (byte == 'd') {
                mask.at(word) |= std::uint64_t{0xF0} << shift;
                fixed.at(word) |= std::uint64_t{0x30} << shift;
                digitAdd.at(word) |= std::uint64_t{0x06} << shift;
                digitHigh.at(word) |= std::uint64_t{0xF0} << shift;
            } else {
                mask.at(word) |= std::uint64_t{0xFF} << shift;
                fixed.at(word) |= std::uint64_t{byte} << shift;
            }
        }
    }

    // Whether `text` starts with the shape. Reads whole words: `text` must hold kWords * 8 bytes.
    [[nodiscard]] bool matches(const char* text) const noexcept {
        bool all = true;
        for (std::size_t word = 0; word < kWords; ++word) {
            std::uint64_t bytes = 0;
            std::memcpy(&bytes, text + (word * 8), sizeof bytes);
            // A digit byte is 0x30..0x3F after the first test; adding 6 keeps it under 0x40 only
            // for 0x30..0x39, and never carries into the next byte.
            all = all && (bytes & mask.at(word)) == fixed.at(word) &&
                  ((bytes + digitAdd.at(word)) & digitHigh.at(word)) ==
                      (fixed.at(word) & digitHigh.at(word));
        }
        return all;
    }
};

}  // namespace journal
