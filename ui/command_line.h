#pragma once

#include <iosfwd>
#include <optional>
#include <string_view>
#include <vector>

namespace ui {

// The program's command line (without the program name), answered before any window or display
// is touched: --help and --version print to `out`, anything else the program does not take is
// refused on `err`. Returns the exit status when the command line has been answered, nothing
// when the window should open.
[[nodiscard]] std::optional<int> answerCommandLine(const std::vector<std::string_view>& arguments,
                                                   std::ostream& out, std::ostream& err);

}  // namespace ui
