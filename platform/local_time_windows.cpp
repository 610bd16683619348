#include "platform/local_time.h"

namespace platform {

LocalTime localTime(std::time_t time) {
    LocalTime local;
    localtime_s(&local.fields, &time);
    std::tm copy = local.fields;
    // The local fields read as UTC, less the moment itself: the offset east of UTC.
    local.offsetSeconds = static_cast<long>(_mkgmtime(&copy) - time);
    return local;
}

}  // namespace platform
