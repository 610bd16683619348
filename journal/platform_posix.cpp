#include "journal/platform.h"

#include <ctime>
#include <string>

namespace journal::platform {

std::string reason(const std::error_code& error) {
    return errnoReason(error.value());
}

LocalTime localTime(std::time_t time) {
    LocalTime local;
    localtime_r(&time, &local.fields);
    local.offsetSeconds = local.fields.tm_gmtoff;
    return local;
}

}  // namespace journal::platform
