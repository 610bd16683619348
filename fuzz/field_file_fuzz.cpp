// The field file parser over any text: it parses or says the file is damaged, and a parsed
// field, even after the reader's model has worked on it, reads back from the text it writes.
#include "check.h"
#include "emulator/field_file_format.h"
#include "emulator/reader_model.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void roundTrips(const emulator::FieldState& state) {
    const std::string text = emulator::formatFieldFile(state);
    const auto again = emulator::parseFieldFile(text);
    FUZZ_CHECK(again && *again == state);
    FUZZ_CHECK(emulator::formatFieldFile(*again) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // NOLINTNEXTLINE(*-reinterpret-cast): the bytes are the file's text
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = emulator::parseFieldFile(text);
    if (!parsed) {
        FUZZ_CHECK(!parsed.error().empty());
        return 0;
    }
    roundTrips(*parsed);

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
