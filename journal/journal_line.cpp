#include "journal/journal_line.h"

#include "journal/byte_shape.h"
#include "journal/field_words.h"

#include <algorithm>

namespace journal {

namespace {

// Walks a line in the program's shape, field by field; any byte out of place stops it, and a
// step that fails does not move it.
class ProgramLineCursor {
public:
    explicit ProgramLineCursor(std::string_view text) noexcept : text_(text) {}

    [[nodiscard]] std::size_t at() const noexcept { return at_; }

    // The next bytes in `Shape`. The shape's whole words must be at hand; near the end of what
    // was read the line is left to the slower reading, which needs no more than the line.
    template <ByteShape Shape>
    bool shaped() noexcept {
        if (text_.size() - at_ < Shape.kWords * 8 || !Shape.matches(text_.data() + at_)) {
            return false;
        }
        at_ += Shape.kLength;
        return true;
    }
    // One byte of two.
    bool either(char one, char other) noexcept {
        if (at_ == text_.size() || (text_[at_] != one && text_[at_] != other)) {
            return false;
        }
        ++at_;
        return true;
    }
    // Free text up to the comma: no quote, no line end.
    bool text(std::string_view& field) noexcept {
        for (std::size_t end = at_; end < text_.size(); ++end) {
            const char c = text_[end];
            if (c == ',') {
                field = text_.substr(at_, end - at_);
                at_ = end + 1;
                return true;
            }
            if (c == '"' || c == '\n') {
                return false;
            }
        }
        return false;
    }
    bool hex(std::uint64_t& value) noexcept {
        const auto parsed = card::parseHexValue(text_.substr(at_, card::kHexDigits));
        if (!parsed) {
            return false;
        }
        at_ += card::kHexDigits;
        value = *parsed;
        return true;
    }
    bool yesOrNo(bool& yes) noexcept {
        yes = shaped<"是,">();
        return yes || shaped<"否,">();
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

// A start line never claims the write: only the write's own line may. A write's line that says
// no one could tell whether the tag took the number leaves it as a start never ended does.
LineState stateOf(std::string_view result, bool verified) noexcept {
    if (result == kStartResult) {
        return LineState::Started;
    }
    if (verified) {
        return LineState::Verified;
    }
    return result.starts_with(commands::kUnsettledResult) ? LineState::Unknown : LineState::Failed;
}

}  // namespace

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

std::string formatLine(std::string_view time, const commands::JournalEntry& entry,
                       std::string_view batch) {
    using card::Field;
    const card::CardNumber& number = entry.number;
    std::string line;
    for (const std::string& field :
         {std::string(time),
          batch.empty() ? entry.result
                        : entry.result + std::string(kBatchMark) + std::string(batch),
          card::hexDigits(number), card::fieldText(number, Field::B4), card::tenDigitText(number),
          card::eightDigitText(number), std::string(chipWord(entry.chip)),
          std::string(yesNoWord(entry.locked)), std::string(yesNoWord(entry.verified)),
          entry.previousNumber ? card::hexDigits(*entry.previousNumber) : std::string()}) {
        if (!line.empty()) {
            line += ',';
        }
        line += csvField(field);
    }
    line += kLineEnd;
    return line;
}

MarkedResult splitBatchMark(std::string_view result) noexcept {
    const std::size_t at = result.find(kBatchMark);
    if (at == std::string_view::npos) {
        return {result, std::nullopt};
    }
    return {result.substr(0, at), result.substr(at + kBatchMark.size())};
}

std::string formatSettlement(std::string_view time, const card::CardNumber& number, bool seenOnTag,
                             std::string_view batch) {
    using card::Field;
    std::string result(seenOnTag ? kSeenOnTagResult : kWrittenAgainResult);
    if (!batch.empty()) {
        result.append(kBatchMark).append(batch);
    }
    std::string line;
    for (const std::string& field :
         {std::string(time), result, card::hexDigits(number), card::fieldText(number, Field::B4),
          card::tenDigitText(number), card::eightDigitText(number), std::string(), std::string(kNo),
          std::string(yesNoWord(seenOnTag)), std::string()}) {
        if (!line.empty()) {
            line += ',';
        }
        line += csvField(field);
    }
    line += kLineEnd;
    return line;
}

std::optional<WholeLine> parseLine(std::string_view line) noexcept {
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
    const auto locked = yesNoOfWord(fields[7]);
    if (fields[0].empty() || !locked) {
        return std::nullopt;
    }
    const auto key = card::parseHexValue(fields[2]);
    if (!key) {
        return std::nullopt;
    }
    WholeLine record;
    record.time = fields[0];
    record.key = *key;
    record.result = raw[1];
    record.chip = raw[6];
    record.hasChip = !fields[6].empty();
    record.locked = *locked;
    bool verified = false;
    if (count == kColumns) {
        const auto verifiedWord = yesNoOfWord(fields[8]);
        if (!verifiedWord) {
            return std::nullopt;
        }
        if (!fields[9].empty()) {
            const auto previous = card::parseHexValue(fields[9]);
            if (!previous) {
                return std::nullopt;
            }
            record.previousKey = *previous;
        }
        verified = *verifiedWord;
    } else {
        verified = fields[1].substr(0, kOldVerifiedPrefix.size()) == kOldVerifiedPrefix;
    }
    record.state = stateOf(fields[1], verified);
    record.settles = !record.hasChip && fields[1].starts_with(kSettledResult);
    return record;
}

std::optional<ReadLine> readProgramLine(std::string_view text) noexcept {
    // 2024-05-01T14:03:22+08:00,已写卡,00000003E8,000,0000001000,"000,01000",T5577,否,是,<CR><LF>
    ProgramLineCursor cursor(text);
    ReadLine read;
    LineRecord& record = read.record;
    std::string_view result;
    bool verified = false;
    if (!cursor.shaped<"dddd-dd-ddTdd:dd:dd">() || !cursor.either('+', '-') ||
        !cursor.shaped<"dd:dd,">() || !cursor.text(result) || !cursor.hex(record.key) ||
        !cursor.shaped<",ddd,dddddddddd,\"ddd,ddddd\",">() ||
        !(cursor.shaped<"T5577,">() || cursor.shaped<"EM4305,">()) ||
        !cursor.yesOrNo(record.locked) || !cursor.yesOrNo(verified)) {
        return std::nullopt;
    }
    if (std::uint64_t previous = 0; !cursor.shaped<"\r\n">()) {
        if (!cursor.hex(previous) || !cursor.shaped<"\r\n">()) {
            return std::nullopt;
        }
        record.previousKey = previous;
    }
    record.time = text.substr(0, kTimeLength);
    record.hasChip = true;
    record.state = stateOf(result, verified);
    read.length = cursor.at();
    return read;
}

}  // namespace journal
