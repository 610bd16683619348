#pragma once

#include "emulator/field_state.h"
#include "util/expected.h"

#include <string>
#include <string_view>

// The field file's text: one item a line, a version line first, so a person can read it and
// this emulator can tell a damaged file from a good one. Example:
//
//   zeld-emulated-field 1
//   # The virtual field of the zeld emulated reader. Change it with mf1-field.
//   beeps 3
//   selected-chip t5577
//   tag t5577
//   block 0 00148040 open
//   block 1 FF8C6529 locked
//   ... (blocks 0 to 7 of a T5577; "word N XXXXXXXX" for words 0 to 15 of an EM4305;
//        "frame XXXXXXXXXXXXXXXX" for a read-only EM4100; nothing after "tag none")
//
// Blank lines and lines starting with '#' are ignored; a line may end in CR LF.
namespace emulator {

inline constexpr int kFieldFileVersion = 1;

[[nodiscard]] std::string formatFieldFile(const FieldState& state);

// The state a file's text describes, or what is wrong with it (naming the line).
[[nodiscard]] util::Expected<FieldState, std::string> parseFieldFile(std::string_view text);

}  // namespace emulator
