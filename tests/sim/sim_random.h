#pragma once

#include <cstdint>

namespace sim {

// The simulation's only source of chance: one seed gives one run (splitmix64, so that runs are
// the same on every compiler and library).
class SimRandom {
public:
    explicit SimRandom(std::uint64_t seed) noexcept : state_(seed) {}

    std::uint64_t next() noexcept {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31U);
    }
    // Uniform in [0, bound); 0 when bound is 0.
    std::uint64_t below(std::uint64_t bound) noexcept { return bound == 0 ? 0 : next() % bound; }
    // True `perMille` times in a thousand.
    bool chance(std::uint64_t perMille) noexcept { return below(1000) < perMille; }
    // A stream of its own, for a part of the run whose draws must not shift the others'.
    SimRandom fork() noexcept { return SimRandom(next()); }

private:
    std::uint64_t state_;
};

}  // namespace sim
