#include "commands/batch_form.h"

#include "card/number_text.h"
#include "commands/outcome_text.h"
#include "commands/shared_text.h"
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

std::string invalidField(card::Field field) {
    const std::string must =
        fieldName(field) + "须为 " + std::string(card::fieldRangeLabel(field)) + " 的整数";
    return field == card::Field::B4 ? must : "起始号码无效：" + must;
}

}  // namespace

util::Expected<BatchOrder, std::string> orderFrom(const BatchForm& form) {
    BatchOrder order;
    order.name = std::string(trimmed(form.name));
    // Every line of the journal names the batch: a name must say which, on one line.
    if (order.name.empty()) {
        return util::Unexpected{std::string("请填写名称（客户或订单）")};
    }
    if (order.name.find_first_of("\r\n") != std::string::npos) {
        return util::Unexpected{std::string("名称不能分行")};
    }
    // The journal knows a shared batch's writes by this ending: a local batch named so would be
    // taken for one, and never offered to be continued.
    if (isSharedBatchName(order.name)) {
        return util::Unexpected{
            std::string("名称不能以“（共享批次 …）”结尾：写卡记录用它记共享批次")};
    }

    WriteForm write;
    write.notation = form.notation;
    textOf(write.texts, card::Field::B4) = form.b4Text;
    const std::string_view first = trimmed(form.firstText);
    if (first.empty()) {
        return util::Unexpected{std::string("请填写起始号码")};
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
            return util::Unexpected{std::string("起始号码须写成 xxx,xxxxx，如 000,01000")};
        }
        textOf(write.texts, card::Field::B2) = std::string(first.substr(0, comma));
        textOf(write.texts, card::Field::B1B0) = std::string(first.substr(after));
    }
    const auto request = requestFrom(write);
    if (!request) {
        return util::Unexpected{invalidField(request.error())};
    }
    order.first = request->number;

    const std::string_view countText = trimmed(form.countText);
    const auto [end, error] =
        std::from_chars(countText.data(), countText.data() + countText.size(), order.count);
    if (countText.empty() || error != std::errc() || end != countText.data() + countText.size()) {
        return util::Unexpected{std::string("张数须为整数，如 500")};
    }
    order.notation = form.notation;
    order.chip = form.chip;
    order.lock = form.lock;
    return order;
}

}  // namespace commands
