#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace reader {

// Every reader library call returns a signed 32-bit status; 0 is success.
using Status = std::int32_t;
inline constexpr Status kSuccess = 0;

// Per-command scratch buffers handed to the library. Zero-filled when created; the library may
// write into either.
struct ShortBuffer {
    static constexpr std::size_t kSize = 21;
    std::array<std::uint8_t, kSize> bytes{};
};
struct LongBuffer {
    static constexpr std::size_t kSize = 257;
    std::array<std::uint8_t, kSize> bytes{};
};

// The chip on the tag to be written.
enum class TagChip { T5577, EM4305 };

// First argument of ControlBuzzer.
enum class ControlCode : std::uint8_t {
    Beep = 1,
    SelectT5577 = 4,
    SelectEM4305 = 5,
    LockT5577 = 6,
    LockEM4305 = 7,
};

// WriteBlock byte 0: the chip on the tag to be written.
[[nodiscard]] constexpr std::uint8_t chipCode(TagChip chip) noexcept {
    return chip == TagChip::EM4305 ? 2 : 0;
}
[[nodiscard]] constexpr ControlCode selectCode(TagChip chip) noexcept {
    return chip == TagChip::EM4305 ? ControlCode::SelectEM4305 : ControlCode::SelectT5577;
}
[[nodiscard]] constexpr ControlCode lockCode(TagChip chip) noexcept {
    return chip == TagChip::EM4305 ? ControlCode::LockEM4305 : ControlCode::LockT5577;
}

}  // namespace reader
