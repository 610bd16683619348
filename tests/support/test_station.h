#pragma once

#include "store/station_identity.h"

#include <string>

namespace testing_support {

// A station known by its name alone: its id is its name, so that what the store gives back by
// id reads as the tests name it.
inline store::StationIdentity namedStation(const std::string& name) {
    return {name, name, "test-host", {}};
}

}  // namespace testing_support
