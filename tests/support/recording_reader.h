#pragma once

#include "reader/reader.h"
#include "reader/reader_fault.h"
#include "reader/reader_source.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace testing_support {

// One call the commands made, with the buffers as the reader received them.
struct RecordedCall {
    enum class Op { Getsnr, Write, ControlBuzzer };
    Op op = Op::Getsnr;
    reader::ControlCode code = reader::ControlCode::Beep;  // ControlBuzzer only
    reader::ShortBuffer shortOnEntry;                      // Getsnr and Write only
    reader::LongBuffer longOnEntry;
    const std::uint8_t* shortAddress = nullptr;
    const std::uint8_t* longAddress = nullptr;
};

// A reader that records every call and answers with scripted statuses. Its tag takes every write
// it answers with 0 (unless `writesReachTheTag` is false) and sends its number to MF_Getsnr;
// `onGetsnr` lets a test fill the reply buffers itself instead.
class RecordingReader final : public reader::Reader {
public:
    reader::Status getsnrStatus = reader::kSuccess;
    reader::Status writeStatus = reader::kSuccess;
    std::array<std::uint8_t, 5> tag{};  // B4 B3 B2 B1 B0 of the tag at the reader
    bool writesReachTheTag = true;
    // Status per control code; codes not listed answer 0.
    std::function<reader::Status(reader::ControlCode)> buzzerStatus;
    std::function<void(reader::ShortBuffer&, reader::LongBuffer&)> onGetsnr;
    // Lets a test scribble into the long buffer during every call, as a library may.
    std::function<void(reader::LongBuffer&)> onAnyCall;
    std::vector<RecordedCall> calls;
    // The call (counted from 0) that throws, as a library that fails across its C interface.
    std::optional<std::size_t> throwingCall;

    reader::Status MF_Getsnr(reader::ShortBuffer& shortBuffer,
                             reader::LongBuffer& longBuffer) override {
        record(RecordedCall::Op::Getsnr, reader::ControlCode::Beep, &shortBuffer, longBuffer);
        scribble(longBuffer);
        if (onGetsnr) {
            onGetsnr(shortBuffer, longBuffer);
        } else if (getsnrStatus == reader::kSuccess) {
            // The reply as the reader's library lays it out, spelled out here on its own so
            // that a wrong byte position in the program shows: B4 in short byte 0, B3..B0 in
            // long bytes 0..3.
            shortBuffer.bytes[0] = tag[0];
            std::copy(tag.begin() + 1, tag.end(), longBuffer.bytes.begin());
        }
        return getsnrStatus;
    }
    reader::Status MF_Write(reader::ShortBuffer& writeBlock,
                            reader::LongBuffer& longBuffer) override {
        record(RecordedCall::Op::Write, reader::ControlCode::Beep, &writeBlock, longBuffer);
        scribble(longBuffer);
        if (writeStatus == reader::kSuccess && writesReachTheTag) {
            std::copy_n(writeBlock.bytes.begin() + 1, tag.size(), tag.begin());
        }
        return writeStatus;
    }
    reader::Status ControlBuzzer(reader::ControlCode code,
                                 reader::LongBuffer& longBuffer) override {
        record(RecordedCall::Op::ControlBuzzer, code, nullptr, longBuffer);
        scribble(longBuffer);
        return buzzerStatus ? buzzerStatus(code) : reader::kSuccess;
    }

private:
    void record(RecordedCall::Op op, reader::ControlCode code,
                const reader::ShortBuffer* shortBuffer, const reader::LongBuffer& longBuffer) {
        RecordedCall call;
        call.op = op;
        call.code = code;
        if (shortBuffer != nullptr) {
            call.shortOnEntry = *shortBuffer;
            call.shortAddress = shortBuffer->bytes.data();
        }
        call.longOnEntry = longBuffer;
        call.longAddress = longBuffer.bytes.data();
        calls.push_back(call);
        if (throwingCall && *throwingCall + 1 == calls.size()) {
            throw reader::ReaderFault(reader::CallFault{"call", "thrown"});
        }
    }

    // After recording, so the record shows the buffers as they arrived.
    void scribble(reader::LongBuffer& longBuffer) const {
        if (onAnyCall) {
            onAnyCall(longBuffer);
        }
    }
};

// Hands out a RecordingReader, or a scripted load failure.
class FakeSource final : public reader::ReaderSource {
public:
    RecordingReader device;
    std::optional<reader::LoadError> failure;
    int acquisitions = 0;

    util::Expected<reader::Reader*, reader::LoadError> acquire() override {
        ++acquisitions;
        if (failure) {
            return util::Unexpected{*failure};
        }
        return static_cast<reader::Reader*>(&device);
    }
    [[nodiscard]] reader::ReaderInUse readerInUse() const override {
        return reader::ReaderInUse{"recording-fake", acquisitions > 0 && !failure, false};
    }
};

}  // namespace testing_support
