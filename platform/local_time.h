#pragma once

#include <ctime>

// Local civil time as the system keeps it (its time zone and summer time rules).
namespace platform {

// Local civil time of `time` and the local offset from UTC then, in seconds east.
struct LocalTime {
    std::tm fields{};
    long offsetSeconds = 0;
};

[[nodiscard]] LocalTime localTime(std::time_t time);

}  // namespace platform
