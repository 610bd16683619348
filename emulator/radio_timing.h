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

// True when `setting` (the value of MF1_EMULATOR_TIMING, or null) asks for the real pace.
[[nodiscard]] bool realTimingRequested(const char* setting) noexcept;

// Reads MF1_EMULATOR_TIMING now, and when it asks for the real pace, sleeps for the work.
void paceLikeHardware(const RadioWork& work);

}  // namespace emulator
