#pragma once

#include <cstdint>

// The three entry points of the reader library, exactly as it exports them. On 32-bit Windows
// the vendor's DLL uses stdcall.
#if defined(_WIN32) && !defined(_WIN64)
#define MF1_CALL __stdcall
#else
#define MF1_CALL
#endif

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
