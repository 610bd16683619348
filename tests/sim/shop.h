#pragma once

#include "fault_kinds.h"
#include "fault_schedule.h"
#include "oracle.h"

#include <array>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sim {

// What the shop's stations must know of the database.
enum class Identities {
    ByName,      // the database knows stations by 站名 only
    ByIdentity,  // by a station id, refusing a second live holder of an id or a name
};

struct ShopOptions {
    std::uint64_t seed = 1;
    std::uint64_t tags = 1'000'000;
    std::uint64_t tagsPerDay = 2'000;  // each day a new shop: new folders, tags and database
    FaultKinds kinds;
    FaultRates rates;
    Identities identities = Identities::ByIdentity;
};

struct ShopReport {
    std::uint64_t days = 0;
    std::uint64_t tags = 0;
    std::uint64_t kills = 0;
    std::uint64_t fullAppends = 0;
    std::uint64_t outages = 0;
    std::uint64_t violations = 0;
    std::array<std::uint64_t, Oracle::kRules> byRule{};
    // The first few violations of each rule over the run, each after its day's stations.
    std::vector<std::string> firstViolations;
    std::array<std::size_t, Oracle::kRules> shownByRule{};
};

// Runs the shop, day after day, until `tags` tags were laid on its readers; the stations' folders
// are made in the working folder (in memory, best).
[[nodiscard]] ShopReport runShop(const ShopOptions& options);

}  // namespace sim
