// mf1-field, run as a process from beside the test executable, on good and bad command lines.
#include "emulator/environment.h"
#include "emulator/field_location.h"
#include "emulator/field_store.h"
#include "platform/program_location.h"
#include "support/emulator_control.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;
using testing_support::EmulatorControl;
using Kind = EmulatorControl::TagKind;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) {
#if defined(_WIN32)
    return "\"" + text + "\"";
#else
    std::string result = "'";
    for (const char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
#endif
}

// The text of a file; as a Windows console tool writes CRLF, line ends are read as LF.
std::string contentOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// Runs mf1-field with these arguments; the field is the one MF1_EMULATOR_FIELD names now. The
// tool's output is kept beside the field file, or in `outputFolder` when one is given.
ToolRun runTool(const std::vector<std::string>& arguments, const fs::path& outputFolder = {}) {
#if defined(_WIN32)
    const char* name = "mf1-field.exe";
#else
    const char* name = "mf1-field";
#endif
    const fs::path tool = *platform::executableFolder() / name;
    // Beside the field file, which is this process's own: parallel tests never share them.
    const auto fieldFile = emulator::environmentPath(emulator::kFieldVariable);
    if (!fieldFile) {
        ADD_FAILURE() << "run the tool under an EmulatorControl";
        return {};
    }
    const fs::path outputStem =
        outputFolder.empty() ? fs::path(*fieldFile) : outputFolder / fieldFile->filename();
    const fs::path output = fs::path(outputStem) += ".out";
    const fs::path errors = fs::path(outputStem) += ".err";
    std::string command = quoted(tool.string());
    for (const auto& argument : arguments) {
        command += " " + quoted(argument);
    }
    command += " >" + quoted(output.string()) + " 2>" + quoted(errors.string());
#if defined(_WIN32)
    command = "\"" + command + "\"";
#endif
    const int status = std::system(command.c_str());  // NOLINT(cert-env33-c,concurrency-mt-unsafe)
    ToolRun run;
#if defined(_WIN32)
    run.exitCode = status;
#else
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.out = contentOf(output);
    run.err = contentOf(errors);
    fs::remove(output);
    fs::remove(errors);
    return run;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(FieldTool, HelpExplainsTheCommandsAndTheNumberForms) {
    const EmulatorControl field;
    for (const char* option : {"--help", "-h", "help"}) {
        const auto run = runTool({option});
        EXPECT_EQ(run.exitCode, 0) << option;
        EXPECT_TRUE(run.err.empty()) << run.err;
        for (const char* part :
             {"Usage: mf1-field", "place KIND", "remove", "show", "beeps", "reset",
              "--password-locked", "wg34:B4:B3B0", "wg26:B4:B2,B1B0", "MF1_EMULATOR_FIELD"}) {
            EXPECT_TRUE(contains(run.out, part)) << option << " lacks " << part;
        }
    }
}

struct PlaceCase {
    const char* name;
    std::vector<std::string> arguments;
    emulator::Tag expected;

    friend void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }
};

class ToolPlaces : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(ToolPlaces, TheTagAskedFor) {
    const EmulatorControl field;
    field.placeTag(Kind::EM4305, {9, 9, 9, 9, 9});  // replaced by the new tag
    std::vector<std::string> arguments{"place"};
    arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    const auto run = runTool(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(field.tag(), GetParam().expected);
}

constexpr emulator::CardNumber kVector{0x11, 0x22, 0x33, 0x44, 0x55};

INSTANTIATE_TEST_SUITE_P(
    GoodInput, ToolPlaces,
    ::testing::Values(
        PlaceCase{"T5577Hex", {"t5577", "1122334455"}, emulator::t5577Holding(kVector)},
        PlaceCase{
            "T5577HexPrefixAndCase", {"T5577", "0x1122334455"}, emulator::t5577Holding(kVector)},
        PlaceCase{"LowerCaseHex",
                  {"t5577", "ffFFffFFff"},
                  emulator::t5577Holding({0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        PlaceCase{
            "TenDigitNotation", {"t5577", "wg34:17:573785173"}, emulator::t5577Holding(kVector)},
        PlaceCase{"TenDigitNotationPadded",
                  {"t5577", "wg34:000:0000000001"},
                  emulator::t5577Holding({0, 0, 0, 0, 1})},
        PlaceCase{"TenDigitNotationTop",
                  {"t5577", "wg34:255:4294967295"},
                  emulator::t5577Holding({0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        PlaceCase{"EightDigitNotation",
                  {"em4305", "wg26:0:255,65535"},
                  emulator::em4305Holding({0, 0, 0xFF, 0xFF, 0xFF})},
        PlaceCase{"Em4305",
                  {"em4305", "5800856402"},
                  emulator::em4305Holding({0x58, 0x00, 0x85, 0x64, 0x02})},
        PlaceCase{"ReadOnly",
                  {"em4100", "5800856402"},
                  emulator::em4100Holding({0x58, 0x00, 0x85, 0x64, 0x02})},
        PlaceCase{"BlankT5577", {"t5577"}, emulator::blankT5577()},
        PlaceCase{"BlankEm4305", {"em4305"}, emulator::blankEm4305()},
        PlaceCase{"PasswordLocked",
                  {"t5577", "--password-locked", "0000000001"},
                  emulator::passwordLockedT5577(emulator::CardNumber{0, 0, 0, 0, 1})},
        PlaceCase{"PasswordLockedOptionLast",
                  {"t5577", "0000000001", "--password-locked"},
                  emulator::passwordLockedT5577(emulator::CardNumber{0, 0, 0, 0, 1})}));

TEST(FieldTool, RemoveEmptiesTheFieldAndKeepsTheBeeps) {
    const EmulatorControl field;
    field.placeTag({1, 2, 3, 4, 5});
    ASSERT_TRUE(emulator::FieldStore(field.fieldFile()).update([](emulator::FieldState& f) {
        f.beeps = 4;
        return true;
    }));
    const auto run = runTool({"remove"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(field.tag(), std::nullopt);
    EXPECT_EQ(field.beepCount(), 4U);
}

TEST(FieldTool, BeepsPrintsTheCount) {
    const EmulatorControl field;
    EXPECT_EQ(runTool({"beeps"}).out, "0\n");
    ASSERT_TRUE(emulator::FieldStore(field.fieldFile()).update([](emulator::FieldState& f) {
        f.beeps = 12;
        return true;
    }));
    const auto run = runTool({"beeps"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "12\n");
}

TEST(FieldTool, ResetEmptiesTheFieldAndClearsBeepsAndSelection) {
    const EmulatorControl field;
    ASSERT_TRUE(emulator::FieldStore(field.fieldFile()).update([](emulator::FieldState& f) {
        f = emulator::FieldState{emulator::blankT5577(), emulator::Chip::T5577, 3};
        return true;
    }));
    const auto run = runTool({"reset"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(field.state(), emulator::FieldState{});
}

TEST(FieldTool, ShowGivesTheMemoryAndTheNumberInBothNotations) {
    const EmulatorControl field;
    field.placeTag(Kind::T5577, kVector);
    const auto run = runTool({"show"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* part :
         {"T5577", "block  0  00148040  open", "block  1  FF8C6529  open",
          "block  2  8C94A940  open", "block  7  00000000", "RF/64", "Manchester",
          "FF8C65298C94A940", "1122334455", "017 0573785173", "017 051,17493", "Beeps: 0"}) {
        EXPECT_TRUE(contains(run.out, part)) << "lacks '" << part << "' in\n" << run.out;
    }
    EXPECT_TRUE(contains(run.out, field.fieldFile().string()));
}

TEST(FieldTool, ShowMarksLockedBlocksAndProtectedWords) {
    const EmulatorControl field;
    auto t5577 = emulator::t5577Holding({0, 0, 0, 0, 1});
    t5577.blocks[2].locked = true;
    field.placeTag(t5577);
    auto run = runTool({"show"});
    EXPECT_TRUE(contains(run.out, "block  2  00000062  locked")) << run.out;
    EXPECT_TRUE(contains(run.out, "block  1  FF800000  open")) << run.out;

    auto em4305 = emulator::em4305Holding({0, 0, 0, 0, 1});
    emulator::protectEm4305Words(em4305, 1U << 6U);
    field.placeTag(em4305);
    run = runTool({"show"});
    // Word 6 holds the frame's low half 00000062 with its bits reversed.
    EXPECT_TRUE(contains(run.out, "word  6  46000000  protected")) << run.out;
    EXPECT_TRUE(contains(run.out, "word  5  000001FF  open")) << run.out;
    EXPECT_TRUE(contains(run.out, "EM4305")) << run.out;
    EXPECT_TRUE(contains(run.out, "000 0000000001")) << run.out;
    EXPECT_TRUE(contains(run.out, "000 000,00001")) << run.out;
}

TEST(FieldTool, ShowSaysWhenTheFieldIsEmptyOrTheTagSendsNoFrame) {
    const EmulatorControl field;
    auto run = runTool({"show"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(contains(run.out, "Tag: none")) << run.out;

    field.placeEmptyTag(Kind::EM4305);
    run = runTool({"show"});
    EXPECT_TRUE(contains(run.out, "Number: none")) << run.out;
    EXPECT_TRUE(contains(run.out, "RF/32")) << run.out;
}

struct BadInput {
    const char* name;
    std::vector<std::string> arguments;
    const char* message;  // a part of what the tool says is wrong

    friend void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }
};

class ToolRefuses : public ::testing::TestWithParam<BadInput> {};

TEST_P(ToolRefuses, BadInputSayingWhatIsWrongAndChangesNothing) {
    const EmulatorControl field;
    field.placeTag(Kind::EM4305, {1, 2, 3, 4, 5});
    const auto before = field.state();
    const auto run = runTool(GetParam().arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(contains(run.err, GetParam().message)) << run.err;
    EXPECT_TRUE(contains(run.err, "--help")) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_EQ(field.state(), before);
}

INSTANTIATE_TEST_SUITE_P(
    EachMistake, ToolRefuses,
    ::testing::Values(
        BadInput{"NoCommand", {}, "no command"},
        BadInput{"UnknownCommand", {"frobnicate"}, "unknown command 'frobnicate'"},
        BadInput{"PlaceWithoutKind", {"place"}, "which kind"},
        BadInput{"UnknownKind", {"place", "mifare"}, "unknown tag kind 'mifare'"},
        BadInput{"ShortNumber", {"place", "t5577", "12345"}, "'12345' is not a tag number"},
        BadInput{"LongNumber", {"place", "t5577", "112233445566"}, "is not a tag number"},
        BadInput{"NotHex", {"place", "t5577", "11223344GG"}, "is not a tag number"},
        BadInput{"B4TooLarge", {"place", "t5577", "wg34:256:1"}, "B4 must be"},
        BadInput{"B4Negative", {"place", "t5577", "wg34:-1:1"}, "B4 must be"},
        BadInput{"B3B0TooLarge", {"place", "t5577", "wg34:0:4294967296"}, "B3B0 must be"},
        BadInput{"B2TooLarge", {"place", "t5577", "wg26:0:256,1"}, "B2 must be"},
        BadInput{"B1B0TooLarge", {"place", "t5577", "wg26:0:1,65536"}, "B1B0 must be"},
        BadInput{"EightDigitWithoutComma", {"place", "t5577", "wg26:0:1"}, "wg26:B4:B2,B1B0"},
        BadInput{"NotationWithoutB4", {"place", "t5577", "wg34:1"}, "wg34:B4:B3B0"},
        BadInput{"ReadOnlyWithoutNumber", {"place", "em4100"}, "needs its NUMBER"},
        BadInput{"PasswordOnEm4305", {"place", "em4305", "--password-locked"}, "t5577 tags only"},
        BadInput{
            "TwoNumbers", {"place", "t5577", "1122334455", "1122334455"}, "too many arguments"},
        BadInput{"UnknownOption", {"place", "t5577", "--lock"}, "unknown option '--lock'"},
        BadInput{"RemoveWithArgument", {"remove", "now"}, "unexpected argument 'now'"},
        BadInput{"ResetWithUnknownOption", {"reset", "--hard"}, "unexpected argument '--hard'"},
        BadInput{"BeepsWithArgument", {"beeps", "3"}, "unexpected argument '3'"}));

class ToolOnADamagedField : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(ToolOnADamagedField, SaysSoAndLeavesTheFileAsItIs) {
    const EmulatorControl field;
    const std::string damaged = "zeld-emulated-field 1\nbeeps 0\nselected-chip maybe\n";
    {
        std::ofstream out(field.fieldFile(), std::ios::binary);
        out << damaged;
    }
    const auto run = runTool(GetParam());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, "damaged")) << run.err;
    EXPECT_TRUE(contains(run.err, "line 3")) << run.err;
    EXPECT_TRUE(contains(run.err, "reset --force")) << run.err;
    EXPECT_EQ(contentOf(field.fieldFile()), damaged);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, ToolOnADamagedField,
                         ::testing::Values(std::vector<std::string>{"show"},
                                           std::vector<std::string>{"beeps"},
                                           std::vector<std::string>{"remove"},
                                           std::vector<std::string>{"reset"},
                                           std::vector<std::string>{"place", "t5577"}));

TEST(FieldTool, RefusesANamedFieldFileInAFolderThatDoesNotExist) {
    const testing_support::ScratchFolder scratch;
    const fs::path absent = scratch.path() / "absent";
    const EmulatorControl field(absent / "field");
    const auto run = runTool({"place", "t5577"}, scratch.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, absent.string() + " of the field file")) << run.err;
    EXPECT_TRUE(contains(run.err, "does not exist")) << run.err;
    EXPECT_FALSE(fs::exists(absent));
}

TEST(FieldTool, ResetForceReplacesADamagedField) {
    const EmulatorControl field;
    {
        std::ofstream out(field.fieldFile(), std::ios::binary);
        out << "not a field at all";
    }
    const auto run = runTool({"reset", "--force"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(field.state(), emulator::FieldState{});
}

}  // namespace
