#include "emulator/mf1_exports.h"

#include "emulator/field_location.h"
#include "emulator/field_store.h"
#include "emulator/radio_timing.h"
#include "emulator/reader_model.h"
#include "emulator/status_codes.h"

#include <algorithm>
#include <type_traits>

using emulator::FieldState;
using emulator::FieldStore;
using emulator::OperationResult;
using emulator::Status;

// The exports must match, to the calling convention, the types the program loads them as.
static_assert(std::is_same_v<decltype(&MF_Getsnr), reader::MF_GetsnrFn>);
static_assert(std::is_same_v<decltype(&MF_Write), reader::MF_WriteFn>);
static_assert(std::is_same_v<decltype(&ControlBuzzer), reader::ControlBuzzerFn>);

namespace {

// No exception crosses the C boundary.
template <class Call>
std::int32_t guarded(const Call& call) noexcept {
    try {
        return emulator::toInt(call());
    } catch (...) {
        return emulator::toInt(Status::EmulatorFault);
    }
}

// Loads the field, applies `operation` to it, saves it if it changed, then takes the radio
// time of the work (outside the file's lock).
template <class Operation>
Status changeField(const Operation& operation) {
    auto file = emulator::fieldFile();
    if (!file) {
        return Status::FieldFileUnavailable;
    }
    FieldStore store(*file);
    OperationResult result;
    const auto state = store.update([&](FieldState& field) {
        result = operation(field);
        return result.changed;
    });
    if (!state) {
        return statusOf(state.error());
    }
    emulator::paceLikeHardware(result.work);
    return result.status;
}

}  // namespace

extern "C" {

std::int32_t MF1_CALL MF_Getsnr(std::uint8_t /*mode*/, std::uint8_t /*halt*/,
                                std::uint8_t* shortBuffer, std::uint8_t* longBuffer) {
    return guarded([&] {
        if (shortBuffer == nullptr || longBuffer == nullptr) {
            return Status::NullBuffer;
        }
        auto file = emulator::fieldFile();
        if (!file) {
            return Status::FieldFileUnavailable;
        }
        const auto state = FieldStore(*file).load();
        if (!state) {
            return statusOf(state.error());
        }
        const auto result = emulator::readTag(*state);
        emulator::paceLikeHardware(result.work);
        if (result.status == Status::Ok) {
            shortBuffer[0] = result.number[0];
            std::copy(result.number.begin() + 1, result.number.end(), longBuffer);
        }
        return result.status;
    });
}

std::int32_t MF1_CALL MF_Write(std::uint8_t /*mode*/, std::uint8_t /*blocks*/,
                               std::uint8_t /*count*/, std::uint8_t* writeBlock,
                               std::uint8_t* /*longBuffer*/) {
    return guarded([&] {
        if (writeBlock == nullptr) {
            return Status::NullBuffer;
        }
        emulator::WriteBlock block{};
        std::copy_n(writeBlock, block.size(), block.begin());
        return changeField([&](FieldState& field) { return emulator::writeNumber(field, block); });
    });
}

std::int32_t MF1_CALL ControlBuzzer(std::uint8_t code, std::uint8_t /*times*/,
                                    std::uint8_t* /*longBuffer*/) {
    return guarded([&] {
        return changeField([&](FieldState& field) { return emulator::control(field, code); });
    });
}

const char* MF1_Emulator() {
    return "zeld emulated reader";
}

}  // extern "C"
