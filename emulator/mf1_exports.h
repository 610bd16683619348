#pragma once

#include "reader/entry_points.h"

#include <cstdint>

#if defined(_WIN32)
#define MF1_EXPORT __declspec(dllexport)
#else
#define MF1_EXPORT __attribute__((visibility("default")))
#endif

// The emulated reader library's exports: the three entry points the program calls, with the
// vendor's ABI, and a few extras through which tests and tools handle the virtual field.
extern "C" {
MF1_EXPORT std::int32_t MF1_CALL MF_Getsnr(std::uint8_t mode, std::uint8_t halt,
                                           std::uint8_t* shortBuffer, std::uint8_t* longBuffer);
MF1_EXPORT std::int32_t MF1_CALL MF_Write(std::uint8_t mode, std::uint8_t blocks,
                                          std::uint8_t count, std::uint8_t* writeBlock,
                                          std::uint8_t* longBuffer);
MF1_EXPORT std::int32_t MF1_CALL ControlBuzzer(std::uint8_t code, std::uint8_t times,
                                               std::uint8_t* longBuffer);

// Marks this library as the emulated reader.
MF1_EXPORT const char* MF1_Emulator();
// Puts a tag with the number B4 B3 B2 B1 B0 into the field.
MF1_EXPORT void MF1_EmulatorPlaceTag(const std::uint8_t* number);
// Empties the field.
MF1_EXPORT void MF1_EmulatorRemoveTag();
// How often the buzzer has sounded.
MF1_EXPORT std::uint32_t MF1_EmulatorBeepCount();
}
