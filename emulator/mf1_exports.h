#pragma once

#include "platform/library_abi.h"
#include "reader/entry_points.h"

#include <cstdint>

// MF1.def names the exports on Windows.
#define MF1_EXPORT ZELD_EXPORT_BY_DEF_FILE

// The emulated reader library's exports: the three entry points the program calls, with the
// vendor's ABI, and a marker by which the program knows the reader is emulated. Every call
// works on the virtual field in the field file (see emulator/field_location.h) and returns one
// of the statuses of emulator/status_codes.h.
extern "C" {
// Reads the tag in the field. On 0, ShortBuffer byte 0 = B4 and LongBuffer bytes 0..3 =
// B3 B2 B1 B0; no other byte is touched, and nothing at all on failure.
MF1_EXPORT std::int32_t MF1_CALL MF_Getsnr(std::uint8_t mode, std::uint8_t halt,
                                           std::uint8_t* shortBuffer, std::uint8_t* longBuffer);
// Writes the number of the WriteBlock at `writeBlock` (chip code, B4, B3, B2, B1, B0) onto the
// tag in the field, in the layout of the chip selected by ControlBuzzer 4/5.
MF1_EXPORT std::int32_t MF1_CALL MF_Write(std::uint8_t mode, std::uint8_t blocks,
                                          std::uint8_t count, std::uint8_t* writeBlock,
                                          std::uint8_t* longBuffer);
// 1: one beep. 4/5: select T5577/EM4305 for the writes that follow. 6/7: lock the blocks a
// T5577/EM4305 write wrote.
MF1_EXPORT std::int32_t MF1_CALL ControlBuzzer(std::uint8_t code, std::uint8_t times,
                                               std::uint8_t* longBuffer);

// Marks this library as the emulated reader.
MF1_EXPORT const char* MF1_Emulator();
}
