#pragma once

#include "sim_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace sim {

// What a hand lays on the reader before a step.
enum class Lay { Blank, Foreign, PutBack };

// Everything the fault schedule decides for one step of one station.
struct StepFaults {
    ReaderPlan reader;
    Lay lay = Lay::Blank;
    // The disk is full for this many appends, each leaving that many bytes of its line.
    std::size_t diskFullAppends = 0;
    std::size_t tornBytes = 0;
    // The program is killed during its next append, after this many bytes of it.
    std::optional<std::size_t> killInAppend;
    // A careless operator answers yes to whatever is asked.
    bool carelessYes = false;
    // An operator outside a batch types a slip: a number whose eight-digit view a tag written
    // here has, instead of the next one.
    bool viewTwin = false;
};

}  // namespace sim
