#include "emulator/em4100.h"

#include "card/number_text.h"

#include <cstddef>

namespace emulator {

namespace {

constexpr int kHeaderBits = 9;
constexpr int kRows = 10;
constexpr int kColumns = 4;

// The data nibble of row `row` (0 = high nibble of B4, 9 = low nibble of B0).
unsigned nibble(const CardNumber& number, int row) noexcept {
    const auto shift = static_cast<unsigned>(4 * (kRows - 1 - row));
    return static_cast<unsigned>((card::numberValue(number) >> shift) & 0x0FU);
}

unsigned parity(unsigned bits) noexcept {
    unsigned result = 0;
    while (bits != 0) {
        result ^= bits & 1U;
        bits >>= 1U;
    }
    return result;
}

// Reads a frame from the top: each call takes the next `count` bits.
class FrameReader {
public:
    explicit FrameReader(Frame frame) noexcept : frame_(frame) {}
    unsigned take(int count) noexcept {
        position_ -= count;
        const Frame mask = (Frame{1} << static_cast<unsigned>(count)) - 1;
        return static_cast<unsigned>((frame_ >> static_cast<unsigned>(position_)) & mask);
    }

private:
    Frame frame_;
    int position_ = kFrameBits;
};

}  // namespace

Frame encodeFrame(const CardNumber& number) noexcept {
    Frame frame = (Frame{1} << kHeaderBits) - 1;
    unsigned columns = 0;
    for (int row = 0; row < kRows; ++row) {
        const unsigned data = nibble(number, row);
        columns ^= data;
        frame = (frame << 5U) | (Frame{data} << 1U) | parity(data);
    }
    frame = (frame << 4U) | columns;
    frame <<= 1U;  // stop bit 0
    return frame;
}

std::optional<CardNumber> decodeFrame(Frame frame) noexcept {
    FrameReader bits(frame);
    if (bits.take(kHeaderBits) != (1U << kHeaderBits) - 1) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    unsigned columns = 0;
    for (int row = 0; row < kRows; ++row) {
        const unsigned data = bits.take(4);
        if (bits.take(1) != parity(data)) {
            return std::nullopt;
        }
        columns ^= data;
        value = (value << 4U) | data;
    }
    if (bits.take(kColumns) != columns) {
        return std::nullopt;
    }
    if (bits.take(1) != 0) {
        return std::nullopt;
    }
    return card::tagNumberFromValue(value);
}

std::optional<CardNumber> findFrame(const BitStream& repeatedStream) {
    const std::size_t length = repeatedStream.size();
    for (std::size_t start = 0; start < length; ++start) {
        Frame frame = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(kFrameBits); ++i) {
            frame = (frame << 1U) | (repeatedStream[(start + i) % length] ? 1U : 0U);
        }
        if (auto number = decodeFrame(frame)) {
            return number;
        }
    }
    return std::nullopt;
}

void appendBits(BitStream& stream, std::uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        stream.push_back(((value >> static_cast<unsigned>(i)) & 1U) != 0);
    }
}

}  // namespace emulator
