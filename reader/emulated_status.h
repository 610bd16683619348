#pragma once

#include <cstdint>
#include <string_view>

namespace reader {

// What the emulated reader library's entry points return: its published table, which the
// emulated library implements and the program uses to name a refusal's cause. 0 is success;
// every other value names one cause, so a test or a user can tell exactly why a call failed. A
// vendor's library numbers its own statuses: these mean something only from the emulated one.
// Do not renumber them (the README lists them too).
enum class EmulatedStatus : std::int32_t {
    Ok = 0,
    NoTag = 1,                // no tag in the field
    NoValidFrame = 2,         // a tag is there but sends no valid EM4100 frame (blank, other mode)
    ChipNotSelected = 3,      // MF_Write before any ControlBuzzer 4 or 5 selected a chip
    ChipCodeMismatch = 4,     // WriteBlock byte 0 names another chip than the one selected
    UnknownChipCode = 5,      // WriteBlock byte 0 is neither 0 (T5577) nor 2 (EM4305)
    WrongChip = 6,            // the tag carries the other writable chip
    ReadOnlyTag = 7,          // the tag has no writable memory (a plain EM4100 tag)
    PasswordProtected = 8,    // a T5577 with its password bit set refuses the write or lock
    TargetLocked = 9,         // a target block is locked (T5577) or protected (EM4305)
    UnknownControlCode = 10,  // ControlBuzzer code other than 1, 4, 5, 6, 7
    NullBuffer = 11,          // a buffer argument the call needs is a null pointer
    FieldFileDamaged = 20,    // the field file exists but is not a valid field description
    FieldFileUnavailable = 21,  // the field file cannot be located, read, locked or written
    EmulatorFault = 30,         // an unexpected internal failure (out of memory, ...)
};

[[nodiscard]] constexpr std::int32_t toInt(EmulatedStatus status) noexcept {
    return static_cast<std::int32_t>(status);
}

// A short English description of a status, for tools and test messages.
[[nodiscard]] std::string_view describe(EmulatedStatus status) noexcept;

}  // namespace reader
