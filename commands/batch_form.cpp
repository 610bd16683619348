#include "commands/batch_form.h"

#include "commands/shared_batch_name.h"
#include "commands/write_request.h"

#include <array>
#include <charconv>
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

    WriteForm write;
    write.notation = form.notation;
    textOf(write.texts, card::Field::B4) = form.b4Text;
    const std::string_view first = trimmed(form.firstText);
    if (first.empty()) {
        return util::Unexpected{BatchFormError{BatchFormError::Kind::NoFirstNumber}};
    }
    if (form.notation == card::Notation::WG34) {
        textOf(write.texts, card::Field::B3B0) = std::string(first);
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
        textOf(write.texts, card::Field::B2) = std::string(first.substr(0, comma));
        textOf(write.texts, card::Field::B1B0) = std::string(first.substr(after));
    }
    const auto request = requestFrom(write);
    if (!request) {
        return util::Unexpected{
            BatchFormError{BatchFormError::Kind::FieldOutOfRange, request.error()}};
    }
    order.first = request->number;

    const std::string_view countText = trimmed(form.countText);
    const auto [end, error] =
        std::from_chars(countText.data(), countText.data() + countText.size(), order.count);
    if (countText.empty() || error != std::errc() || end != countText.data() + countText.size()) {
        return util::Unexpected{BatchFormError{BatchFormError::Kind::CountNotANumber}};
    }
    order.notation = form.notation;
    order.chip = form.chip;
    order.lock = form.lock;
    return order;
}

}  // namespace commands
