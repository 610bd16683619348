#include "ui/command_line.h"

#include "reader/library_location.h"
#include "zeld_version.h"

#include <ostream>
#include <string>

namespace ui {

namespace {

constexpr int kDone = 0;
constexpr int kUsageError = 2;

void printHelp(std::ostream& out) {
    out << "Usage: zeld [--help | --version]\n"
           "\n"
           "Zeld V3 reads and writes the numbers of 125 kHz proximity tags (T5577, EM4305) "
           "through\n"
           "a USB reader. It opens one window; it takes no other arguments.\n"
           "\n"
           "The reader's library, "
        << reader::readerLibraryFileName()
        << ", is taken from the program's own folder, or else from\n"
           "../lib/zeld/ relative to it; never from the current directory or a search path.\n"
           "\n"
           "  -h, --help     print this text and exit\n"
           "  -v, --version  print the version and exit\n"
           "\n"
           "Exit status: 0 done, 2 wrong command line.\n";
}

}  // namespace

std::optional<int> answerCommandLine(const std::vector<std::string_view>& arguments,
                                     std::ostream& out, std::ostream& err) {
    if (arguments.empty()) {
        return std::nullopt;
    }
    const std::string_view first = arguments.front();
    std::string mistake;
    if (arguments.size() > 1) {
        mistake = "unexpected argument '" + std::string(arguments[1]) + "'";
    } else if (first == "-h" || first == "--help") {
        printHelp(out);
        return kDone;
    } else if (first == "-v" || first == "--version") {
        out << "zeld " << ZELD_VERSION << '\n';
        return kDone;
    } else if (first.starts_with('-')) {
        mistake = "unknown option '" + std::string(first) + "'";
    } else {
        mistake = "unexpected argument '" + std::string(first) + "'";
    }
    err << "zeld: " << mistake << " (see zeld --help)\n";
    return kUsageError;
}

}  // namespace ui
