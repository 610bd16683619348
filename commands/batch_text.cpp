#include "commands/batch_text.h"

#include "card/number_text.h"

namespace commands {

std::string viewName(card::Notation view) {
    return view == card::Notation::WG34 ? "前十位号" : "后八位号";
}

std::string refusalText(const BatchRefusal& refusal) {
    if (refusal.reason == BatchRefusal::Reason::NoTags) {
        return "张数须至少为 1";
    }
    const BatchOrder& asked = refusal.asked;
    const card::CardNumber top =
        card::withCountingValue(asked.first, asked.notation, card::countingTop(asked.notation));
    return "张数 " + std::to_string(asked.count) + " 太多：从 " +
           card::notationText(asked.first, asked.notation) + " 起最多 " +
           std::to_string(refusal.room) + " 张，号码不能越过 " +
           card::notationText(top, asked.notation);
}

WriteQuestion collisionQuestion(const card::CardNumber& number, const SharedView& earlier) {
    const std::string view = viewName(earlier.view);
    const std::string earlierTag =
        card::fieldText(earlier.number, card::Field::B4) + " " + card::tenDigitText(earlier.number);
    return WriteQuestion{view + " " + card::notationText(number, earlier.view) + " 已写在 " +
                             earlierTag + " 上：按" + view + "读卡的门禁会把两张卡当成一张",
                         "仍要写入", "不写入"};
}

std::string batchStatus(const BatchOrder& order, std::uint64_t verified,
                        const std::optional<card::CardNumber>& next, bool ended) {
    const std::string head = "批次 " + order.name + "：";
    if (verified == order.count) {
        return head + "已写完 " + std::to_string(order.count) + " 张";
    }
    if (ended || !next) {
        return head + "已结束，写了 " + std::to_string(verified) + " 张，作废 " +
               std::to_string(order.count - verified) + " 张";
    }
    return head + "第 " + std::to_string(verified + 1) + "/" + std::to_string(order.count) +
           " 张，下一张 " + card::notationText(*next, order.notation);
}

}  // namespace commands
