#include "emulator/mf1_exports.h"

#include "emulator/field_location.h"
#include "emulator/field_store.h"
#include "emulator/radio_timing.h"
#include "emulator/reader_model.h"
#include "emulator/status_codes.h"
#include "util/expected.h"

#include <algorithm>
#include <chrono>
#include <span>
#include <thread>
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

// Loads the field once, applies `operation` to it, saves it if it changed, then waits out the
// rest of the work's radio time (outside the file's lock). Only at the real pace does a change
// of the tag's memory wait for the disk: the tests' pace has no power cuts to survive.
template <class Operation>
Status changeField(const emulator::CallPace& pace, const Operation& operation) {
    auto file = emulator::fieldFile();
    if (!file) {
        return Status::FieldFileUnavailable;
    }
    const FieldStore store(*file,
                           pace.isReal() ? FieldStore::Sync::TagChanges : FieldStore::Sync::Never);
    OperationResult result;
    const auto state = store.update([&](FieldState& field) {
        result = operation(field);
        return result.changed;
    });
    if (!state) {
        return statusOf(state.error());
    }
    pace.finish(result.work);
    return result.status;
}

// At the real pace, a read that began with an empty field goes on listening for its frames,
// looking at the field every kListenLook: a tag that enters it is heard one frame and a phase
// after it came (heardAt), even when that runs a little past the read's own frames. Returns the
// field as the read last saw it, once the read is over.
util::Expected<FieldState, emulator::FieldError> listen(const FieldStore& store, FieldState field,
                                                        const emulator::CallPace& pace,
                                                        const emulator::RadioWork& work) {
    using Clock = std::chrono::steady_clock;
    const auto end = pace.endOf(work);
    auto lookedAt = Clock::now();
    for (auto look = lookedAt; look < end;) {
        look = std::min(look + emulator::kListenLook, end);  // the last look as the read ends
        std::this_thread::sleep_until(look);
        auto seen = store.load();
        if (!seen) {
            return seen;
        }
        field = *seen;
        const auto now = Clock::now();
        if (field.tag) {
            // It came at some moment since the last look: the middle of that time is the best
            // guess, where the look's own moment would make every tag late by half a look.
            std::this_thread::sleep_until(emulator::heardAt(lookedAt + (now - lookedAt) / 2));
            return field;
        }
        lookedAt = now;
    }
    return field;
}

}  // namespace

extern "C" {

std::int32_t MF1_CALL MF_Getsnr(std::uint8_t /*mode*/, std::uint8_t /*halt*/,
                                std::uint8_t* shortBuffer, std::uint8_t* longBuffer) {
    return guarded([&] {
        const emulator::CallPace pace;  // first, so that everything after counts in its time
        if (shortBuffer == nullptr || longBuffer == nullptr) {
            return Status::NullBuffer;
        }
        auto file = emulator::fieldFile();
        if (!file) {
            return Status::FieldFileUnavailable;
        }
        const FieldStore store(*file);
        auto state = store.load();
        if (!state) {
            return statusOf(state.error());
        }
        auto result = emulator::readTag(*state);
        if (pace.isReal() && !state->tag) {
            state = listen(store, *state, pace, result.work);
            if (!state) {
                return statusOf(state.error());
            }
            result = emulator::readTag(*state);
        } else {
            pace.finish(result.work);
        }
        if (result.status == Status::Ok) {
            reader::putReplyNumber(result.number,
                                   std::span<std::uint8_t, reader::kReplyShortBytes>(
                                       shortBuffer, reader::kReplyShortBytes),
                                   std::span<std::uint8_t, reader::kReplyLongBytes>(
                                       longBuffer, reader::kReplyLongBytes));
        }
        return result.status;
    });
}

std::int32_t MF1_CALL MF_Write(std::uint8_t /*mode*/, std::uint8_t /*blocks*/,
                               std::uint8_t /*count*/, std::uint8_t* writeBlock,
                               std::uint8_t* /*longBuffer*/) {
    return guarded([&] {
        const emulator::CallPace pace;
        if (writeBlock == nullptr) {
            return Status::NullBuffer;
        }
        emulator::WriteBlock block{};
        std::copy_n(writeBlock, block.size(), block.begin());
        return changeField(pace,
                           [&](FieldState& field) { return emulator::writeNumber(field, block); });
    });
}

std::int32_t MF1_CALL ControlBuzzer(std::uint8_t code, std::uint8_t /*times*/,
                                    std::uint8_t* /*longBuffer*/) {
    return guarded([&] {
        const emulator::CallPace pace;
        return changeField(pace, [&](FieldState& field) { return emulator::control(field, code); });
    });
}

const char* MF1_Emulator() {
    return "zeld emulated reader";
}

}  // extern "C"
