#include "journal/journal_rows.h"

#include "card/number_text.h"
#include "journal/field_words.h"

#include <algorithm>

namespace journal {

void RowCounts::add(LineState state, std::ptrdiff_t step) noexcept {
    switch (state) {
        case LineState::Verified:
            verified += static_cast<std::size_t>(step);
            break;
        case LineState::Failed:
            failed += static_cast<std::size_t>(step);
            break;
        case LineState::Started:
        case LineState::Unknown:
            unknown += static_cast<std::size_t>(step);
            break;
    }
}

std::optional<JournalRow> rowOf(const WholeLine& line) {
    JournalRow row;
    row.time = parseIsoTime(line.time);
    if (!isShown(line, row.time)) {
        return std::nullopt;
    }
    const std::string result = unquoted(line.result);
    const MarkedResult marked = splitBatchMark(result);
    row.result = marked.words;
    row.batch = marked.batch.value_or(std::string_view());
    row.state = line.state;
    row.number = card::tagNumberFromValue(line.key);
    row.chip = unquoted(line.chip);
    row.locked = line.locked;
    if (line.previousKey) {
        row.previous = card::tagNumberFromValue(*line.previousKey);
    }
    return row;
}

bool interrupted(const JournalRow& row) noexcept {
    return row.state == LineState::Unknown && row.result == kStartResult;
}

std::optional<JournalRow> parseRow(std::string_view line) {
    const auto record = parseLine(line);
    if (!record) {
        return std::nullopt;
    }
    return rowOf(*record);
}

Notations notations(const card::CardNumber& number) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    Notations out;
    for (const std::uint8_t byte :
         {number.b4, number.number.b3, number.number.b2, number.number.b1, number.number.b0}) {
        out.hex += kDigits[byte >> 4U];
        out.hex += kDigits[byte & 0x0FU];
    }
    using card::Field;
    out.version = card::formatPadded(number.B4(), card::fieldWidth(Field::B4));
    out.tenDigit = card::formatPadded(number.B3B0(), card::fieldWidth(Field::B3B0));
    out.eightDigit = card::formatPadded(number.B2(), card::fieldWidth(Field::B2)) + "," +
                     card::formatPadded(number.B1B0(), card::fieldWidth(Field::B1B0));
    return out;
}

namespace {

std::string resultText(const JournalRow& row) {
    if (row.settled) {
        return row.state == LineState::Verified ? "已写卡（结果不明，后读卡核对为此号码）"
                                                : "未写成（结果不明，此号码后已重写）";
    }
    return interrupted(row) ? std::string(kInterruptedResult) : row.result;
}

// As the number columns and the questions before a write name a number: ten digits, which the
// operator compares; bare hex digits would read as another ten-digit number. The version or
// customer byte only where it is not zero.
std::string previousText(const card::CardNumber& number) {
    const Notations forms = notations(number);
    return number.b4 == 0 ? forms.tenDigit
                          : forms.tenDigit + "（版本或客户号 " + forms.version + "）";
}

}  // namespace

std::string cellText(const JournalRow& row, Column column) {
    switch (column) {
        case Column::Time:
            return presentLocalTimeText(row.time);
        case Column::Result:
            return resultText(row);
        case Column::Version:
            return notations(row.number).version;
        case Column::TenDigit:
            return notations(row.number).tenDigit;
        case Column::EightDigit:
            return notations(row.number).eightDigit;
        case Column::Hex:
            return notations(row.number).hex;
        case Column::Chip:
            return row.chip;
        case Column::Locked:
            return std::string(yesNoWord(row.locked));
        case Column::Previous:
            return row.previous ? previousText(*row.previous) : std::string();
        case Column::Batch:
            return row.batch;
    }
    return {};
}

std::optional<NumberQuery> parseNumberQuery(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    const auto decimal = [](std::string_view part,
                            std::uint64_t limit) -> std::optional<std::uint64_t> {
        if (part.empty() || part.size() > 10) {
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (const char c : part) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
        }
        return value <= limit ? std::optional<std::uint64_t>(value) : std::nullopt;
    };
    NumberQuery query;
    // The eight-digit notation, with an ASCII or a full-width comma.
    for (const std::string_view comma : {std::string_view(","), std::string_view("，")}) {
        const std::size_t at = text.find(comma);
        if (at == std::string_view::npos) {
            continue;
        }
        const auto b2 = decimal(text.substr(0, at), 255);
        const auto b1b0 = decimal(text.substr(at + comma.size()), 65535);
        if (!b2 || !b1b0) {
            return std::nullopt;
        }
        query.eightDigit = std::array<std::uint32_t, 2>{static_cast<std::uint32_t>(*b2),
                                                        static_cast<std::uint32_t>(*b1b0)};
        return query;
    }
    if (const auto ten = decimal(text, 0xFFFFFFFFULL)) {
        query.tenDigit = static_cast<std::uint32_t>(*ten);
    }
    if (text.size() <= 10) {
        std::uint64_t value = 0;
        bool isHex = true;
        for (const char c : text) {
            const int digit = card::hexDigitValue(c);
            if (digit < 0) {
                isHex = false;
                break;
            }
            value = (value << 4U) | static_cast<std::uint64_t>(digit);
        }
        if (isHex) {
            query.hex = value;
        }
    }
    if (!query.hex && !query.tenDigit) {
        return std::nullopt;
    }
    return query;
}

bool matches(const NumberQuery& query, const card::CardNumber& number) noexcept {
    const auto& n = number.number;
    if (query.hex) {
        const std::uint64_t key = (std::uint64_t{number.b4} << 32U) | card::wholeNumber(n);
        if (key == *query.hex) {
            return true;
        }
    }
    if (query.tenDigit && card::wholeNumber(n) == *query.tenDigit) {
        return true;
    }
    if (query.eightDigit) {
        const std::uint32_t b1b0 = (std::uint32_t{n.b1} << 8U) | n.b0;
        return n.b2 == (*query.eightDigit)[0] && b1b0 == (*query.eightDigit)[1];
    }
    return false;
}

std::vector<std::uint32_t> lowBytesSought(const NumberQuery& query) {
    std::vector<std::uint32_t> lows;
    if (query.hex) {
        lows.push_back(lowBytes(*query.hex));
    }
    if (query.tenDigit) {
        lows.push_back(lowBytes(*query.tenDigit));
    }
    if (query.eightDigit) {
        const auto [b2, b1b0] = *query.eightDigit;
        if (b2 <= 0xFFU && b1b0 <= 0xFFFFU) {
            lows.push_back((b2 << 16U) | b1b0);
        }
    }
    return lows;
}

}  // namespace journal

namespace journal {

bool RowFilter::accepts(const CompactTime& time, std::uint64_t key,
                        std::string_view madeIn) const noexcept {
    return (!fromSeconds || time.seconds >= *fromSeconds) &&
           (!untilSeconds || time.seconds < *untilSeconds) &&
           (!query || matches(*query, card::tagNumberFromValue(key))) &&
           (!batch || *batch == madeIn);
}

}  // namespace journal
