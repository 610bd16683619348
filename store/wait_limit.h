#pragma once

#include <atomic>
#include <chrono>
#include <memory>

// A time after which no wait on the database goes on: closing the program sets it, so that a
// server stopped, paused or cut off never holds the program open. Shared by the connections that
// obey it and whoever ends them; safe from any thread.
namespace store {

class WaitLimit {
public:
    using Clock = std::chrono::steady_clock;

    // Waits end at `when` (or at once when it has passed); an earlier limit set before stands.
    void endWaitsAt(Clock::time_point when) noexcept {
        const auto ticks = when.time_since_epoch().count();
        auto current = end_.load();
        while (ticks < current && !end_.compare_exchange_weak(current, ticks)) {
        }
    }
    [[nodiscard]] Clock::time_point end() const noexcept {
        return Clock::time_point(Clock::duration(end_.load()));
    }
    [[nodiscard]] bool passed() const noexcept { return Clock::now() >= end(); }

private:
    std::atomic<Clock::rep> end_{Clock::time_point::max().time_since_epoch().count()};
};

using SharedWaitLimit = std::shared_ptr<WaitLimit>;

}  // namespace store
