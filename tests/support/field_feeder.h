#pragma once

#include "emulator/field_state.h"
#include "emulator/field_store.h"
#include "emulator/tags.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace testing_support {

// An operator's hand at the emulated reader, for hands-free writing: lays a blank tag on the
// reader, takes it away a moment after the reader beeps for it, lays the next one after a gap,
// and so on until `tags` have been laid. It runs on a thread of its own, watching the field file
// a few times a frame, so that tags arrive and leave on their own time, not the reader's.
class FieldFeeder {
public:
    struct Pace {
        std::chrono::milliseconds gap{400};   // from taking a tag away to laying the next
        std::chrono::milliseconds hand{100};  // from the beep to taking the tag away
        // Each gap is longer by up to this, drawn at random (the same draws every run), so that
        // a tag does not arrive at the same moment of a reader's pace every time.
        std::chrono::milliseconds spread{0};
    };
    using Clock = std::chrono::steady_clock;

    FieldFeeder(std::filesystem::path fieldFile, emulator::Tag blank, int tags, Pace pace)
        : store_(std::move(fieldFile), emulator::FieldStore::Sync::Never),
          blank_(std::move(blank)),
          tags_(tags),
          pace_(pace),
          thread_([this] { run(); }) {}
    ~FieldFeeder() {
        stop_ = true;
        thread_.join();
    }
    FieldFeeder(const FieldFeeder&) = delete;
    FieldFeeder& operator=(const FieldFeeder&) = delete;
    FieldFeeder(FieldFeeder&&) = delete;
    FieldFeeder& operator=(FieldFeeder&&) = delete;

    // When each tag was laid on the reader, in order.
    [[nodiscard]] std::vector<Clock::time_point> laid() const {
        const std::scoped_lock lock(mutex_);
        return laid_;
    }
    // How many tags were taken away after their beep.
    [[nodiscard]] int beeped() const { return beeped_; }

private:
    void run() {
        static constexpr std::chrono::milliseconds kLook{2};
        enum class Hand { Laying, Waiting, Beeped };
        Hand hand = Hand::Laying;
        std::mt19937 draws(1);
        std::uniform_int_distribution<std::chrono::milliseconds::rep> extra(0,
                                                                            pace_.spread.count());
        const auto gap = [&] { return pace_.gap + std::chrono::milliseconds(extra(draws)); };
        auto next = Clock::now() + gap();
        std::uint32_t beepsWhenLaid = 0;
        int laid = 0;
        while (!stop_) {
            std::this_thread::sleep_for(kLook);
            const auto now = Clock::now();
            // Only laying and taking away lock the field: a look that held the lock would make
            // the reader's own looks wait for the hand.
            switch (hand) {
                case Hand::Laying:
                    if (laid == tags_ || now < next) {
                        break;
                    }
                    static_cast<void>(store_.update([&](emulator::FieldState& field) {
                        field.tag = blank_;
                        beepsWhenLaid = field.beeps;
                        return true;
                    }));
                    hand = Hand::Waiting;
                    ++laid;
                    record(now);
                    break;
                case Hand::Waiting:
                    if (const auto field = store_.load(); field && field->beeps != beepsWhenLaid) {
                        hand = Hand::Beeped;
                        next = now + pace_.hand;
                    }
                    break;
                case Hand::Beeped:
                    if (now < next) {
                        break;
                    }
                    static_cast<void>(store_.update([](emulator::FieldState& field) {
                        field.tag.reset();
                        return true;
                    }));
                    hand = Hand::Laying;
                    next = now + gap();
                    ++beeped_;
                    break;
            }
        }
    }
    void record(Clock::time_point when) {
        const std::scoped_lock lock(mutex_);
        laid_.push_back(when);
    }

    emulator::FieldStore store_;
    emulator::Tag blank_;
    int tags_;
    Pace pace_;
    mutable std::mutex mutex_;
    std::vector<Clock::time_point> laid_;
    std::atomic<int> beeped_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: it starts once everything it uses is made
};

}  // namespace testing_support
