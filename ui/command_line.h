#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// What the command line asks of the window.
struct WindowRequest {
    // --database URL: this run's shared database, in place of the one in the settings (an empty
    // URL: none, the station works on its own).
    std::optional<std::string> database;
};

// The program's command line (without the program name), answered before any window or display
// is touched: --help and --version print to `out`, anything else the program does not take is
// refused on `err`. The exit status when the command line has been answered; otherwise what the
// window is to do.
struct CommandLineAnswer {
    std::optional<int> exitStatus;
    WindowRequest window;
};
[[nodiscard]] CommandLineAnswer answerCommandLine(const std::vector<std::string_view>& arguments,
                                                  std::ostream& out, std::ostream& err);

}  // namespace ui
