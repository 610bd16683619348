#pragma once

namespace sim {

// Thrown where the simulation ends a station's program at once (kill -9, power loss): the
// station's objects are dropped and only its files and the tags stay.
struct Killed {};

}  // namespace sim
