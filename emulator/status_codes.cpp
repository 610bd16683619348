#include "emulator/status_codes.h"

namespace emulator {

std::string_view describe(Status status) noexcept {
    switch (status) {
        case Status::Ok:
            return "success";
        case Status::NoTag:
            return "no tag in the field";
        case Status::NoValidFrame:
            return "the tag sends no valid EM4100 frame";
        case Status::ChipNotSelected:
            return "no chip selected for the write (ControlBuzzer 4 or 5)";
        case Status::ChipCodeMismatch:
            return "the write names another chip than the one selected";
        case Status::UnknownChipCode:
            return "unknown chip code in the write";
        case Status::WrongChip:
            return "the tag carries the other chip";
        case Status::ReadOnlyTag:
            return "the tag is read-only";
        case Status::PasswordProtected:
            return "the tag is password protected";
        case Status::TargetLocked:
            return "the target block is locked";
        case Status::UnknownControlCode:
            return "unknown control code";
        case Status::NullBuffer:
            return "a buffer argument is missing";
        case Status::FieldFileDamaged:
            return "the field file is damaged";
        case Status::FieldFileUnavailable:
            return "the field file cannot be used";
        case Status::EmulatorFault:
            return "internal failure of the emulator";
    }
    return "unknown status";
}

}  // namespace emulator
