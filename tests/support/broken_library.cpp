// A reader library that lacks one entry point (chosen at build time), to check that the
// program refuses to use such a library.
#include "reader/entry_points.h"

#include <cstdint>

#if defined(_WIN32)
#define BROKEN_EXPORT __declspec(dllexport)
#else
#define BROKEN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
#ifndef OMIT_MF_GETSNR
BROKEN_EXPORT std::int32_t MF1_CALL MF_Getsnr(std::uint8_t, std::uint8_t, std::uint8_t*,
                                              std::uint8_t*) {
    return 0;
}
#endif
#ifndef OMIT_MF_WRITE
BROKEN_EXPORT std::int32_t MF1_CALL MF_Write(std::uint8_t, std::uint8_t, std::uint8_t,
                                             std::uint8_t*, std::uint8_t*) {
    return 0;
}
#endif
#ifndef OMIT_CONTROLBUZZER
BROKEN_EXPORT std::int32_t MF1_CALL ControlBuzzer(std::uint8_t, std::uint8_t, std::uint8_t*) {
    return 0;
}
#endif
}
