#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

namespace emulator {

// Statuses the emulated reader answers with.
enum EmulatorStatus : std::int32_t {
    kOk = 0,
    kNoTag = 1,  // nothing in the field
};

// The emulated reader's state: the tag in its field (if any) and what the buzzer has done.
// One instance lives in the loaded library; every entry point works on it under its lock.
class VirtualReader {
public:
    using TagNumber = std::array<std::uint8_t, 5>;  // B4 B3 B2 B1 B0

    static VirtualReader& instance();

    std::int32_t getSnr(std::uint8_t* shortBuffer, std::uint8_t* longBuffer);
    std::int32_t write(const std::uint8_t* writeBlock);
    std::int32_t controlBuzzer(std::uint8_t code);

    void placeTag(const TagNumber& number);
    void removeTag();
    [[nodiscard]] std::uint32_t beepCount() const;

private:
    VirtualReader();

    mutable std::mutex mutex_;
    std::optional<TagNumber> tag_;
    std::uint8_t selectedChipCode_ = 0;
    std::uint32_t beeps_ = 0;
};

}  // namespace emulator
