#pragma once

#include <iosfwd>
#include <string_view>
#include <vector>

namespace emulator {

// Exit statuses of mf1-field.
inline constexpr int kToolOk = 0;
inline constexpr int kToolFieldError = 1;  // the field file is damaged or cannot be used
inline constexpr int kToolUsageError = 2;  // the command line is wrong

// mf1-field with these arguments (without the program name): does what they ask to the field
// in the field file, prints results to `out` and errors to `err`; returns the exit status.
int runFieldTool(const std::vector<std::string_view>& arguments, std::ostream& out,
                 std::ostream& err);

}  // namespace emulator
