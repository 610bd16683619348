#include "commands/outcome_text.h"

#include "commands/reader_words.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

namespace commands {

namespace {

// U+00A0 in UTF-8: the status line never breaks a number across its two lines.
constexpr const char* kNoBreakSpace = "\xC2\xA0";

}  // namespace

std::string hexText(const card::TagNumber& tag) {
    const std::array<std::uint8_t, 5> bytes{tag.b4, tag.number.b3, tag.number.b2, tag.number.b1,
                                            tag.number.b0};
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += kNoBreakSpace;
        }
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

namespace {

// "读卡器库在 MF_Write 中出错（...）": the library's own words, cut short (at a character's
// start) since they come from outside and may be long.
std::string describeFault(const std::optional<reader::CallFault>& fault) {
    if (!fault) {
        return "读卡器库出错";
    }
    constexpr std::size_t kLongest = 120;
    std::string detail = fault->detail;
    if (detail.size() > kLongest) {
        std::size_t cut = kLongest;
        while (cut > 0 && (static_cast<unsigned char>(detail[cut]) & 0xC0U) == 0x80U) {
            --cut;
        }
        detail = detail.substr(0, cut) + "…";
    }
    return "读卡器库在 " + fault->entryPoint + " 中出错（" + detail + "）";
}

}  // namespace

std::string describeRead(const ReadOutcome& outcome, const reader::ReaderInUse& inUse) {
    switch (outcome.result) {
        case ReadOutcome::Result::Read:
            return "已读卡，十六进制 " + hexText(outcome.tag);
        case ReadOutcome::Result::NoTag:
            return "未读到卡" + failureDetail(outcome.status, inUse) + "，请将卡放在读卡器上";
        case ReadOutcome::Result::ReaderFault:
            return describeFault(outcome.fault);
        case ReadOutcome::Result::ReaderUnavailable:
            break;
    }
    return outcome.loadError ? describeLoadError(*outcome.loadError) : "读卡器库不可用";
}

std::string fieldName(card::Field field) {
    switch (field) {
        case card::Field::B4:
            return "版本或客户号";
        case card::Field::B3B0:
            return "前十位号";
        case card::Field::B2:
            return "后八位号的前三位";
        case card::Field::B1B0:
            return "后八位号的后五位";
    }
    return {};
}

namespace {

// "0316049323 / 214,34731 / 00 12 D6 87 AB": the number in both notations and in hex.
std::string numberInAllForms(const card::TagNumber& tag) {
    const auto& n = tag.number;
    const card::CardNumber values = card::decodeTagNumber(tag.b4, n.b3, n.b2, n.b1, n.b0);
    using card::Field;
    return card::formatPadded(values.B3B0, card::fieldWidth(Field::B3B0)) + " / " +
           card::formatPadded(values.B2, card::fieldWidth(Field::B2)) + "," +
           card::formatPadded(values.B1B0, card::fieldWidth(Field::B1B0)) + " / " + hexText(tag);
}

}  // namespace

std::string describeWrite(const WriteOutcome& outcome, const reader::ReaderInUse& inUse) {
    using Result = WriteOutcome::Result;
    switch (outcome.result) {
        case Result::Written:
            // The verdict first: a long line is cut at its end in the status line.
            return (outcome.lockRequested ? "已写卡并保护 " : "已写卡 ") +
                   numberInAllForms(outcome.number);
        case Result::WrittenNotLocked:
            return "已写卡，但未能保护" + failureDetail(outcome.lockStatus, inUse) +
                   "，卡未受保护：" + numberInAllForms(outcome.number);
        case Result::NotWritten:
            return "未写卡" + failureDetail(outcome.writeStatus, inUse) +
                   (outcome.advanceRequested ? "，号码未加一" : "");
        case Result::OutOfRange: {
            const card::Field field = outcome.invalidField.value_or(card::Field::B4);
            return fieldName(field) + "无效（须为 " + std::string(card::fieldRangeLabel(field)) +
                   " 的整数），未写卡";
        }
        case Result::ReaderFault:
            return describeFault(outcome.fault) + "：写卡结果不明" +
                   (outcome.advanced ? "，号码已加一" : "");
        case Result::ReaderUnavailable:
            break;
    }
    return outcome.loadError ? describeLoadError(*outcome.loadError) : "读卡器库不可用";
}

}  // namespace commands
