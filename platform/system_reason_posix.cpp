#include "platform/system_reason.h"

namespace platform {

std::string systemReason(const std::error_code& error) {
    return errnoReason(error.value());
}

FileTrouble fileTrouble(const std::error_code& error) {
    return errnoTrouble(error.value());
}

}  // namespace platform
