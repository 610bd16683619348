// A reader library whose every entry point throws a C++ exception across its C interface, as a
// library built with exceptions may: to check that the program reports it rather than ends.
#include "platform/library_abi.h"
#include "reader/entry_points.h"

#include <cstdint>
#include <new>
#include <stdexcept>

extern "C" {
ZELD_EXPORT std::int32_t MF1_CALL MF_Getsnr(std::uint8_t /*mode*/, std::uint8_t /*halt*/,
                                            std::uint8_t* /*shortBuffer*/,
                                            std::uint8_t* /*longBuffer*/) {
    throw std::runtime_error("USB device vanished");
}
ZELD_EXPORT std::int32_t MF1_CALL MF_Write(std::uint8_t /*mode*/, std::uint8_t /*blocks*/,
                                           std::uint8_t /*count*/, std::uint8_t* /*writeBlock*/,
                                           std::uint8_t* /*longBuffer*/) {
    throw 42;  // not even a std::exception
}
ZELD_EXPORT std::int32_t MF1_CALL ControlBuzzer(std::uint8_t /*code*/, std::uint8_t /*times*/,
                                                std::uint8_t* /*longBuffer*/) {
    throw std::bad_alloc();
}
}
