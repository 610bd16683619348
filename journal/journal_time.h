#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The journal's times: ISO 8601 with the offset from UTC it was written in, as the program
// writes them (2024-05-01T14:03:22+08:00), read in a few bytes.
namespace journal {

// The length of a time as the program writes it, 2024-05-01T14:03:22+08:00.
inline constexpr std::size_t kTimeLength = 25;

// A journal time: the moment, the offset it was written in and how it was spelled, so that it
// reads back as it stands in the file.
struct CompactTime {
    std::int64_t seconds = 0;        // since 1970-01-01T00:00:00Z
    std::int16_t offsetMinutes = 0;  // east of UTC
    bool known = false;              // false: the line's time column was not such a time
    // Spellings other programs use for the same time: a blank for the T, Z for +00:00.
    std::uint8_t spelling = 0;

    static constexpr std::uint8_t kBlankSeparator = 1U;
    static constexpr std::uint8_t kZulu = 2U;
};

// The time `text` holds; not known for any other text, and for a date that is none (2024-02-31),
// a leap second or a moment outside 1970 to 2106.
[[nodiscard]] CompactTime parseIsoTime(std::string_view text) noexcept;
// The text parseIsoTime read, e.g. 2024-05-01T14:03:22+08:00; 时间不明 for an unknown time.
[[nodiscard]] std::string formatIsoTime(const CompactTime& time);
// "2024-05-01 14:03:22": the wall-clock time where it was written, without its offset.
[[nodiscard]] std::string localTimeText(const CompactTime& time);
// The same moment in the present local time (the system's zone now), spelled as the program
// writes times.
[[nodiscard]] CompactTime inPresentZone(const CompactTime& time);
// "2024-05-01 14:03:22": the moment in the present local time (the system's zone now), so that
// rows written before a change of zone read in order.
[[nodiscard]] std::string presentLocalTimeText(const CompactTime& time);
// The days since 1970-01-01 of the wall-clock date where it was written.
[[nodiscard]] std::int64_t localDay(const CompactTime& time) noexcept;

// Reads the times of a journal's lines in their order, as parseIsoTime does, cheaply: lines
// written together share their time, and lines of one batch their minute.
class TimeReader {
public:
    [[nodiscard]] CompactTime read(std::string_view text);

private:
    std::string lastTimeText_;
    CompactTime lastTime_;
};

}  // namespace journal
