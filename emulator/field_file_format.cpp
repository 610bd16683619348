#include "emulator/field_file_format.h"

#include "card/number_text.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <vector>

namespace emulator {

namespace {

constexpr std::string_view kMagic = "zeld-emulated-field";

std::string_view chipWord(Chip chip) {
    return chip == Chip::T5577 ? "t5577" : "em4305";
}

struct Line {
    int number = 0;
    std::string_view text;
    std::vector<std::string_view> words;
};

std::vector<std::string_view> splitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

std::vector<Line> meaningfulLines(std::string_view text) {
    std::vector<Line> lines;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        auto words = splitWords(line);
        if (words.empty() || words.front().front() == '#') {
            continue;
        }
        lines.push_back(Line{number, line, std::move(words)});
    }
    return lines;
}

// The line's text as it can be shown in a message: printable ASCII only, not too long.
std::string shown(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    std::string result;
    for (const char c : text.substr(0, kLongest)) {
        result += (c >= ' ' && c <= '~') ? c : '?';
    }
    if (text.size() > kLongest) {
        result += "...";
    }
    return result;
}

template <class T>
std::optional<T> parseNumber(std::string_view text, int base, std::size_t digits) {
    if (digits != 0 && text.size() != digits) {
        return std::nullopt;
    }
    if (text.empty() || text.front() == '-' || text.front() == '+') {
        return std::nullopt;
    }
    T value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

class Parser {
public:
    explicit Parser(std::string_view text) : lines_(meaningfulLines(text)) {}

    util::Expected<FieldState, std::string> parse() {
        if (!header()) {
            return fail();
        }
        FieldState state;
        if (!beeps(state) || !selectedChip(state) || !tag(state)) {
            return fail();
        }
        if (next_ < lines_.size()) {
            error_ = at(lines_[next_]) + "unexpected '" + shown(lines_[next_].text) + "'";
            return fail();
        }
        return state;
    }

private:
    util::Expected<FieldState, std::string> fail() { return util::Unexpected{error_}; }

    static std::string at(const Line& line) { return "line " + std::to_string(line.number) + ": "; }

    // The next line, if it starts with `key` and has `arguments` more words.
    const Line* expect(std::string_view key, std::size_t arguments, std::string_view form) {
        if (next_ >= lines_.size()) {
            error_ = "the file ends where '" + std::string(form) + "' was expected";
            return nullptr;
        }
        const Line& line = lines_[next_];
        if (line.words.front() != key || line.words.size() != arguments + 1) {
            error_ =
                at(line) + "expected '" + std::string(form) + "', found '" + shown(line.text) + "'";
            return nullptr;
        }
        ++next_;
        return &line;
    }

    bool invalid(const Line& line, const std::string& what) {
        error_ = at(line) + what + " in '" + shown(line.text) + "'";
        return false;
    }

    bool header() {
        if (lines_.empty()) {
            error_ = "the file is empty (expected '" + std::string(kMagic) + " " +
                     std::to_string(kFieldFileVersion) + "' first)";
            return false;
        }
        const Line& line = lines_.front();
        if (line.words.front() != kMagic || line.words.size() != 2) {
            error_ = at(line) + "not a field file: expected '" + std::string(kMagic) + " " +
                     std::to_string(kFieldFileVersion) + "', found '" + shown(line.text) + "'";
            return false;
        }
        // Compared as text: "01" or "1.0" is no version this emulator ever wrote.
        if (line.words[1] != std::to_string(kFieldFileVersion)) {
            error_ = at(line) + "version '" + shown(line.words[1]) +
                     "' is not one this emulator reads (it reads version " +
                     std::to_string(kFieldFileVersion) + ")";
            return false;
        }
        next_ = 1;
        return true;
    }

    bool beeps(FieldState& state) {
        const Line* line = expect("beeps", 1, "beeps <count>");
        if (line == nullptr) {
            return false;
        }
        const auto count = parseNumber<std::uint32_t>(line->words[1], 10, 0);
        if (!count) {
            return invalid(*line, "the beep count is not a number from 0 to 4294967295");
        }
        state.beeps = *count;
        return true;
    }

    bool selectedChip(FieldState& state) {
        const Line* line = expect("selected-chip", 1, "selected-chip none|t5577|em4305");
        if (line == nullptr) {
            return false;
        }
        const std::string_view chip = line->words[1];
        if (chip == "t5577") {
            state.selectedChip = Chip::T5577;
        } else if (chip == "em4305") {
            state.selectedChip = Chip::EM4305;
        } else if (chip != "none") {
            return invalid(*line, "unknown chip");
        }
        return true;
    }

    bool tag(FieldState& state) {
        const Line* line = expect("tag", 1, "tag none|t5577|em4305|em4100");
        if (line == nullptr) {
            return false;
        }
        const std::string_view kind = line->words[1];
        if (kind == "none") {
            return true;
        }
        if (kind == "t5577") {
            return t5577(state);
        }
        if (kind == "em4305") {
            return em4305(state);
        }
        if (kind == "em4100") {
            return em4100(state);
        }
        return invalid(*line, "unknown tag kind");
    }

    // "<key> <index> <8 hex digits>" for index 0, 1, 2, ... in turn, plus `extra` words.
    const Line* indexedWord(std::string_view key, std::size_t index, std::size_t extra,
                            const std::string& form, std::uint32_t& data) {
        const Line* line = expect(key, 2 + extra, form);
        if (line == nullptr) {
            return nullptr;
        }
        const auto number = parseNumber<std::size_t>(line->words[1], 10, 0);
        if (!number || *number != index) {
            invalid(*line, "expected " + std::string(key) + " " + std::to_string(index));
            return nullptr;
        }
        const auto value = parseNumber<std::uint32_t>(line->words[2], 16, 8);
        if (!value) {
            invalid(*line, "the data is not 8 hexadecimal digits");
            return nullptr;
        }
        data = *value;
        return line;
    }

    bool t5577(FieldState& state) {
        T5577Tag tag;
        for (std::size_t i = 0; i < T5577Tag::kBlocks; ++i) {
            const std::string form = "block " + std::to_string(i) + " <8 hex digits> open|locked";
            const Line* line = indexedWord("block", i, 1, form, tag.blocks[i].data);
            if (line == nullptr) {
                return false;
            }
            const std::string_view lock = line->words[3];
            if (lock != "open" && lock != "locked") {
                return invalid(*line, "the lock bit is neither 'open' nor 'locked'");
            }
            tag.blocks[i].locked = lock == "locked";
        }
        state.tag = tag;
        return true;
    }

    bool em4305(FieldState& state) {
        Em4305Tag tag;
        for (std::size_t i = 0; i < Em4305Tag::kWords; ++i) {
            const std::string form = "word " + std::to_string(i) + " <8 hex digits>";
            if (indexedWord("word", i, 0, form, tag.words[i]) == nullptr) {
                return false;
            }
        }
        state.tag = tag;
        return true;
    }

    bool em4100(FieldState& state) {
        const Line* line = expect("frame", 1, "frame <16 hex digits>");
        if (line == nullptr) {
            return false;
        }
        const auto frame = parseNumber<std::uint64_t>(line->words[1], 16, 16);
        if (!frame) {
            return invalid(*line, "the frame is not 16 hexadecimal digits");
        }
        state.tag = Em4100Tag{*frame};
        return true;
    }

    std::vector<Line> lines_;
    std::size_t next_ = 0;
    std::string error_;
};

}  // namespace

std::string formatFieldFile(const FieldState& state) {
    std::ostringstream out;
    out << kMagic << ' ' << kFieldFileVersion << '\n'
        << "# The virtual field of the zeld emulated reader. Change it with mf1-field.\n"
        << "beeps " << state.beeps << '\n'
        << "selected-chip " << (state.selectedChip ? chipWord(*state.selectedChip) : "none")
        << '\n';
    if (!state.tag) {
        out << "tag none\n";
    } else if (const auto* t5577 = std::get_if<T5577Tag>(&*state.tag)) {
        out << "tag t5577\n";
        for (std::size_t i = 0; i < T5577Tag::kBlocks; ++i) {
            out << "block " << i << ' ' << card::hexWord(t5577->blocks[i].data, 8) << ' '
                << (t5577->blocks[i].locked ? "locked" : "open") << '\n';
        }
    } else if (const auto* em4305 = std::get_if<Em4305Tag>(&*state.tag)) {
        out << "tag em4305\n";
        for (std::size_t i = 0; i < Em4305Tag::kWords; ++i) {
            out << "word " << i << ' ' << card::hexWord(em4305->words[i], 8) << '\n';
        }
    } else {
        out << "tag em4100\n"
            << "frame " << card::hexWord(std::get<Em4100Tag>(*state.tag).frame, 16) << '\n';
    }
    return out.str();
}

util::Expected<FieldState, std::string> parseFieldFile(std::string_view text) {
    return Parser(text).parse();
}

}  // namespace emulator
