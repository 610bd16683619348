#include "journal/journal_rows.h"

#include "card/number_text.h"
#include "journal/journal_line.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>
#include <utility>

namespace journal {

namespace {

bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) noexcept {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// "2024-05-01T14:03:22+08:00" (or …Z): the wall-clock time and the moment.
bool parseTime(std::string_view text, CivilTime& local, std::int64_t& utcSeconds) noexcept {
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' ||
        (text[10] != 'T' && text[10] != ' ') || text[13] != ':' || text[16] != ':') {
        return false;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!digits(text, 0, 4, year) || !digits(text, 5, 2, month) || !digits(text, 8, 2, day) ||
        !digits(text, 11, 2, hour) || !digits(text, 14, 2, minute) ||
        !digits(text, 17, 2, second) || month < 1 || month > 12 || day < 1 || day > 31 ||
        hour > 23 || minute > 59 || second > 60) {
        return false;
    }
    int offsetMinutes = 0;
    const std::string_view zone = text.substr(19);
    if (zone == "Z") {
        offsetMinutes = 0;
    } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
        int offsetHours = 0;
        int offsetRest = 0;
        if (!digits(zone, 1, 2, offsetHours) || !digits(zone, 4, 2, offsetRest) ||
            offsetRest > 59) {
            return false;
        }
        offsetMinutes = (offsetHours * 60 + offsetRest) * (zone[0] == '-' ? -1 : 1);
    } else {
        return false;
    }
    local = CivilTime{static_cast<std::int16_t>(year),   static_cast<std::uint8_t>(month),
                      static_cast<std::uint8_t>(day),    static_cast<std::uint8_t>(hour),
                      static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second)};
    utcSeconds =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
        static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60 + second -
        static_cast<std::int64_t>(offsetMinutes) * 60;
    return true;
}

bool startsWith(std::string_view text, std::string_view prefix) noexcept {
    return text.substr(0, prefix.size()) == prefix;
}

std::string padded(std::uint64_t value, int width) {
    return card::formatPadded(static_cast<double>(value), width);
}

}  // namespace

std::optional<JournalRow> parseRow(std::string_view line) {
    std::array<CsvField, kColumns> fields{};
    std::size_t count = 0;
    if (!splitFields(line, fields, count) || (count != kOldColumns && count != kColumns)) {
        return std::nullopt;
    }
    JournalRow row;
    if (!parseTime(fields[0].text, row.local, row.utcSeconds)) {
        return std::nullopt;  // the header among them
    }
    const auto number = card::parseHexDigits(fields[2].text);
    const std::string_view locked = fields[7].text;
    if (!number || (locked != "是" && locked != "否") || fields[6].text.empty()) {
        return std::nullopt;
    }
    row.number = *number;
    row.locked = locked == "是";
    row.chip = unquoted(fields[6]);
    row.result = unquoted(fields[1]);
    bool verified = startsWith(row.result, kOldVerifiedPrefix);
    if (count == kColumns) {
        const std::string_view checked = fields[8].text;
        if (checked != "是" && checked != "否") {
            return std::nullopt;
        }
        verified = checked == "是";
        if (!fields[9].text.empty()) {
            row.previous = card::parseHexDigits(fields[9].text);
            if (!row.previous) {
                return std::nullopt;
            }
        }
    }
    if (verified) {
        row.outcome = Outcome::Verified;
    } else if (startsWith(row.result, kStartResult)) {
        row.outcome = Outcome::Started;
    } else {
        row.outcome = Outcome::Failed;
    }
    return row;
}

std::uint64_t fileSize(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

ReadResult readRows(const std::filesystem::path& file, std::uint64_t offset,
                    const std::function<bool(std::vector<JournalRow>&&)>& onBatch,
                    ReadOptions options) {
    ReadResult result;
    result.offset = offset;
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        if (error) {
            result.error = "无法读取写卡记录（" + error.message() + "）";
        }
        return result;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        result.error = "无法打开写卡记录（文件可能正被其他程序独占）";
        return result;
    }
    in.seekg(static_cast<std::streamoff>(offset));
    const std::size_t chunkBytes = std::max<std::size_t>(options.chunkBytes, 16);
    const std::size_t batchRows = std::max<std::size_t>(options.batchRows, 1);
    std::vector<JournalRow> batch;
    batch.reserve(std::min<std::size_t>(batchRows, 4096));
    // What is left of the last chunk: the start of a line whose end is still to come.
    std::string pending;
    std::vector<char> chunk(chunkBytes);
    bool atStart = offset == 0;
    bool stopped = false;
    while (!stopped && in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) {
            break;
        }
        pending.append(chunk.data(), got);
        std::string_view rest(pending);
        std::size_t consumed = 0;
        if (atStart) {
            if (rest.size() < kByteOrderMark.size() &&
                kByteOrderMark.substr(0, rest.size()) == rest) {
                continue;  // the mark may go on in the next chunk
            }
            atStart = false;
            if (startsWith(rest, kByteOrderMark)) {
                consumed = kByteOrderMark.size();
            }
        }
        for (;;) {
            const std::size_t end = rest.find('\n', consumed);
            if (end == std::string_view::npos) {
                break;
            }
            std::string_view line = rest.substr(consumed, end - consumed);
            consumed = end + 1;
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            if (line.empty()) {
                continue;
            }
            if (auto row = parseRow(line)) {
                batch.push_back(std::move(*row));
            } else if (!startsWith(line, "时间,")) {
                ++result.skipped;
            }
            if (batch.size() >= batchRows) {
                result.offset += consumed;
                pending.erase(0, consumed);
                rest = pending;
                consumed = 0;
                if (!onBatch(std::exchange(batch, {}))) {
                    stopped = true;
                    break;
                }
            }
        }
        if (!stopped) {
            result.offset += consumed;
            pending.erase(0, consumed);
        }
    }
    if (!stopped && in.bad()) {
        result.error = "读取写卡记录时出错";
    }
    if (!stopped && !batch.empty()) {
        static_cast<void>(onBatch(std::exchange(batch, {})));
    }
    return result;
}

std::string timeText(const CivilTime& time) {
    std::string text = padded(static_cast<std::uint64_t>(std::max<int>(time.year, 0)), 4);
    const auto two = [&text](char separator, unsigned value) {
        text += separator;
        text += static_cast<char>('0' + value / 10 % 10);
        text += static_cast<char>('0' + value % 10);
    };
    two('-', time.month);
    two('-', time.day);
    two(' ', time.hour);
    two(':', time.minute);
    two(':', time.second);
    return text;
}

Notations notations(const card::TagNumber& number) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    Notations out;
    for (const std::uint8_t byte :
         {number.b4, number.number.b3, number.number.b2, number.number.b1, number.number.b0}) {
        out.hex += kDigits[byte >> 4U];
        out.hex += kDigits[byte & 0x0FU];
    }
    using card::Field;
    const auto& n = number.number;
    const card::CardNumber values = card::decodeTagNumber(number.b4, n.b3, n.b2, n.b1, n.b0);
    out.version = card::formatPadded(values.B4, card::fieldWidth(Field::B4));
    out.tenDigit = card::formatPadded(values.B3B0, card::fieldWidth(Field::B3B0));
    out.eightDigit = card::formatPadded(values.B2, card::fieldWidth(Field::B2)) + "," +
                     card::formatPadded(values.B1B0, card::fieldWidth(Field::B1B0));
    return out;
}

std::string cellText(const JournalRow& row, Column column) {
    switch (column) {
        case Column::Time:
            return timeText(row.local);
        case Column::Result:
            return row.result;
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
            return row.locked ? "是" : "否";
        case Column::Previous:
            return row.previous ? notations(*row.previous).hex : std::string();
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

bool matches(const NumberQuery& query, const card::TagNumber& number) noexcept {
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

}  // namespace journal
