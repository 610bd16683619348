#pragma once

#include "reader/reader.h"
#include "reader/reader_source.h"

#include <algorithm>
#include <array>
#include <cstdint>

// A reader library that answers at once, for benchmarks that time the program's own work around
// its calls.
namespace bench_support {

// A reader whose tag takes every write at once and sends the number back. Each press finds a
// blank tag, as in a batch: one that sent a number this program wrote would be asked about.
class InstantReader final : public reader::Reader {
public:
    reader::Status MF_Getsnr(reader::ShortBuffer& shortBuffer,
                             reader::LongBuffer& longBuffer) override {
        if (!written_) {
            return 2;  // a blank tag sends no valid frame
        }
        shortBuffer.bytes[0] = tag_[0];  // B4, then B3..B0 at the head of the long buffer
        std::copy(tag_.begin() + 1, tag_.end(), longBuffer.bytes.begin());
        return reader::kSuccess;
    }
    reader::Status MF_Write(reader::ShortBuffer& writeBlock,
                            reader::LongBuffer& /*longBuffer*/) override {
        std::copy_n(writeBlock.bytes.begin() + 1, tag_.size(), tag_.begin());
        written_ = true;
        return reader::kSuccess;
    }
    reader::Status ControlBuzzer(reader::ControlCode code,
                                 reader::LongBuffer& /*longBuffer*/) override {
        if (code == reader::ControlCode::Beep) {
            written_ = false;  // the tag done is taken away, and the next one laid down
        }
        return reader::kSuccess;
    }

private:
    std::array<std::uint8_t, 5> tag_{};
    bool written_ = false;
};

class InstantSource final : public reader::ReaderSource {
public:
    util::Expected<reader::Reader*, reader::LoadError> acquire() override {
        return static_cast<reader::Reader*>(&reader_);
    }
    [[nodiscard]] reader::ReaderInUse readerInUse() const override {
        return reader::ReaderInUse{"instant", true, true};
    }

private:
    InstantReader reader_;
};

}  // namespace bench_support
