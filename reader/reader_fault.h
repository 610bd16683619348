#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace reader {

// A reader library call that went wrong in a way no status can say: the library threw an
// exception across its C interface. The call's outcome on the device is unknown.
struct CallFault {
    std::string entryPoint;  // "MF_Getsnr", "MF_Write" or "ControlBuzzer"
    std::string detail;      // the exception's own words, when it had any
};

// Thrown by ReaderLibrary in place of whatever the library threw, so that a command can stop
// and say what happened rather than end the program.
class ReaderFault final : public std::runtime_error {
public:
    explicit ReaderFault(CallFault fault)
        : std::runtime_error(fault.entryPoint + ": " + fault.detail), fault_(std::move(fault)) {}

    [[nodiscard]] const CallFault& fault() const noexcept { return fault_; }

private:
    CallFault fault_;
};

}  // namespace reader
