#include "emulator/radio_timing.h"

#include "emulator/environment.h"

#include <string_view>
#include <thread>

namespace emulator {

std::chrono::microseconds radioTime(const RadioWork& work) noexcept {
    return work.frames * kFrameTime + work.t5577Blocks * kT5577BlockWriteTime +
           work.em4305Words * kEm4305WordWriteTime;
}

std::chrono::steady_clock::time_point heardAt(
    std::chrono::steady_clock::time_point arrival) noexcept {
    const auto since =
        std::chrono::duration_cast<std::chrono::microseconds>(arrival.time_since_epoch());
    return arrival + kFrameTime + since % kFrameTime;
}

bool realTimingRequested(const char* setting) noexcept {
    return setting != nullptr && std::string_view(setting) == "real";
}

CallPace::CallPace() : start_(std::chrono::steady_clock::now()) {
    const auto setting = environmentVariable("MF1_EMULATOR_TIMING");
    real_ = realTimingRequested(setting ? setting->c_str() : nullptr);
}

void CallPace::finish(const RadioWork& work) const {
    if (real_) {
        std::this_thread::sleep_until(endOf(work));
    }
}

}  // namespace emulator
