#include "platform/local_time.h"

namespace platform {

LocalTime localTime(std::time_t time) {
    LocalTime local;
    localtime_r(&time, &local.fields);
    local.offsetSeconds = local.fields.tm_gmtoff;
    return local;
}

}  // namespace platform
