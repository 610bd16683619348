#include "emulator/mf1_exports.h"

#include "emulator/virtual_reader.h"

#include <algorithm>
#include <type_traits>

using emulator::VirtualReader;

// The exports must match, to the calling convention, the types the program loads them as.
static_assert(std::is_same_v<decltype(&MF_Getsnr), reader::MF_GetsnrFn>);
static_assert(std::is_same_v<decltype(&MF_Write), reader::MF_WriteFn>);
static_assert(std::is_same_v<decltype(&ControlBuzzer), reader::ControlBuzzerFn>);

extern "C" {

std::int32_t MF1_CALL MF_Getsnr(std::uint8_t /*mode*/, std::uint8_t /*halt*/,
                                std::uint8_t* shortBuffer, std::uint8_t* longBuffer) {
    return VirtualReader::instance().getSnr(shortBuffer, longBuffer);
}

std::int32_t MF1_CALL MF_Write(std::uint8_t /*mode*/, std::uint8_t /*blocks*/,
                               std::uint8_t /*count*/, std::uint8_t* writeBlock,
                               std::uint8_t* /*longBuffer*/) {
    return VirtualReader::instance().write(writeBlock);
}

std::int32_t MF1_CALL ControlBuzzer(std::uint8_t code, std::uint8_t /*times*/,
                                    std::uint8_t* /*longBuffer*/) {
    return VirtualReader::instance().controlBuzzer(code);
}

const char* MF1_Emulator() { return "zeld emulated reader"; }

void MF1_EmulatorPlaceTag(const std::uint8_t* number) {
    VirtualReader::TagNumber tag{};
    std::copy_n(number, tag.size(), tag.begin());
    VirtualReader::instance().placeTag(tag);
}

void MF1_EmulatorRemoveTag() { VirtualReader::instance().removeTag(); }

std::uint32_t MF1_EmulatorBeepCount() { return VirtualReader::instance().beepCount(); }

}  // extern "C"
