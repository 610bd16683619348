#include "commands/batch_text.h"

#include "card/number_text.h"
#include "commands/outcome_text.h"

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

std::string batchStatus(const BatchSession& session) {
    return batchStatus(session.batch().order(), session.verified(), session.nextNumber(),
                       session.ended());
}

std::optional<WriteQuestion> rangeQuestion(const BatchOrder& order, const RangeCheck& check) {
    if (check.clear()) {
        return std::nullopt;
    }
    const auto listed = [](std::uint64_t all, std::size_t named) {
        return all > named ? "等" : "";
    };
    std::string text;
    if (check.unavailable) {
        text += "不能查写卡记录（" + *check.unavailable + "），不知道这些号码是否写过。";
    }
    if (check.written > 0) {
        text += std::to_string(check.written) + " 个号码以前写过：";
        for (std::size_t i = 0; i < check.firstWritten.size(); ++i) {
            const WrittenBefore& before = check.firstWritten[i];
            text += (i > 0 ? "、" : "") + card::notationText(before.number, order.notation) + "（" +
                    readableTime(before.time) + "）";
        }
        text += std::string(listed(check.written, check.firstWritten.size())) + "。";
    }
    if (check.colliding > 0) {
        text += std::to_string(check.colliding) + " 个号码在门禁看来与已写的另一张卡相同：";
        for (std::size_t i = 0; i < check.firstColliding.size(); ++i) {
            const Collision& collision = check.firstColliding[i];
            const SharedView& earlier = collision.earlier;
            text += std::string(i > 0 ? "、" : "") + viewName(earlier.view) + " " +
                    card::notationText(collision.number, earlier.view) + " 已写在 " +
                    card::fieldText(earlier.number, card::Field::B4) + " " +
                    card::tenDigitText(earlier.number) + " 上";
        }
        text += std::string(listed(check.colliding, check.firstColliding.size())) + "。";
    }
    if (check.withinRange > 0) {
        text += std::to_string(check.withinRange) +
                " 个号码的后八位号与本批次前面的号码相同：按后八位号读卡的门禁会把它们当成一张。";
    }
    return WriteQuestion{text + "仍要开始批次 " + order.name + " 吗？", "仍要开始", "不开始"};
}

WriteQuestion resumeQuestion(const BatchOrder& order, std::uint64_t verified,
                             const card::CardNumber& next) {
    return WriteQuestion{"批次 " + order.name + " 还没有写完：已写 " + std::to_string(verified) +
                             "/" + std::to_string(order.count) + " 张，下一张 " +
                             card::notationText(next, order.notation) + "。继续写这个批次吗？",
                         "继续", "以后再说"};
}

WriteQuestion endEarlyQuestion(const BatchOrder& order, std::uint64_t verified) {
    return WriteQuestion{"批次 " + order.name + " 已写 " + std::to_string(verified) +
                             " 张，未写的 " + std::to_string(order.count - verified) +
                             " 个号码将记为作废，以后不再用于本批次。提前结束批次吗？",
                         "结束批次", "不结束"};
}

}  // namespace commands
