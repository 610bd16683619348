#include "reader/protocol.h"

namespace reader {

card::CardNumber replyNumber(std::span<const std::uint8_t, kReplyShortBytes> shortPart,
                             std::span<const std::uint8_t, kReplyLongBytes> longPart) noexcept {
    return card::CardNumber{shortPart[0],
                            card::NumberBytes{longPart[0], longPart[1], longPart[2], longPart[3]}};
}

void putReplyNumber(const card::CardNumber& number,
                    std::span<std::uint8_t, kReplyShortBytes> shortPart,
                    std::span<std::uint8_t, kReplyLongBytes> longPart) noexcept {
    shortPart[0] = number.b4;
    longPart[0] = number.number.b3;
    longPart[1] = number.number.b2;
    longPart[2] = number.number.b1;
    longPart[3] = number.number.b0;
}

void putWriteBlock(TagChip chip, const card::CardNumber& number,
                   std::span<std::uint8_t, kWriteBlockSize> block) noexcept {
    block[0] = chipCode(chip);
    block[1] = number.b4;
    block[2] = number.number.b3;
    block[3] = number.number.b2;
    block[4] = number.number.b1;
    block[5] = number.number.b0;
}

WriteBlockContents readWriteBlock(std::span<const std::uint8_t, kWriteBlockSize> block) noexcept {
    return WriteBlockContents{
        block[0],
        card::CardNumber{block[1], card::NumberBytes{block[2], block[3], block[4], block[5]}}};
}

std::optional<TagChip> chipOfCode(std::uint8_t code) noexcept {
    for (const TagChip chip : {TagChip::T5577, TagChip::EM4305}) {
        if (chipCode(chip) == code) {
            return chip;
        }
    }
    return std::nullopt;
}

std::optional<ControlCode> controlCodeOf(std::uint8_t code) noexcept {
    switch (static_cast<ControlCode>(code)) {
        case ControlCode::Beep:
        case ControlCode::SelectT5577:
        case ControlCode::SelectEM4305:
        case ControlCode::LockT5577:
        case ControlCode::LockEM4305:
            return static_cast<ControlCode>(code);
    }
    return std::nullopt;
}

}  // namespace reader
