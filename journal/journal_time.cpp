#include "journal/journal_time.h"

#include "platform/local_time.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace journal {

namespace {

constexpr std::int64_t kDaySeconds = 86400;

// Days since 1970-01-01 of a civil date (proleptic Gregorian), and back (H. Hinnant's algorithms).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) noexcept {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - (era * 400));
    const unsigned dayOfYear = ((153 * (month > 2 ? month - 3 : month + 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = (yearOfEra * 365) + (yearOfEra / 4) - (yearOfEra / 100) + dayOfYear;
    return (era * 146097) + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

Civil civilFromDays(std::int64_t days) noexcept {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - (era * 146097));
    const unsigned yearOfEra =
        (dayOfEra - (dayOfEra / 1460) + (dayOfEra / 36524) - (dayOfEra / 146096)) / 365;
    const unsigned dayOfYear = dayOfEra - ((365 * yearOfEra) + (yearOfEra / 4) - (yearOfEra / 100));
    const unsigned mp = ((5 * dayOfYear) + 2) / 153;
    const unsigned day = dayOfYear - (((153 * mp) + 2) / 5) + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yearOfEra) + (era * 400) + (month <= 2 ? 1 : 0), month, day};
}

// The number in text[at, at + width), all digits, or -1.
int digits(std::string_view text, std::size_t at, std::size_t width) noexcept {
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = (value * 10) + (text[i] - '0');
    }
    return value;
}

std::int64_t localSeconds(const CompactTime& time) noexcept {
    return time.seconds + (std::int64_t{time.offsetMinutes} * 60);
}

}  // namespace

CompactTime parseIsoTime(std::string_view text) noexcept {
    // YYYY-MM-DDTHH:MM:SS+HH:MM, or …Z; a blank may stand for the T.
    constexpr std::size_t kZone = 19;
    CompactTime time;
    const bool zulu = text.size() == kZone + 1 && text[kZone] == 'Z';
    if ((text.size() != 25 && !zulu) || text[4] != '-' || text[7] != '-' ||
        (text[10] != 'T' && text[10] != ' ') || text[13] != ':' || text[16] != ':' ||
        (!zulu && ((text[kZone] != '+' && text[kZone] != '-') || text[22] != ':'))) {
        return time;
    }
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    const int offsetHours = zulu ? 0 : digits(text, 20, 2);
    const int offsetMinutes = zulu ? 0 : digits(text, 23, 2);
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60 || offsetHours < 0 ||
        offsetHours > 23 || offsetMinutes < 0 || offsetMinutes > 59) {
        return time;
    }
    const int offset = (text[kZone] == '-' ? -1 : 1) * ((offsetHours * 60) + offsetMinutes);
    const std::int64_t local =
        (daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) *
         kDaySeconds) +
        (std::int64_t{hour} * 3600) + (std::int64_t{minute} * 60) + second;
    time.seconds = local - (std::int64_t{offset} * 60);
    time.offsetMinutes = static_cast<std::int16_t>(offset);
    time.spelling = static_cast<std::uint8_t>(
        (text[10] == ' ' ? CompactTime::kBlankSeparator : 0U) | (zulu ? CompactTime::kZulu : 0U));
    // The text must read back as it stands: 2024-02-31 is no date, nor is 23:59:60.
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int monthDays =
        kDays.at(static_cast<std::size_t>(month - 1)) + (month == 2 && leap ? 1 : 0);
    time.known =
        day <= monthDays && second < 60 && time.seconds >= 0 && time.seconds <= 0xFFFFFFFFLL;
    return time;
}

std::int64_t localDay(const CompactTime& time) noexcept {
    const std::int64_t local = localSeconds(time);
    return (local >= 0 ? local : local - (kDaySeconds - 1)) / kDaySeconds;
}

std::string localTimeText(const CompactTime& time) {
    const std::int64_t days = localDay(time);
    const std::int64_t inDay = localSeconds(time) - (days * kDaySeconds);
    const Civil date = civilFromDays(days);
    std::array<char, 64> text{};
    // NOLINTBEGIN(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    static_cast<void>(
        std::snprintf(text.data(), text.size(), "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                      static_cast<long long>(date.year), date.month, date.day,
                      static_cast<long long>(inDay / 3600), static_cast<long long>(inDay / 60 % 60),
                      static_cast<long long>(inDay % 60)));
    // NOLINTEND(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    return text.data();
}

CompactTime inPresentZone(const CompactTime& time) {
    if (!time.known) {
        return time;
    }
    const platform::LocalTime local = platform::localTime(static_cast<std::time_t>(time.seconds));
    CompactTime present = time;
    present.offsetMinutes = static_cast<std::int16_t>(local.offsetSeconds / 60);
    present.spelling = 0;
    return present;
}

std::string presentLocalTimeText(const CompactTime& time) {
    return localTimeText(inPresentZone(time));
}

std::string formatIsoTime(const CompactTime& time) {
    if (!time.known) {
        return "时间不明";
    }
    std::string text = localTimeText(time);
    if ((time.spelling & CompactTime::kBlankSeparator) == 0) {
        text[10] = 'T';
    }
    if ((time.spelling & CompactTime::kZulu) != 0) {
        return text + 'Z';
    }
    const int offset = time.offsetMinutes < 0 ? -time.offsetMinutes : time.offsetMinutes;
    std::array<char, 16> zone{};
    // NOLINTBEGIN(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    static_cast<void>(std::snprintf(zone.data(), zone.size(), "%c%02d:%02d",
                                    time.offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60));
    // NOLINTEND(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    return text + zone.data();
}

CompactTime TimeReader::read(std::string_view text) {
    // Lines written together share their time, and lines of one batch their minute: the time is
    // parsed whole only when more than its seconds changed.
    constexpr std::size_t kSeconds = 17;
    constexpr std::size_t kOffset = 19;
    const std::string_view last = lastTimeText_;
    const bool sameMinute =
        lastTime_.known && text.size() == kTimeLength && last.size() == kTimeLength &&
        std::memcmp(text.data(), last.data(), kSeconds) == 0 &&
        std::memcmp(text.data() + kOffset, last.data() + kOffset, kTimeLength - kOffset) == 0;
    const int second = sameMinute ? digits(text, kSeconds, 2) : -1;
    CompactTime time;
    if (second >= 0 && second < 60) {
        time = lastTime_;
        time.seconds += second - digits(last, kSeconds, 2);
        time.known = time.seconds >= 0 && time.seconds <= 0xFFFFFFFFLL;
    } else if (text == last) {
        return lastTime_;
    } else {
        time = parseIsoTime(text);
    }
    lastTimeText_.assign(text);
    lastTime_ = time;
    return time;
}

}  // namespace journal
