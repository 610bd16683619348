#include "emulator/radio_timing.h"

#include "emulator/environment.h"

#include <string_view>
#include <thread>

namespace emulator {

std::chrono::microseconds radioTime(const RadioWork& work) noexcept {
    return work.frames * kFrameTime + work.t5577Blocks * kT5577BlockWriteTime +
           work.em4305Words * kEm4305WordWriteTime;
}

bool realTimingRequested(const char* setting) noexcept {
    return setting != nullptr && std::string_view(setting) == "real";
}

void paceLikeHardware(const RadioWork& work) {
    // Read on every call, so a change of the variable takes effect at once.
    const auto setting = environmentVariable("MF1_EMULATOR_TIMING");
    if (realTimingRequested(setting ? setting->c_str() : nullptr)) {
        std::this_thread::sleep_for(radioTime(work));
    }
}

}  // namespace emulator
