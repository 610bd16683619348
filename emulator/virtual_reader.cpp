#include "emulator/virtual_reader.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace emulator {

namespace {

// MF1_EMULATOR_TAG: ten hex digits (B4..B0) to start with that tag in the field, or "none" to
// start with an empty field. Unset or malformed: tag 00 00 00 00 01.
std::optional<VirtualReader::TagNumber> initialTag() {
    VirtualReader::TagNumber number{0, 0, 0, 0, 1};
    const char* setting = std::getenv("MF1_EMULATOR_TAG");  // NOLINT(concurrency-mt-unsafe)
    if (setting == nullptr) {
        return number;
    }
    const std::string_view text(setting);
    if (text == "none") {
        return std::nullopt;
    }
    if (text.size() != 2 * number.size()) {
        return number;
    }
    VirtualReader::TagNumber parsed{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        int nibble = 0;
        if (c >= '0' && c <= '9') {
            nibble = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            nibble = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            nibble = c - 'A' + 10;
        } else {
            return number;
        }
        parsed[i / 2] = static_cast<std::uint8_t>((parsed[i / 2] << 4) | nibble);
    }
    return parsed;
}

}  // namespace

VirtualReader& VirtualReader::instance() {
    static VirtualReader reader;
    return reader;
}

VirtualReader::VirtualReader() : tag_(initialTag()) {}

std::int32_t VirtualReader::getSnr(std::uint8_t* shortBuffer, std::uint8_t* longBuffer) {
    const std::lock_guard lock(mutex_);
    if (!tag_) {
        return kNoTag;
    }
    shortBuffer[0] = (*tag_)[0];
    std::memcpy(longBuffer, tag_->data() + 1, 4);
    return kOk;
}

std::int32_t VirtualReader::write(const std::uint8_t* writeBlock) {
    const std::lock_guard lock(mutex_);
    if (!tag_) {
        return kNoTag;
    }
    std::memcpy(tag_->data(), writeBlock + 1, tag_->size());
    return kOk;
}

std::int32_t VirtualReader::controlBuzzer(std::uint8_t code) {
    const std::lock_guard lock(mutex_);
    switch (code) {
        case 1:
            ++beeps_;
            break;
        case 4:
            selectedChipCode_ = 0;
            break;
        case 5:
            selectedChipCode_ = 2;
            break;
        default:
            break;
    }
    return kOk;
}

void VirtualReader::placeTag(const TagNumber& number) {
    const std::lock_guard lock(mutex_);
    tag_ = number;
}

void VirtualReader::removeTag() {
    const std::lock_guard lock(mutex_);
    tag_.reset();
}

std::uint32_t VirtualReader::beepCount() const {
    const std::lock_guard lock(mutex_);
    return beeps_;
}

}  // namespace emulator
