#include "ui/command_line.h"

#include "reader/library_location.h"
#include "zeld_version.h"

#include <ostream>
#include <string>

namespace ui {

namespace {

constexpr int kDone = 0;
constexpr int kUsageError = 2;
constexpr std::string_view kDatabase = "--database";

void printHelp(std::ostream& out) {
    out << "Usage: zeld [--help | --version | --database URL]\n"
           "\n"
           "Zeld V3 reads and writes the numbers of 125 kHz proximity tags (T5577, EM4305) "
           "through\n"
           "a USB reader. It opens one window.\n"
           "\n"
           "The reader's library, "
        << reader::readerLibraryFileName()
        << ", is taken from the program's own folder, or else from\n"
           "../lib/zeld/ relative to it; never from the current directory or a search path.\n"
           "\n"
           "  -h, --help        print this text and exit\n"
           "  -v, --version     print the version and exit\n"
           "  --database URL    share batches with other stations through the PostgreSQL\n"
           "                    database at URL (libpq's URL or connection string, without a\n"
           "                    password: libpq's password file holds it, or the window asks);\n"
           "                    for this run, in place of the window's setting. An empty URL\n"
           "                    works alone.\n"
           "\n"
           "Exit status: 0 done, 2 wrong command line.\n";
}

}  // namespace

CommandLineAnswer answerCommandLine(const std::vector<std::string_view>& arguments,
                                    std::ostream& out, std::ostream& err) {
    CommandLineAnswer answer;
    std::string mistake;
    for (std::size_t i = 0; i < arguments.size() && mistake.empty(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "-h" || argument == "--help" || argument == "-v" ||
            argument == "--version") {
            if (arguments.size() > 1) {
                mistake = "unexpected argument '" + std::string(arguments[i == 0 ? 1 : 0]) + "'";
            } else if (argument == "-h" || argument == "--help") {
                printHelp(out);
                answer.exitStatus = kDone;
            } else {
                out << "zeld " << ZELD_VERSION << '\n';
                answer.exitStatus = kDone;
            }
        } else if (argument == kDatabase || argument.starts_with("--database=")) {
            std::optional<std::string_view> url;
            if (argument != kDatabase) {
                url = argument.substr(kDatabase.size() + 1);
            } else if (i + 1 < arguments.size()) {
                url = arguments[++i];
            }
            if (!url) {
                mistake = "--database needs a URL";
            } else if (answer.window.database) {
                mistake = "--database given twice";
            } else {
                answer.window.database = std::string(*url);
            }
        } else if (argument.starts_with('-')) {
            mistake = "unknown option '" + std::string(argument) + "'";
        } else {
            mistake = "unexpected argument '" + std::string(argument) + "'";
        }
    }
    if (!mistake.empty()) {
        err << "zeld: " << mistake << " (see zeld --help)\n";
        answer.exitStatus = kUsageError;
    }
    return answer;
}

}  // namespace ui
