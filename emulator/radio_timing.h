#pragma once

#include "emulator/reader_model.h"

#include <chrono>

// The realistic pace of the emulated reader: how long the radio work of a call takes on real
// hardware. Off unless MF1_EMULATOR_TIMING is "real", so tests run at full speed.
namespace emulator {

// One EM4100 frame: 64 bits of 64 carrier cycles each at 125 kHz.
inline constexpr std::chrono::microseconds kFrameTime{64LL * 64 * 1'000'000 / 125'000};
inline constexpr std::chrono::microseconds kT5577BlockWriteTime{20'000};
inline constexpr std::chrono::microseconds kEm4305WordWriteTime{28'000};

[[nodiscard]] std::chrono::microseconds radioTime(const RadioWork& work) noexcept;

// How often a read that began with no tag in the field looks at it again while it listens: a
// few times a frame, so that a tag's arrival is noticed well within the frame it is heard by.
inline constexpr std::chrono::microseconds kListenLook{2'000};

// When a read that is listening as a tag enters the field at `arrival` hears it: a reader
// recognises a tag once it has received one whole frame from wherever in the tag's frame it
// happened to start (the phase). The phase is drawn from the arrival moment itself (its
// microseconds modulo a frame), so that one run's arrivals are not all heard alike.
[[nodiscard]] std::chrono::steady_clock::time_point heardAt(
    std::chrono::steady_clock::time_point arrival) noexcept;

// True when `setting` (the value of MF1_EMULATOR_TIMING, or null) asks for the real pace.
[[nodiscard]] bool realTimingRequested(const char* setting) noexcept;

// The pace of one entry point call, fixed when the call begins (MF1_EMULATOR_TIMING is read
// then, so a change of the variable takes effect from the next call).
class CallPace {
public:
    CallPace();

    // Whether the call runs at the real pace.
    [[nodiscard]] bool isReal() const noexcept { return real_; }

    // At the real pace, waits until the radio time of `work` has passed since the call began:
    // the emulator's own work (the field file, the model) happens inside that time, as the
    // reader's firmware works while the radio does.
    void finish(const RadioWork& work) const;
    // When the radio time of `work` has passed since the call began.
    [[nodiscard]] std::chrono::steady_clock::time_point endOf(
        const RadioWork& work) const noexcept {
        return start_ + radioTime(work);
    }

private:
    bool real_ = false;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace emulator
