#pragma once

#include "store/shared_store.h"
#include "store/station_identity.h"

#include <cstdint>
#include <string>

// The words of a station's identity among those sharing a database (UTF-8).
namespace words {

// Why a 站名 cannot be this station's.
[[nodiscard]] std::string stationNameFaultText(store::NameFault fault);

// Another station stands where this one would: which computer holds this station's id, or which
// has its name ("已有另一台电脑用站名 …"), and what to do.
[[nodiscard]] std::string stationClashText(const store::StationClash& clash);

// The store's refusal in words: the station's own refusals made here, the rest as the store says.
[[nodiscard]] std::string storeErrorText(const store::StoreError& error);

// Said at start-up when this station still holds numbers of the batch it joins: the last close
// could not give them back.
[[nodiscard]] std::string stillHeldText(const std::string& batch, std::uint64_t held);

}  // namespace words
