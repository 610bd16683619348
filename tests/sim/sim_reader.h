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
    // The library call during whose first occurrence in the step the program is killed (named,
    // not counted: a write may or may not read the tag first), and whether it took effect first.
    enum class Call { Read, Announce, Write, ReadBack, Beep };
    std::optional<Call> killAt;
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
        wrote_ = false;
        swapped_ = false;
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
    // Kills the program when the plan says so, before the call or after it.
    void before(ReaderPlan::Call call) const;
    void after(ReaderPlan::Call call);

    TagField& field_;
    std::size_t reader_;
    std::function<void()> swap_;
    ReaderPlan plan_;
    bool wrote_ = false;  // MF_Write was called in this step
    bool swapped_ = false;
    std::size_t beeps_ = 0;
};

}  // namespace sim
