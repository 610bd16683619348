#pragma once

#include "reader/reader.h"
#include "reader/reader_source.h"
#include "tag_field.h"

#include <cstddef>
#include <functional>
#include <optional>

namespace sim {

// What the reader library does wrong in the calls of one step.
struct ReaderPlan {
    enum class Write {
        Honest,
        Refused,          // says it failed, and the tag keeps what it had
        RefusedButWrote,  // says it failed, yet the tag took the number (a lie)
        TookNothing,      // says it succeeded, yet the tag kept what it had (a lie)
        ThrowsAfter,      // the tag took the number, then the call throws
    };
    Write write = Write::Honest;
    bool swapBeforeReadBack = false;  // a hand swaps the tag between the write and its read-back
    bool lockRefused = false;
    // The library call of the step (0 the first) during which the program is killed, and
    // whether that call took effect first.
    std::optional<std::size_t> killAtCall;
    bool killAfterEffect = false;
};

// A station's reader library, over the shop's tags: the tag on its reader answers reads and
// takes writes. Blanks send nothing and answer as the emulated library does (a tag is there).
class SimReader final : public reader::Reader, public reader::ReaderSource {
public:
    // `swap`: the hand that, asked by the plan, takes the tag off between a write and its
    // read-back and lays another.
    SimReader(TagField& field, std::size_t reader, std::function<void()> swap)
        : field_(field), reader_(reader), swap_(std::move(swap)) {}

    // The plan for the calls of the next step.
    void plan(const ReaderPlan& plan) {
        plan_ = plan;
        calls_ = 0;
        wrote_ = false;
    }
    [[nodiscard]] std::size_t beeps() const noexcept { return beeps_; }

    util::Expected<reader::Reader*, reader::LoadError> acquire() override { return this; }
    [[nodiscard]] reader::ReaderInUse readerInUse() const override { return {{}, true, true}; }

    reader::Status MF_Getsnr(reader::ShortBuffer& shortBuffer,
                             reader::LongBuffer& longBuffer) override;
    reader::Status MF_Write(reader::ShortBuffer& writeBlock,
                            reader::LongBuffer& longBuffer) override;
    reader::Status ControlBuzzer(reader::ControlCode code, reader::LongBuffer& longBuffer) override;

private:
    // Counts the call; kills the program when the plan says so, before the call or after it.
    void before();
    void after();

    TagField& field_;
    std::size_t reader_;
    std::function<void()> swap_;
    ReaderPlan plan_;
    std::size_t calls_ = 0;
    bool wrote_ = false;
    std::size_t beeps_ = 0;
};

}  // namespace sim
