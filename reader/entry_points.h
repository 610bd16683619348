#pragma once

#include "platform/library_abi.h"

#include <cstdint>

// The three entry points of the reader library, exactly as it exports them. The vendor's DLL
// uses stdcall.
#define MF1_CALL ZELD_STDCALL

namespace reader {

extern "C" {
// (byte, byte, short buffer, long buffer) -> status
using MF_GetsnrFn = std::int32_t(MF1_CALL*)(std::uint8_t, std::uint8_t, std::uint8_t*,
                                            std::uint8_t*);
// (byte, byte, byte, short buffer holding the WriteBlock, long buffer) -> status
using MF_WriteFn = std::int32_t(MF1_CALL*)(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t*,
                                           std::uint8_t*);
// (control code, byte, long buffer) -> status
using ControlBuzzerFn = std::int32_t(MF1_CALL*)(std::uint8_t, std::uint8_t, std::uint8_t*);
}

struct EntryPoints {
    MF_GetsnrFn getSnr = nullptr;
    MF_WriteFn write = nullptr;
    ControlBuzzerFn controlBuzzer = nullptr;
};

inline constexpr const char* kGetSnrName = "MF_Getsnr";
inline constexpr const char* kWriteName = "MF_Write";
inline constexpr const char* kControlBuzzerName = "ControlBuzzer";

}  // namespace reader
