#include "reader/emulated_status.h"

namespace reader {

std::string_view describe(EmulatedStatus status) noexcept {
    switch (status) {
        case EmulatedStatus::Ok:
            return "success";
        case EmulatedStatus::NoTag:
            return "no tag in the field";
        case EmulatedStatus::NoValidFrame:
            return "the tag sends no valid EM4100 frame";
        case EmulatedStatus::ChipNotSelected:
            return "no chip selected for the write (ControlBuzzer 4 or 5)";
        case EmulatedStatus::ChipCodeMismatch:
            return "the write names another chip than the one selected";
        case EmulatedStatus::UnknownChipCode:
            return "unknown chip code in the write";
        case EmulatedStatus::WrongChip:
            return "the tag carries the other chip";
        case EmulatedStatus::ReadOnlyTag:
            return "the tag is read-only";
        case EmulatedStatus::PasswordProtected:
            return "the tag is password protected";
        case EmulatedStatus::TargetLocked:
            return "the target block is locked";
        case EmulatedStatus::UnknownControlCode:
            return "unknown control code";
        case EmulatedStatus::NullBuffer:
            return "a buffer argument is missing";
        case EmulatedStatus::FieldFileDamaged:
            return "the field file is damaged";
        case EmulatedStatus::FieldFileUnavailable:
            return "the field file cannot be used";
        case EmulatedStatus::EmulatorFault:
            return "internal failure of the emulator";
    }
    return "unknown status";
}

}  // namespace reader
