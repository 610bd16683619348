#pragma once

#include "reader/protocol.h"
#include "reader/reader.h"
#include "reader/reader_fault.h"
#include "reader/reader_source.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace fuzzing {

// A reader whose every answer comes from the fuzzer: any status, any bytes in the buffers, now
// and then an exception. Counts the calls of each kind.
class FuzzedReader final : public reader::Reader {
public:
    explicit FuzzedReader(FuzzedDataProvider& in) : in_(in) {}

    int getsnrCalls = 0;
    int writeCalls = 0;
    int buzzerCalls = 0;
    int beeps = 0;
    // What the last MF_Write asked for, and whether the last MF_Getsnr since it answered with
    // success and exactly that number: the only state in which a beep is a promise kept.
    std::optional<card::CardNumber> lastWritten;
    bool readBackMatches = false;
    bool beepedUnverified = false;
    // Set when an MF_Write did not come right after a chip's announcement made on a zero-filled
    // long buffer, on that buffer as the announcement left it.
    bool wroteOutOfTurn = false;

    reader::Status MF_Getsnr(reader::ShortBuffer& shortBuffer,
                             reader::LongBuffer& longBuffer) override {
        ++getsnrCalls;
        readBackMatches = false;
        announced.reset();
        scribble(shortBuffer.bytes);
        scribble(longBuffer.bytes);
        if (lastWritten && in_.ConsumeBool()) {
            // The tag took the write: it sends the number back.
            reader::putReplyNumber(*lastWritten, shortPart(shortBuffer), longPart(longBuffer));
        }
        const reader::Status status = answer("MF_Getsnr");
        readBackMatches =
            lastWritten && status == reader::kSuccess &&
            reader::replyNumber(shortPart(shortBuffer), longPart(longBuffer)) == *lastWritten;
        return status;
    }
    reader::Status MF_Write(reader::ShortBuffer& writeBlock,
                            reader::LongBuffer& longBuffer) override {
        ++writeCalls;
        readBackMatches = false;
        wroteOutOfTurn = wroteOutOfTurn || !announced || *announced != longBuffer.bytes;
        announced.reset();
        lastWritten = reader::readWriteBlock(std::span<const std::uint8_t, reader::kWriteBlockSize>(
                                                 writeBlock.bytes.data(), reader::kWriteBlockSize))
                          .number;
        scribble(writeBlock.bytes);
        scribble(longBuffer.bytes);
        return answer("MF_Write");
    }
    reader::Status ControlBuzzer(reader::ControlCode code,
                                 reader::LongBuffer& longBuffer) override {
        ++buzzerCalls;
        if (code == reader::ControlCode::Beep) {
            ++beeps;
            beepedUnverified = beepedUnverified || !readBackMatches;
        }
        const bool fresh = std::ranges::all_of(longBuffer.bytes, [](auto b) { return b == 0; });
        scribble(longBuffer.bytes);
        announced.reset();
        if (fresh && (code == reader::ControlCode::SelectT5577 ||
                      code == reader::ControlCode::SelectEM4305)) {
            announced = longBuffer.bytes;
        }
        return answer("ControlBuzzer");
    }

private:
    // The long buffer as the last announcement left it, until another call.
    std::optional<std::array<std::uint8_t, reader::LongBuffer::kSize>> announced;

    static std::span<std::uint8_t, reader::kReplyShortBytes> shortPart(
        reader::ShortBuffer& buffer) {
        return std::span<std::uint8_t, reader::kReplyShortBytes>(buffer.bytes.data(),
                                                                 reader::kReplyShortBytes);
    }
    static std::span<std::uint8_t, reader::kReplyLongBytes> longPart(reader::LongBuffer& buffer) {
        return std::span<std::uint8_t, reader::kReplyLongBytes>(buffer.bytes.data(),
                                                                reader::kReplyLongBytes);
    }

    // Overwrites the start of a buffer with as many fuzzed bytes as the input offers.
    template <class Bytes>
    void scribble(Bytes& bytes) {
        const auto count = in_.ConsumeIntegralInRange<std::size_t>(0, bytes.size());
        const auto fill = in_.ConsumeBytes<std::uint8_t>(count);
        std::copy(fill.begin(), fill.end(), bytes.begin());
    }

    // Mostly success, sometimes any status, rarely an exception.
    reader::Status answer(const char* entryPoint) {
        switch (in_.ConsumeIntegralInRange(0, 7)) {
            case 0:
                return in_.ConsumeIntegral<reader::Status>();
            case 1:
                return 1;
            case 2:
                if (in_.ConsumeBool()) {
                    throw reader::ReaderFault(reader::CallFault{entryPoint, "fuzzed"});
                }
                return reader::kSuccess;
            default:
                return reader::kSuccess;
        }
    }

    FuzzedDataProvider& in_;
};

// Hands out the fuzzed reader, or now and then a load failure.
class FuzzedSource final : public reader::ReaderSource {
public:
    explicit FuzzedSource(FuzzedDataProvider& in) : in_(in), device(in) {}

    util::Expected<reader::Reader*, reader::LoadError> acquire() override {
        if (in_.ConsumeIntegralInRange(0, 15) == 0) {
            return util::Unexpected{
                reader::LoadError{reader::LoadError::Kind::FileNotLoaded, "MF1", "fuzzed", {}}};
        }
        return static_cast<reader::Reader*>(&device);
    }
    [[nodiscard]] reader::ReaderInUse readerInUse() const override { return {"MF1", true, false}; }

private:
    FuzzedDataProvider& in_;

public:
    FuzzedReader device;
};

}  // namespace fuzzing
