// The field file parser over any text: it parses or says the file is damaged, and a parsed
// field, even after the reader's model has worked on it, reads back from the text it writes.
// Both ways round: any field built from the input's bytes, every block and word of it, reads
// back from its text as it was; and a text that parses says, line by line, what its field's
// text says.
#include "check.h"
#include "emulator/field_file_format.h"
#include "emulator/reader_model.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

void roundTrips(const emulator::FieldState& state) {
    const std::string text = emulator::formatFieldFile(state);
    const auto again = emulator::parseFieldFile(text);
    FUZZ_CHECK(again && *again == state);
    FUZZ_CHECK(emulator::formatFieldFile(*again) == text);
}

// Any field at all: the tag's kind, each of its blocks or words and lock bits, the chip and the
// beep count, all from the bytes.
emulator::FieldState fieldFrom(FuzzedDataProvider& in) {
    emulator::FieldState state;
    state.beeps = in.ConsumeIntegral<std::uint32_t>();
    switch (in.ConsumeIntegralInRange(0, 2)) {
        case 1:
            state.selectedChip = emulator::Chip::T5577;
            break;
        case 2:
            state.selectedChip = emulator::Chip::EM4305;
            break;
        default:
            break;
    }
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 1: {
            emulator::T5577Tag tag;
            for (auto& block : tag.blocks) {
                block.data = in.ConsumeIntegral<std::uint32_t>();
                block.locked = in.ConsumeBool();
            }
            state.tag = tag;
            break;
        }
        case 2: {
            emulator::Em4305Tag tag;
            for (auto& word : tag.words) {
                word = in.ConsumeIntegral<std::uint32_t>();
            }
            state.tag = tag;
            break;
        }
        case 3:
            state.tag = emulator::Em4100Tag{in.ConsumeIntegral<std::uint64_t>()};
            break;
        default:
            break;
    }
    return state;
}

// The words of a text's lines that are not blank or comments, each line's words joined by one
// space, letters in lower case, and numbers without leading zeros: what the parser reads of it.
std::vector<std::string> meaning(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        std::string words;
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
                ++i;
            }
            std::string word;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                word += static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
                ++i;
            }
            if (word.empty()) {
                continue;
            }
            if (std::ranges::all_of(word, [](char c) { return c >= '0' && c <= '9'; })) {
                const std::size_t first = word.find_first_not_of('0');
                word = first == std::string::npos ? "0" : word.substr(first);
            }
            words += (words.empty() ? "" : " ") + word;
        }
        if (!words.empty() && words.front() != '#') {
            lines.push_back(words);
        }
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        FuzzedDataProvider in(data, size);
        roundTrips(fieldFrom(in));
    }

    // NOLINTNEXTLINE(*-reinterpret-cast): the bytes are the file's text
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = emulator::parseFieldFile(text);
    if (!parsed) {
        FUZZ_CHECK(!parsed.error().empty());
        return 0;
    }
    roundTrips(*parsed);
    // Nothing the text says is lost or changed on the way in.
    FUZZ_CHECK(meaning(text) == meaning(emulator::formatFieldFile(*parsed)));

    // Each thing a reader does to the field, with the number taken from the text's first bytes.
    emulator::FieldState field = *parsed;
    static_cast<void>(emulator::readTag(field));
    emulator::WriteBlock block{};
    for (std::size_t i = 0; i < block.size() && i < size; ++i) {
        block[i] = data[i];
    }
    const std::uint8_t codes[] = {4, 1, 6, 5, 7};
    for (const std::uint8_t code : codes) {
        static_cast<void>(emulator::control(field, code));
        block[0] = reader::chipCode(code == 5 ? reader::TagChip::EM4305 : reader::TagChip::T5577);
        static_cast<void>(emulator::writeNumber(field, block));
        roundTrips(field);
    }
    return 0;
}
