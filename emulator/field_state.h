#pragma once

#include "emulator/tags.h"
#include "reader/reader_types.h"

#include <cstdint>
#include <optional>

namespace emulator {

// The chip a write targets, as ControlBuzzer 4 or 5 selects it.
using Chip = reader::TagChip;

// Everything the virtual field remembers: the tag at the reader (if any) with its memory, the
// chip the reader was last told to write, and how often the buzzer has sounded.
struct FieldState {
    std::optional<Tag> tag;
    // Set by ControlBuzzer 4/5 and kept until the next 4/5 or a reset of the field: the reader
    // stays in that chip's mode, as a reader set up once for a batch of tags does.
    std::optional<Chip> selectedChip;
    std::uint32_t beeps = 0;

    friend bool operator==(const FieldState&, const FieldState&) = default;
};

}  // namespace emulator
