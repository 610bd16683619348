#pragma once

#include "emulator/em4100.h"
#include "emulator/status_codes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

// The three kinds of tag the virtual field can hold, each keeping its memory the way the chip
// does, so that what a read decodes is exactly what a write encoded.
namespace emulator {

enum class TagKind {
    T5577,   // writable: eight 32-bit blocks, each with a lock bit
    EM4305,  // writable: sixteen 32-bit words, two of them the protection register
    EM4100,  // read-only: its frame is fixed at the factory
};

[[nodiscard]] std::string_view kindName(TagKind kind) noexcept;  // "T5577", "EM4305", "EM4100"

// --- T5577 ---------------------------------------------------------------------------------

struct T5577Block {
    std::uint32_t data = 0;
    bool locked = false;  // set once, never cleared: the block can never be written again

    friend bool operator==(const T5577Block&, const T5577Block&) = default;
};

struct T5577Tag {
    static constexpr std::size_t kBlocks = 8;  // page 0: block 0 configuration, 7 password
    std::array<T5577Block, kBlocks> blocks{};

    friend bool operator==(const T5577Tag&, const T5577Tag&) = default;
};

// Block 0 as an EM4100 clone needs it: RF/64, Manchester, two data blocks (1 and 2).
inline constexpr std::uint32_t kT5577NumberConfig = 0x00148040;
// Block 0 of a tag as delivered: RF/32, Manchester, seven data blocks, sequence terminator.
inline constexpr std::uint32_t kT5577BlankConfig = 0x000880E8;
// Block 0 bit that makes the tag demand its password (block 7) for every write.
inline constexpr std::uint32_t kT5577PasswordBit = 0x10;
inline constexpr std::size_t kT5577PasswordBlock = 7;
// The password the emulator's password-locked tags carry; the reader never sends one.
inline constexpr std::uint32_t kT5577ForeignPassword = 0x51243648;

// Fields of a T5577 configuration block.
struct T5577Config {
    unsigned bitRate = 0;     // RF/n
    unsigned modulation = 0;  // 8 = Manchester
    unsigned maxBlock = 0;    // the tag sends blocks 1..maxBlock
    bool password = false;
};
[[nodiscard]] T5577Config decodeT5577Config(std::uint32_t block0) noexcept;
inline constexpr unsigned kT5577Manchester = 8;

[[nodiscard]] T5577Tag blankT5577() noexcept;
[[nodiscard]] T5577Tag t5577Holding(const CardNumber& number) noexcept;
// A tag another cloner left behind: holds `number` (or nothing readable), password bit set.
[[nodiscard]] T5577Tag passwordLockedT5577(const std::optional<CardNumber>& number) noexcept;

// One standard write of a block, as the chip handles it: ignored (and reported why) when the
// tag demands its password or the block is locked. `lock` sets the block's lock bit too.
[[nodiscard]] Status writeT5577Block(T5577Tag& tag, std::size_t block, std::uint32_t data,
                                     bool lock) noexcept;

// --- EM4305 --------------------------------------------------------------------------------

struct Em4305Tag {
    static constexpr std::size_t kWords = 16;
    std::array<std::uint32_t, kWords> words{};

    friend bool operator==(const Em4305Tag&, const Em4305Tag&) = default;
};

// Word 4 as an EM4100 clone needs it: RF/64, Manchester, the tag sends words 5 and 6.
inline constexpr std::uint32_t kEm4305NumberConfig = 0x0001805F;
// Word 4 of a tag as delivered: RF/32, bi-phase, sends words 5 to 8.
inline constexpr std::uint32_t kEm4305BlankConfig = 0x0002008F;
inline constexpr std::size_t kEm4305UidWord = 1;  // factory serial number, read-only
inline constexpr std::size_t kEm4305ConfigWord = 4;
inline constexpr std::size_t kEm4305FirstDataWord = 5;
inline constexpr std::size_t kEm4305ProtectionWords[] = {14, 15};
// Serial number of the emulator's EM4305 tags.
inline constexpr std::uint32_t kEm4305Uid = 0x5A3D0C71;

struct Em4305Config {
    unsigned bitRate = 0;       // RF/n
    unsigned encoder = 0;       // 1 = Manchester
    unsigned lastReadWord = 0;  // the tag sends words 5..lastReadWord
};
[[nodiscard]] Em4305Config decodeEm4305Config(std::uint32_t word4) noexcept;
inline constexpr unsigned kEm4305Manchester = 1;

[[nodiscard]] Em4305Tag blankEm4305() noexcept;
[[nodiscard]] Em4305Tag em4305Holding(const CardNumber& number) noexcept;

// Bit n set: word n is protected and can never be written again.
[[nodiscard]] std::uint32_t em4305ProtectedWords(const Em4305Tag& tag) noexcept;
// One write of a word, acknowledged by the chip: refused when the word is protected or is the
// serial number.
[[nodiscard]] Status writeEm4305Word(Em4305Tag& tag, std::size_t word, std::uint32_t data) noexcept;
// The protect command: adds the words of `mask` to the protection register (never removes any).
void protectEm4305Words(Em4305Tag& tag, std::uint32_t mask) noexcept;

// --- read-only EM4100 ----------------------------------------------------------------------

struct Em4100Tag {
    Frame frame = 0;

    friend bool operator==(const Em4100Tag&, const Em4100Tag&) = default;
};

[[nodiscard]] Em4100Tag em4100Holding(const CardNumber& number) noexcept;

// --- any tag -------------------------------------------------------------------------------

using Tag = std::variant<T5577Tag, Em4305Tag, Em4100Tag>;

[[nodiscard]] TagKind kindOf(const Tag& tag) noexcept;

// The writable tag of a kind holding `number`; the read-only tag for EM4100.
[[nodiscard]] Tag tagHolding(TagKind kind, const CardNumber& number) noexcept;

// What the tag sends over and over while it sits in the field, as an EM4100 reader (RF/64,
// Manchester) demodulates it: empty when the tag is set up for another bit rate or modulation.
[[nodiscard]] BitStream uplink(const Tag& tag);

// The number an EM4100 reader reads from the tag, if it sends a valid frame.
[[nodiscard]] std::optional<CardNumber> readNumber(const Tag& tag);

}  // namespace emulator
