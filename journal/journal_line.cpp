#include "journal/journal_line.h"

#include <algorithm>

namespace journal {

bool splitFields(std::string_view line, std::array<CsvField, kColumns>& fields,
                 std::size_t& count) noexcept {
    count = 0;
    std::size_t at = 0;
    for (;;) {
        if (count == kColumns) {
            return false;
        }
        CsvField field;
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
            field = CsvField{line.substr(start, end - start), true};
            at = end + 1;
            if (at < line.size() && line[at] != ',') {
                return false;
            }
        } else {
            const std::size_t end = std::min(line.find(',', at), line.size());
            if (line.substr(at, end - at).find('"') != std::string_view::npos) {
                return false;  // a quote that no writer of this file puts there
            }
            field = CsvField{line.substr(at, end - at), false};
            at = end;
        }
        fields[count++] = field;
        if (at >= line.size()) {
            return true;
        }
        ++at;  // the comma
    }
}

std::string unquoted(const CsvField& field) {
    if (!field.quoted) {
        return std::string(field.text);
    }
    std::string text;
    text.reserve(field.text.size());
    for (std::size_t i = 0; i < field.text.size(); ++i) {
        text += field.text[i];
        if (field.text[i] == '"') {
            ++i;  // the second of a doubled quote
        }
    }
    return text;
}

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
    const card::TagNumber& number = entry.number;
    std::string line;
    for (const std::string& field :
         {std::string(time), entry.result, card::hexDigits(number),
          card::fieldText(number, Field::B4), card::tenDigitText(number),
          card::eightDigitText(number),
          std::string(entry.chip == reader::TagChip::EM4305 ? "EM4305" : "T5577"),
          std::string(entry.locked ? "是" : "否"), std::string(entry.verified ? "是" : "否"),
          entry.previousNumber ? card::hexDigits(*entry.previousNumber) : std::string()}) {
        if (!line.empty()) {
            line += ',';
        }
        line += csvField(field);
    }
    line += kLineEnd;
    return line;
}

std::optional<LineRecord> parseLine(std::string_view line) noexcept {
    std::array<CsvField, kColumns> raw{};
    std::size_t count = 0;
    if (!splitFields(line, raw, count) || (count != kColumns && count != kOldColumns)) {
        return std::nullopt;
    }
    // None of the fields looked at here holds a quote when the program wrote the line.
    std::array<std::string_view, kColumns> fields{};
    for (std::size_t i = 0; i < count; ++i) {
        fields[i] = raw[i].text;
    }
    const auto yesOrNo = [](std::string_view field) { return field == "是" || field == "否"; };
    if (fields[0].empty() || !yesOrNo(fields[7])) {
        return std::nullopt;
    }
    const auto key = card::parseHexValue(fields[2]);
    if (!key) {
        return std::nullopt;
    }
    LineRecord record;
    record.time = fields[0];
    record.key = *key;
    record.start = fields[1] == kStartResult;
    if (count == kColumns) {
        if (!yesOrNo(fields[8])) {
            return std::nullopt;
        }
        if (!fields[9].empty()) {
            const auto previous = card::parseHexValue(fields[9]);
            if (!previous) {
                return std::nullopt;
            }
            record.previousKey = *previous;
        }
        record.verified = fields[8] == "是";
    } else {
        record.verified = fields[1].substr(0, kOldVerifiedPrefix.size()) == kOldVerifiedPrefix;
    }
    // A start line never claims the write: only the write's own line may.
    record.verified = record.verified && !record.start;
    return record;
}

}  // namespace journal
