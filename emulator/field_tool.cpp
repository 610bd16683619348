#include "emulator/field_tool.h"

#include "card/card_number.h"
#include "card/number_text.h"
#include "emulator/field_location.h"
#include "emulator/field_store.h"
#include "emulator/tags.h"

#include <charconv>
#include <cstdint>
#include <iomanip>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <variant>

namespace emulator {

namespace {

constexpr std::string_view kUsage =
    R"(Usage: mf1-field COMMAND [ARGUMENTS]

Handles the virtual field of the zeld emulated reader: which tag lies at the reader, with its
memory, and how often the buzzer has sounded. The program sees the change at its next read or
write.

Commands:
  place KIND [NUMBER] [--password-locked]
                 Put a tag into the field, in place of any tag there. KIND is
                 t5577 or em4305 (writable tags) or em4100 (a read-only tag, which
                 needs a NUMBER). A writable tag placed without a NUMBER is blank:
                 it sends no valid frame until it is written.
                 --password-locked (t5577 only): the tag demands a password the
                 reader does not know, so every write to it fails.
  remove         Take the tag out of the field.
  show           Print the tag's kind, its memory block by block with the lock
                 bits, and the number it sends.
  beeps          Print how often the buzzer has sounded.
  reset [--force]
                 Empty the field, set the beep count to 0 and forget the chip
                 selected for writes. A damaged field file is only replaced
                 with --force.
  help           Print this text (also -h, --help).

NUMBER is the tag number B4 B3 B2 B1 B0 in one of these forms:
  1122334455, 0x1122334455   ten hexadecimal digits, B4 first
  wg34:B4:B3B0               the program's ten-digit notation, e.g. wg34:0:1
  wg26:B4:B2,B1B0            the program's eight-digit notation (B3 = 0),
                             e.g. wg26:0:255,65535

The field file is $MF1_EMULATOR_FIELD when that is set, else
$XDG_STATE_HOME/zeld/emulated-field (~/.local/state/zeld/emulated-field) on Linux and
%LOCALAPPDATA%\zeld\emulated-field on Windows. The folder of a file named in
MF1_EMULATOR_FIELD must exist; the default folder is created when first needed.

Exit status: 0 done, 1 the field file is damaged or cannot be used, 2 wrong command line.
)";

constexpr std::string_view kNumberForms =
    "give ten hexadecimal digits (1122334455), wg34:B4:B3B0 (wg34:0:1) or wg26:B4:B2,B1B0 "
    "(wg26:0:255,65535)";

struct UsageError {
    std::string message;
};

// A decimal field of a notation: digits only, at most `maximum`.
std::uint64_t decimalPart(std::string_view text, std::string_view name, std::uint64_t maximum,
                          std::string_view whole) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    const bool digitsOnly =
        !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    if (!digitsOnly || error != std::errc{} || stop != end || value > maximum) {
        throw UsageError{"'" + std::string(whole) + "': " + std::string(name) +
                         " must be a decimal number from 0 to " + std::to_string(maximum) +
                         ", not '" + std::string(text) + "'"};
    }
    return value;
}

CardNumber parseNumber(std::string_view text) {
    const std::string_view original = text;
    auto startsWith = [&](std::string_view prefix) {
        return text.substr(0, prefix.size()) == prefix;
    };
    if (startsWith("wg34:") || startsWith("wg26:")) {
        const bool tenDigit = startsWith("wg34:");
        text.remove_prefix(5);
        const auto colon = text.find(':');
        if (colon == std::string_view::npos) {
            throw UsageError{
                "'" + std::string(original) + "' is not a tag number: " +
                std::string(tenDigit ? "expected wg34:B4:B3B0" : "expected wg26:B4:B2,B1B0")};
        }
        const auto b4 = decimalPart(text.substr(0, colon), "B4", 255, original);
        const std::string_view rest = text.substr(colon + 1);
        std::uint64_t value = 0;
        if (tenDigit) {
            value = decimalPart(rest, "B3B0", 4294967295U, original);
        } else {
            const auto comma = rest.find(',');
            if (comma == std::string_view::npos) {
                throw UsageError{"'" + std::string(original) +
                                 "' is not a tag number: expected wg26:B4:B2,B1B0"};
            }
            value = decimalPart(rest.substr(0, comma), "B2", 255, original) << 16U |
                    decimalPart(rest.substr(comma + 1), "B1B0", 65535, original);
        }
        return card::tagNumberFromValue(b4 << 32U | value);
    }
    if (startsWith("0x") || startsWith("0X")) {
        text.remove_prefix(2);
    }
    const auto number = card::parseHexDigits(text);
    if (!number) {
        throw UsageError{"'" + std::string(original) +
                         "' is not a tag number: " + std::string(kNumberForms)};
    }
    return *number;
}

TagKind parseKind(std::string_view text) {
    if (text == "t5577" || text == "T5577") {
        return TagKind::T5577;
    }
    if (text == "em4305" || text == "EM4305") {
        return TagKind::EM4305;
    }
    if (text == "em4100" || text == "EM4100") {
        return TagKind::EM4100;
    }
    throw UsageError{"unknown tag kind '" + std::string(text) +
                     "': use t5577, em4305 or em4100 (read-only)"};
}

std::string t5577ModulationName(unsigned modulation) {
    switch (modulation) {
        case 0:
            return "direct";
        case 1:
            return "PSK1";
        case 2:
            return "PSK2";
        case 3:
            return "PSK3";
        case 4:
            return "FSK1";
        case 5:
            return "FSK2";
        case 6:
            return "FSK1a";
        case 7:
            return "FSK2a";
        case kT5577Manchester:
            return "Manchester";
        case 16:
            return "bi-phase";
        default:
            return "modulation " + std::to_string(modulation);
    }
}

std::string em4305EncoderName(unsigned encoder) {
    switch (encoder) {
        case kEm4305Manchester:
            return "Manchester";
        case 2:
            return "bi-phase";
        default:
            return "encoder " + std::to_string(encoder);
    }
}

std::string range(std::string_view what, unsigned first, unsigned last) {
    if (last < first) {
        return "sends nothing";
    }
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "-" + std::to_string().
    std::string text = "sends ";
    text.append(what).append(" ").append(std::to_string(first));
    if (last > first) {
        text.append("-").append(std::to_string(last));
    }
    return text;
}

// One line of a memory dump: index, data, lock state and, when there is one, a note.
void dumpLine(std::ostream& out, std::string_view unit, std::size_t index, std::uint32_t data,
              std::string_view lockState, const std::string& note) {
    out << "  " << unit << ' ' << std::setw(2) << index << "  " << card::hexWord(data, 8) << "  ";
    if (note.empty()) {
        out << lockState << '\n';
    } else {
        out << std::left << std::setw(9) << lockState << std::right << "  " << note << '\n';
    }
}

void showT5577(const T5577Tag& tag, std::ostream& out) {
    out << "Tag: T5577, writable\n";
    for (std::size_t i = 0; i < T5577Tag::kBlocks; ++i) {
        const auto& block = tag.blocks[i];
        std::string note;
        if (i == 0) {
            const auto config = decodeT5577Config(block.data);
            note = "configuration: RF/" + std::to_string(config.bitRate) + ", " +
                   t5577ModulationName(config.modulation) + ", " +
                   range("blocks", 1, config.maxBlock) +
                   (config.password ? ", password required for writes" : "");
        } else if (i == kT5577PasswordBlock) {
            note = "password";
        }
        dumpLine(out, "block", i, block.data, block.locked ? "locked" : "open", note);
    }
}

void showEm4305(const Em4305Tag& tag, std::ostream& out) {
    out << "Tag: EM4305, writable\n";
    const std::uint32_t protectedWords = em4305ProtectedWords(tag);
    for (std::size_t i = 0; i < Em4305Tag::kWords; ++i) {
        std::string note;
        if (i == kEm4305UidWord) {
            note = "serial number";
        } else if (i == kEm4305ConfigWord) {
            const auto config = decodeEm4305Config(tag.words[i]);
            note = "configuration: RF/" + std::to_string(config.bitRate) + ", " +
                   em4305EncoderName(config.encoder) + ", " +
                   range("words", static_cast<unsigned>(kEm4305FirstDataWord), config.lastReadWord);
        } else if (i == kEm4305ProtectionWords[0] || i == kEm4305ProtectionWords[1]) {
            note = "protection register";
        }
        dumpLine(out, "word", i, tag.words[i],
                 (protectedWords >> i & 1U) != 0 ? "protected" : "open", note);
    }
}

void showNumber(const Tag& tag, std::ostream& out) {
    const auto number = readNumber(tag);
    if (!number) {
        out << "Number: none (the tag sends no valid EM4100 frame)\n";
        return;
    }
    const auto& n = *number;
    const std::string b4 = card::fieldText(n, card::Field::B4);
    out << "Frame: " << card::hexWord(encodeFrame(n), 16) << '\n'
        << "Number: " << card::hexDigits(n) << " (hexadecimal, B4 first)\n"
        << "  ten-digit notation:   " << b4 << ' ' << card::tenDigitText(n) << '\n'
        << "  eight-digit notation: " << b4 << ' ' << card::eightDigitText(n) << '\n';
}

void show(const FieldState& state, const FieldStore& store, std::ostream& out) {
    out << "Field file: " << store.file().string() << '\n';
    if (!state.tag) {
        out << "Tag: none (the field is empty)\n";
    } else if (const auto* t5577 = std::get_if<T5577Tag>(&*state.tag)) {
        showT5577(*t5577, out);
    } else if (const auto* em4305 = std::get_if<Em4305Tag>(&*state.tag)) {
        showEm4305(*em4305, out);
    } else {
        out << "Tag: EM4100, read-only\n"
            << "  frame " << card::hexWord(std::get<Em4100Tag>(*state.tag).frame, 16) << '\n';
    }
    if (state.tag) {
        showNumber(*state.tag, out);
    }
    out << "Chip selected for writes: "
        << (state.selectedChip ? (*state.selectedChip == Chip::T5577 ? "T5577" : "EM4305") : "none")
        << '\n'
        << "Beeps: " << state.beeps << '\n';
}

Tag placedTag(const std::vector<std::string_view>& arguments) {
    std::optional<TagKind> kind;
    std::optional<CardNumber> number;
    bool passwordLocked = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--password-locked") {
            passwordLocked = true;
        } else if (argument.substr(0, 2) == "--") {
            throw UsageError{"place: unknown option '" + std::string(argument) + "'"};
        } else if (!kind) {
            kind = parseKind(argument);
        } else if (!number) {
            number = parseNumber(argument);
        } else {
            throw UsageError{"place: too many arguments at '" + std::string(argument) + "'"};
        }
    }
    if (!kind) {
        throw UsageError{"place: which kind of tag? use t5577, em4305 or em4100"};
    }
    if (passwordLocked && *kind != TagKind::T5577) {
        throw UsageError{"place: --password-locked is for t5577 tags only"};
    }
    if (passwordLocked) {
        return passwordLockedT5577(number);
    }
    if (number) {
        return tagHolding(*kind, *number);
    }
    switch (*kind) {
        case TagKind::T5577:
            return blankT5577();
        case TagKind::EM4305:
            return blankEm4305();
        case TagKind::EM4100:
            break;
    }
    throw UsageError{"place: an em4100 tag is read-only, so it needs its NUMBER"};
}

void noMoreArguments(const std::vector<std::string_view>& arguments, std::size_t expected) {
    if (arguments.size() > expected) {
        throw UsageError{std::string(arguments[0]) + ": unexpected argument '" +
                         std::string(arguments[expected]) + "'"};
    }
}

int fieldError(const FieldError& error, std::ostream& err) {
    err << "mf1-field: " << error.message << '\n';
    if (error.kind == FieldError::Kind::Damaged) {
        err << "mf1-field: the file was left as it is. Mend it by hand, or run "
               "'mf1-field reset --force' to replace it with an empty field.\n";
    }
    return kToolFieldError;
}

int changeField(FieldStore& store, const std::function<void(FieldState&)>& change,
                std::ostream& err) {
    const auto state = store.update([&](FieldState& field) {
        change(field);
        return true;
    });
    return state ? kToolOk : fieldError(state.error(), err);
}

int run(const std::vector<std::string_view>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.empty()) {
        throw UsageError{"no command given"};
    }
    const std::string_view command = arguments[0];
    if (command == "help" || command == "-h" || command == "--help") {
        out << kUsage;
        return kToolOk;
    }
    if (command != "place" && command != "remove" && command != "show" && command != "beeps" &&
        command != "reset") {
        throw UsageError{"unknown command '" + std::string(command) + "'"};
    }
    Tag tag;
    bool force = false;
    if (command == "place") {
        tag = placedTag(arguments);
    } else if (command == "reset" && arguments.size() > 1 && arguments[1] == "--force") {
        force = true;
        noMoreArguments(arguments, 2);
    } else {
        noMoreArguments(arguments, 1);
    }

    auto file = fieldFile();
    if (!file) {
        err << "mf1-field: " << file.error() << '\n';
        return kToolFieldError;
    }
    FieldStore store(*file);
    if (command == "place") {
        return changeField(
            store, [&](FieldState& field) { field.tag = tag; }, err);
    }
    if (command == "remove") {
        return changeField(
            store, [](FieldState& field) { field.tag.reset(); }, err);
    }
    if (command == "reset") {
        if (force) {
            const auto error = store.overwrite(FieldState{});
            return error ? fieldError(*error, err) : kToolOk;
        }
        return changeField(
            store, [](FieldState& field) { field = FieldState{}; }, err);
    }
    const auto state = store.load();
    if (!state) {
        return fieldError(state.error(), err);
    }
    if (command == "beeps") {
        out << state->beeps << '\n';
    } else {
        show(*state, store, out);
    }
    return kToolOk;
}

}  // namespace

int runFieldTool(const std::vector<std::string_view>& arguments, std::ostream& out,
                 std::ostream& err) {
    try {
        return run(arguments, out, err);
    } catch (const UsageError& error) {
        err << "mf1-field: " << error.message << "\n"
            << "Run 'mf1-field --help' for the commands and number forms.\n";
        return kToolUsageError;
    }
}

}  // namespace emulator
