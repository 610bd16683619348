#pragma once

#include "fault_kinds.h"
#include "sim_random.h"
#include "station.h"
#include "step_faults.h"

#include <cstddef>

namespace sim {

// How often each kind of trouble meets a step, in a thousand steps.
struct FaultRates {
    std::uint64_t kill = 12;
    std::uint64_t disk = 4;
    std::uint64_t lies = 20;
    std::uint64_t swap = 6;
    std::uint64_t views = 25;  // of a plain station's steps
    std::uint64_t foreign = 20;
    std::uint64_t putBack = 20;
    std::uint64_t careless = 2;
    std::uint64_t outage = 8;  // a step that starts a server outage
};

// The trouble of one step of a station in `mode`, drawn from the run's seed.
[[nodiscard]] StepFaults drawStep(const FaultKinds& kinds, Mode mode, const FaultRates& rates,
                                  SimRandom& random);

}  // namespace sim
