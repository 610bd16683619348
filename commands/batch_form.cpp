#include "commands/batch_form.h"

#include "commands/shared_batch_name.h"
#include "commands/write_request.h"

#include <array>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace commands {

namespace {

// Blanks around a text typed or pasted into a field: spaces, tabs, line ends, the ideographic
// space.
constexpr std::array<std::string_view, 5> kBlanks{" ", "\t", "\r", "\n", "\xE3\x80\x80"};

std::string_view trimmed(std::string_view text) {
    for (bool cut = true; cut;) {
        cut = false;
        for (const std::string_view blank : kBlanks) {
            while (text.starts_with(blank)) {
                text.remove_prefix(blank.size());
                cut = true;
            }
            while (text.ends_with(blank)) {
                text.remove_suffix(blank.size());
                cut = true;
            }
        }
    }
    return text;
}

// The digits of a field's text with full-width ones as ASCII, at most `width` of them; nothing
// when anything else is in it: the dialog starts no batch from a guess at what was meant.
std::optional<std::string> digitsOf(std::string_view text, int width) {
    constexpr std::string_view kFullWidthZero = "\xEF\xBC\x90";  // U+FF10; U+FF19 is 9
    std::string digits;
    while (!text.empty()) {
        if (text.front() >= '0' && text.front() <= '9') {
            digits += text.front();
            text.remove_prefix(1);
        } else if (text.size() >= 3 && text.substr(0, 2) == kFullWidthZero.substr(0, 2) &&
                   static_cast<unsigned char>(text[2]) >= 0x90U &&
                   static_cast<unsigned char>(text[2]) <= 0x99U) {
            digits += static_cast<char>('0' + (static_cast<unsigned char>(text[2]) - 0x90U));
            text.remove_prefix(3);
        } else {
            return std::nullopt;
        }
    }
    if (digits.empty() || digits.size() > static_cast<std::size_t>(width)) {
        return std::nullopt;
    }
    return digits;
}

util::Unexpected<BatchFormError> outOfRange(card::Field field) {
    return util::Unexpected{BatchFormError{BatchFormError::Kind::FieldOutOfRange, field}};
}

}  // namespace

util::Expected<BatchOrder, BatchFormError> orderFrom(const BatchForm& form) {
    BatchOrder order;
    order.name = std::string(trimmed(form.name));
    // Every line of the journal names the batch: a name must say which, on one line.
    if (order.name.empty()) {
        return util::Unexpected{BatchFormError{BatchFormError::Kind::NoName}};
    }
    if (order.name.find_first_of("\r\n") != std::string::npos) {
        return util::Unexpected{BatchFormError{BatchFormError::Kind::NameOnTwoLines}};
    }
    // The journal knows a shared batch's writes by this ending: a local batch named so would be
    // taken for one, and never offered to be continued.
    if (isSharedBatchName(order.name)) {
        return util::Unexpected{BatchFormError{BatchFormError::Kind::SharedBatchName}};
    }

    // Each field strictly its digits; their ranges are then the write's to judge.
    WriteForm write;
    write.notation = form.notation;
    const auto b4 = digitsOf(trimmed(form.b4Text), card::fieldWidth(card::Field::B4));
    if (!b4) {
        return outOfRange(card::Field::B4);
    }
    textOf(write.texts, card::Field::B4) = *b4;
    const std::string_view first = trimmed(form.firstText);
    if (first.empty()) {
        return util::Unexpected{BatchFormError{BatchFormError::Kind::NoFirstNumber}};
    }
    if (form.notation == card::Notation::WG34) {
        const auto digits = digitsOf(first, card::fieldWidth(card::Field::B3B0));
        if (!digits) {
            return outOfRange(card::Field::B3B0);
        }
        textOf(write.texts, card::Field::B3B0) = *digits;
    } else {
        // "xxx,xxxxx", with an ASCII or a full-width comma.
        std::size_t comma = first.find(',');
        std::size_t after = comma + 1;
        if (comma == std::string_view::npos) {
            comma = first.find("\xEF\xBC\x8C");
            after = comma + 3;
        }
        if (comma == std::string_view::npos) {
            return util::Unexpected{BatchFormError{BatchFormError::Kind::NoComma}};
        }
        const auto b2 = digitsOf(first.substr(0, comma), card::fieldWidth(card::Field::B2));
        if (!b2) {
            return outOfRange(card::Field::B2);
        }
        const auto b1b0 = digitsOf(first.substr(after), card::fieldWidth(card::Field::B1B0));
        if (!b1b0) {
            return outOfRange(card::Field::B1B0);
        }
        textOf(write.texts, card::Field::B2) = *b2;
        textOf(write.texts, card::Field::B1B0) = *b1b0;
    }
    const auto request = requestFrom(write);
    if (!request) {
        return util::Unexpected{
            BatchFormError{BatchFormError::Kind::FieldOutOfRange, request.error()}};
    }
    order.first = request->number;

    // Up to 20 digits: what does not fit 64 bits is refused by from_chars.
    const auto countText = digitsOf(trimmed(form.countText), 20);
    if (!countText) {
        return util::Unexpected{BatchFormError{BatchFormError::Kind::CountNotANumber}};
    }
    const char* const countEnd = countText->data() + countText->size();
    if (std::from_chars(countText->data(), countEnd, order.count).ec != std::errc()) {
        return util::Unexpected{BatchFormError{BatchFormError::Kind::CountNotANumber}};
    }
    order.notation = form.notation;
    order.chip = form.chip;
    order.lock = form.lock;
    return order;
}

}  // namespace commands
