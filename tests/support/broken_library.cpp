// A reader library that lacks one entry point (chosen at build time), to check that the
// program refuses to use such a library.
#include "platform/library_abi.h"
#include "reader/entry_points.h"

#include <cstdint>

extern "C" {
#ifndef OMIT_MF_GETSNR
ZELD_EXPORT std::int32_t MF1_CALL MF_Getsnr(std::uint8_t, std::uint8_t, std::uint8_t*,
                                            std::uint8_t*) {
    return 0;
}
#endif
#ifndef OMIT_MF_WRITE
ZELD_EXPORT std::int32_t MF1_CALL MF_Write(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t*,
                                           std::uint8_t*) {
    return 0;
}
#endif
#ifndef OMIT_CONTROLBUZZER
ZELD_EXPORT std::int32_t MF1_CALL ControlBuzzer(std::uint8_t, std::uint8_t, std::uint8_t*) {
    return 0;
}
#endif
}
