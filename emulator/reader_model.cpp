#include "emulator/reader_model.h"

#include <limits>
#include <variant>

namespace emulator {

namespace {

// A read listens for two whole frames: one to find the header, one to confirm it.
constexpr int kFramesPerRead = 2;

// The T5577 blocks and EM4305 words a number write covers, in the order they are written.
constexpr std::size_t kT5577Targets[] = {0, 1, 2};
constexpr std::size_t kEm4305Targets[] = {kEm4305ConfigWord, kEm4305FirstDataWord,
                                          kEm4305FirstDataWord + 1};
constexpr std::uint32_t kEm4305TargetMask = (1U << 4U) | (1U << 5U) | (1U << 6U);

Status tagFor(const FieldState& state, Chip chip) {
    if (!state.tag) {
        return Status::NoTag;
    }
    switch (kindOf(*state.tag)) {
        case TagKind::EM4100:
            return Status::ReadOnlyTag;
        case TagKind::T5577:
            return chip == Chip::T5577 ? Status::Ok : Status::WrongChip;
        case TagKind::EM4305:
            return chip == Chip::EM4305 ? Status::Ok : Status::WrongChip;
    }
    return Status::EmulatorFault;
}

OperationResult writeT5577(T5577Tag& tag, const CardNumber& number) {
    const T5577Tag wanted = t5577Holding(number);
    OperationResult result;
    for (const std::size_t block : kT5577Targets) {
        ++result.work.t5577Blocks;
        const Status written = writeT5577Block(tag, block, wanted.blocks[block].data, false);
        if (written == Status::Ok) {
            result.changed = true;
        } else if (result.status == Status::Ok) {
            result.status = written;
        }
    }
    // No acknowledgement: the reader reads the tag back to see whether the write took.
    result.work.frames += kFramesPerRead;
    return result;
}

OperationResult writeEm4305(Em4305Tag& tag, const CardNumber& number) {
    const Em4305Tag wanted = em4305Holding(number);
    OperationResult result;
    for (const std::size_t word : kEm4305Targets) {
        ++result.work.em4305Words;
        result.status = writeEm4305Word(tag, word, wanted.words[word]);
        if (result.status != Status::Ok) {
            break;
        }
        result.changed = true;
    }
    return result;
}

OperationResult lock(FieldState& state, Chip chip) {
    OperationResult result;
    result.status = tagFor(state, chip);
    if (result.status != Status::Ok) {
        return result;
    }
    if (auto* t5577 = std::get_if<T5577Tag>(&*state.tag)) {
        for (const std::size_t block : kT5577Targets) {
            ++result.work.t5577Blocks;
            if (t5577->blocks[block].locked) {
                continue;  // locked already: what the lock asks for
            }
            const Status written = writeT5577Block(*t5577, block, t5577->blocks[block].data, true);
            if (written != Status::Ok) {
                result.status = written;
                return result;
            }
            result.changed = true;
        }
        return result;
    }
    auto& em4305 = std::get<Em4305Tag>(*state.tag);
    ++result.work.em4305Words;
    const std::uint32_t before = em4305ProtectedWords(em4305);
    protectEm4305Words(em4305, kEm4305TargetMask);
    result.changed = em4305ProtectedWords(em4305) != before;
    return result;
}

}  // namespace

ReadResult readTag(const FieldState& state) {
    ReadResult result;
    result.work.frames = kFramesPerRead;
    if (!state.tag) {
        result.status = Status::NoTag;
        return result;
    }
    const auto number = readNumber(*state.tag);
    if (!number) {
        result.status = Status::NoValidFrame;
        return result;
    }
    result.number = *number;
    return result;
}

OperationResult writeNumber(FieldState& state, const WriteBlock& block) {
    OperationResult result;
    const auto asked = reader::readWriteBlock(block);
    const auto chip = reader::chipOfCode(asked.chipCode);
    if (!chip) {
        result.status = Status::UnknownChipCode;
        return result;
    }
    const Chip requested = *chip;
    if (!state.selectedChip) {
        result.status = Status::ChipNotSelected;
        return result;
    }
    if (*state.selectedChip != requested) {
        result.status = Status::ChipCodeMismatch;
        return result;
    }
    result.status = tagFor(state, requested);
    if (result.status != Status::Ok) {
        return result;
    }
    const CardNumber& number = asked.number;
    if (auto* t5577 = std::get_if<T5577Tag>(&*state.tag)) {
        return writeT5577(*t5577, number);
    }
    return writeEm4305(std::get<Em4305Tag>(*state.tag), number);
}

OperationResult control(FieldState& state, std::uint8_t code) {
    OperationResult result;
    const auto known = reader::controlCodeOf(code);
    if (!known) {
        result.status = Status::UnknownControlCode;
        return result;
    }
    using reader::ControlCode;
    switch (*known) {
        case ControlCode::Beep:
            if (state.beeps < std::numeric_limits<std::uint32_t>::max()) {
                ++state.beeps;
                result.changed = true;
            }
            return result;
        case ControlCode::SelectT5577:
        case ControlCode::SelectEM4305: {
            const Chip chip = *known == ControlCode::SelectT5577 ? Chip::T5577 : Chip::EM4305;
            result.changed = state.selectedChip != chip;
            state.selectedChip = chip;
            return result;
        }
        case ControlCode::LockT5577:
            return lock(state, Chip::T5577);
        case ControlCode::LockEM4305:
            return lock(state, Chip::EM4305);
    }
    result.status = Status::UnknownControlCode;
    return result;
}

}  // namespace emulator
