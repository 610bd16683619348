#include "emulator/tags.h"

#include <type_traits>

namespace emulator {

namespace {

constexpr std::uint32_t highHalf(Frame frame) noexcept {
    return static_cast<std::uint32_t>(frame >> 32U);
}
constexpr std::uint32_t lowHalf(Frame frame) noexcept {
    return static_cast<std::uint32_t>(frame);
}

constexpr std::uint32_t reverseBits(std::uint32_t value) noexcept {
    std::uint32_t result = 0;
    for (int i = 0; i < 32; ++i) {
        result = (result << 1U) | (value & 1U);
        value >>= 1U;
    }
    return result;
}

constexpr unsigned kT5577BitRates[] = {8, 16, 32, 40, 50, 64, 100, 128};
constexpr unsigned kReaderBitRate = 64;

}  // namespace

std::string_view kindName(TagKind kind) noexcept {
    switch (kind) {
        case TagKind::T5577:
            return "T5577";
        case TagKind::EM4305:
            return "EM4305";
        case TagKind::EM4100:
            return "EM4100";
    }
    return "?";
}

// --- T5577 ---------------------------------------------------------------------------------

T5577Config decodeT5577Config(std::uint32_t block0) noexcept {
    T5577Config config;
    config.bitRate = kT5577BitRates[(block0 >> 18U) & 0x7U];
    config.modulation = (block0 >> 12U) & 0x1FU;
    config.maxBlock = (block0 >> 5U) & 0x7U;
    config.password = (block0 & kT5577PasswordBit) != 0;
    return config;
}

T5577Tag blankT5577() noexcept {
    T5577Tag tag;
    tag.blocks[0].data = kT5577BlankConfig;
    return tag;
}

T5577Tag t5577Holding(const CardNumber& number) noexcept {
    T5577Tag tag;
    const Frame frame = encodeFrame(number);
    tag.blocks[0].data = kT5577NumberConfig;
    tag.blocks[1].data = highHalf(frame);
    tag.blocks[2].data = lowHalf(frame);
    return tag;
}

T5577Tag passwordLockedT5577(const std::optional<CardNumber>& number) noexcept {
    T5577Tag tag = number ? t5577Holding(*number) : T5577Tag{};
    tag.blocks[0].data = kT5577NumberConfig | kT5577PasswordBit;
    tag.blocks[kT5577PasswordBlock].data = kT5577ForeignPassword;
    return tag;
}

Status writeT5577Block(T5577Tag& tag, std::size_t block, std::uint32_t data, bool lock) noexcept {
    if (decodeT5577Config(tag.blocks[0].data).password) {
        return Status::PasswordProtected;
    }
    T5577Block& target = tag.blocks.at(block);
    if (target.locked) {
        return Status::TargetLocked;
    }
    target.data = data;
    target.locked = lock;
    return Status::Ok;
}

// --- EM4305 --------------------------------------------------------------------------------

Em4305Config decodeEm4305Config(std::uint32_t word4) noexcept {
    Em4305Config config;
    config.bitRate = 2 * ((word4 & 0x3FU) + 1);
    config.encoder = (word4 >> 6U) & 0xFU;
    config.lastReadWord = (word4 >> 14U) & 0xFU;
    return config;
}

Em4305Tag blankEm4305() noexcept {
    Em4305Tag tag;
    tag.words[kEm4305UidWord] = kEm4305Uid;
    tag.words[kEm4305ConfigWord] = kEm4305BlankConfig;
    return tag;
}

Em4305Tag em4305Holding(const CardNumber& number) noexcept {
    Em4305Tag tag = blankEm4305();
    const Frame frame = encodeFrame(number);
    tag.words[kEm4305ConfigWord] = kEm4305NumberConfig;
    // The chip sends each word least significant bit first.
    tag.words[kEm4305FirstDataWord] = reverseBits(highHalf(frame));
    tag.words[kEm4305FirstDataWord + 1] = reverseBits(lowHalf(frame));
    return tag;
}

std::uint32_t em4305ProtectedWords(const Em4305Tag& tag) noexcept {
    std::uint32_t mask = 1U << kEm4305UidWord;
    for (const std::size_t word : kEm4305ProtectionWords) {
        mask |= tag.words[word];
    }
    return mask;
}

Status writeEm4305Word(Em4305Tag& tag, std::size_t word, std::uint32_t data) noexcept {
    if ((em4305ProtectedWords(tag) >> word & 1U) != 0) {
        return Status::TargetLocked;
    }
    tag.words.at(word) = data;
    return Status::Ok;
}

void protectEm4305Words(Em4305Tag& tag, std::uint32_t mask) noexcept {
    for (const std::size_t word : kEm4305ProtectionWords) {
        tag.words[word] |= mask;
    }
}

// --- read-only EM4100 ----------------------------------------------------------------------

Em4100Tag em4100Holding(const CardNumber& number) noexcept {
    return Em4100Tag{encodeFrame(number)};
}

// --- any tag -------------------------------------------------------------------------------

TagKind kindOf(const Tag& tag) noexcept {
    switch (tag.index()) {
        case 0:
            return TagKind::T5577;
        case 1:
            return TagKind::EM4305;
        default:
            return TagKind::EM4100;
    }
}

Tag tagHolding(TagKind kind, const CardNumber& number) noexcept {
    switch (kind) {
        case TagKind::T5577:
            return t5577Holding(number);
        case TagKind::EM4305:
            return em4305Holding(number);
        case TagKind::EM4100:
            break;
    }
    return em4100Holding(number);
}

BitStream uplink(const Tag& tag) {
    BitStream stream;
    if (const auto* t5577 = std::get_if<T5577Tag>(&tag)) {
        const T5577Config config = decodeT5577Config(t5577->blocks[0].data);
        if (config.bitRate != kReaderBitRate || config.modulation != kT5577Manchester) {
            return stream;
        }
        for (std::size_t block = 1; block <= config.maxBlock; ++block) {
            appendBits(stream, t5577->blocks[block].data, 32);
        }
    } else if (const auto* em4305 = std::get_if<Em4305Tag>(&tag)) {
        const Em4305Config config = decodeEm4305Config(em4305->words[kEm4305ConfigWord]);
        if (config.bitRate != kReaderBitRate || config.encoder != kEm4305Manchester) {
            return stream;
        }
        for (std::size_t word = kEm4305FirstDataWord; word <= config.lastReadWord; ++word) {
            appendBits(stream, reverseBits(em4305->words[word]), 32);
        }
    } else {
        appendBits(stream, std::get<Em4100Tag>(tag).frame, kFrameBits);
    }
    return stream;
}

std::optional<CardNumber> readNumber(const Tag& tag) {
    return findFrame(uplink(tag));
}

}  // namespace emulator
