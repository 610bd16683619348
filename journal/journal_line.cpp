#include "journal/journal_line.h"

#include <algorithm>

namespace journal {

namespace {

std::string hexDigits(const card::TagNumber& number) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte :
         {number.b4, number.number.b3, number.number.b2, number.number.b1, number.number.b0}) {
        text += kDigits[byte >> 4U];
        text += kDigits[byte & 0x0FU];
    }
    return text;
}

int hexValue(char c) noexcept {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Splits a line into its fields, each as it stands between the quotes (a doubled quote left
// doubled). False when the line has more than kColumns fields or a quote left open.
bool splitFields(std::string_view line, std::array<std::string_view, kColumns>& fields,
                 std::size_t& count) noexcept {
    count = 0;
    std::size_t at = 0;
    for (;;) {
        if (count == kColumns) {
            return false;
        }
        std::string_view field;
        if (at < line.size() && line[at] == '"') {
            const std::size_t start = at + 1;
            std::size_t end = start;
            for (;;) {
                end = line.find('"', end);
                if (end == std::string_view::npos) {
                    return false;  // a quote left open: the line was cut short
                }
                if (end + 1 < line.size() && line[end + 1] == '"') {
                    end += 2;
                    continue;
                }
                break;
            }
            field = line.substr(start, end - start);
            at = end + 1;
            if (at < line.size() && line[at] != ',') {
                return false;
            }
        } else {
            const std::size_t end = std::min(line.find(',', at), line.size());
            field = line.substr(at, end - at);
            at = end;
        }
        fields[count++] = field;
        if (at >= line.size()) {
            return true;
        }
        ++at;  // the comma
    }
}

}  // namespace

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string formatLine(std::string_view time, const commands::JournalEntry& entry) {
    using card::Field;
    const auto& n = entry.number.number;
    const card::CardNumber values = card::decodeTagNumber(entry.number.b4, n.b3, n.b2, n.b1, n.b0);
    const std::string eightDigit = card::formatPadded(values.B2, card::fieldWidth(Field::B2)) +
                                   "," +
                                   card::formatPadded(values.B1B0, card::fieldWidth(Field::B1B0));
    std::string line;
    for (const std::string& field :
         {std::string(time), entry.result, hexDigits(entry.number),
          card::formatPadded(values.B4, card::fieldWidth(Field::B4)),
          card::formatPadded(values.B3B0, card::fieldWidth(Field::B3B0)), eightDigit,
          std::string(entry.chip == reader::TagChip::EM4305 ? "EM4305" : "T5577"),
          std::string(entry.locked ? "是" : "否")}) {
        if (!line.empty()) {
            line += ',';
        }
        line += csvField(field);
    }
    line += kLineEnd;
    return line;
}

std::uint64_t numberKey(const card::TagNumber& number) noexcept {
    return (std::uint64_t{number.b4} << 32U) | (std::uint64_t{number.number.b3} << 24U) |
           (std::uint64_t{number.number.b2} << 16U) | (std::uint64_t{number.number.b1} << 8U) |
           std::uint64_t{number.number.b0};
}

std::optional<VerifiedWrite> parseVerifiedWrite(std::string_view line) noexcept {
    std::array<std::string_view, kColumns> fields{};
    std::size_t count = 0;
    if (!splitFields(line, fields, count) || count != kColumns) {
        return std::nullopt;
    }
    if (fields[1].substr(0, kVerifiedPrefix.size()) != kVerifiedPrefix || fields[0].empty() ||
        (fields[7] != "是" && fields[7] != "否")) {
        return std::nullopt;
    }
    const std::string_view hex = fields[2];
    if (hex.size() != 10) {
        return std::nullopt;
    }
    std::uint64_t key = 0;
    for (const char c : hex) {
        const int digit = hexValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        key = (key << 4U) | static_cast<std::uint64_t>(digit);
    }
    return VerifiedWrite{fields[0], key};
}

}  // namespace journal
