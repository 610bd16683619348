// A reader library whose static initialiser throws while the system loads it, as one that looks
// for its device on load may: to check that the program reports it rather than ends.
#include "reader/entry_points.h"

#include <cstdint>
#include <stdexcept>

#if defined(_WIN32)
#define THROWING_EXPORT __declspec(dllexport)
#else
#define THROWING_EXPORT __attribute__((visibility("default")))
#endif

namespace {

struct Device {
    Device() { throw std::runtime_error("no reader on any USB port"); }
};
const Device device;

}  // namespace

extern "C" {
THROWING_EXPORT std::int32_t MF1_CALL MF_Getsnr(std::uint8_t, std::uint8_t, std::uint8_t*,
                                                std::uint8_t*) {
    return 0;
}
THROWING_EXPORT std::int32_t MF1_CALL MF_Write(std::uint8_t, std::uint8_t, std::uint8_t,
                                               std::uint8_t*, std::uint8_t*) {
    return 0;
}
THROWING_EXPORT std::int32_t MF1_CALL ControlBuzzer(std::uint8_t, std::uint8_t, std::uint8_t*) {
    return 0;
}
}
