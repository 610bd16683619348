#pragma once

#include "emulator/field_state.h"
#include "emulator/status_codes.h"
#include "reader/protocol.h"

#include <array>
#include <cstdint>

// The emulated reader's behaviour, as pure functions over the field's state: no files, no
// clock. The library's entry points load the state, call these, and save what changed.
namespace emulator {

// Radio work an operation took, from which the realistic pace is worked out.
struct RadioWork {
    int frames = 0;       // EM4100 frames listened to
    int t5577Blocks = 0;  // T5577 blocks written
    int em4305Words = 0;  // EM4305 words written (or protect commands)

    friend bool operator==(const RadioWork&, const RadioWork&) = default;
};

struct ReadResult {
    Status status = Status::Ok;
    CardNumber number{};  // when status is Ok
    RadioWork work;
};

struct OperationResult {
    Status status = Status::Ok;
    bool changed = false;  // the state must be saved
    RadioWork work;
};

// WriteBlock as MF_Write receives it: chip code, then B4 B3 B2 B1 B0 (reader/protocol.h).
using WriteBlock = std::array<std::uint8_t, reader::kWriteBlockSize>;

// MF_Getsnr: listens for two frames; succeeds only with a tag that sends a valid frame.
[[nodiscard]] ReadResult readTag(const FieldState& state);

// MF_Write: writes the block's number onto the tag in the field in the selected chip's layout.
// A T5577 does not acknowledge: every target block is sent (a locked one is ignored by the
// chip) and the outcome is checked afterwards. An EM4305 refuses a protected word and the
// write stops there.
[[nodiscard]] OperationResult writeNumber(FieldState& state, const WriteBlock& block);

// ControlBuzzer: 1 beeps; 4/5 select the chip for writes; 6/7 lock what a write of that chip
// writes (T5577 blocks 0-2, EM4305 words 4-6), failing when there is no such tag to lock.
[[nodiscard]] OperationResult control(FieldState& state, std::uint8_t code);

}  // namespace emulator
