#include "words/batch_text.h"

#include "card/number_text.h"
#include "words/outcome_text.h"
#include "words/shared_text.h"

namespace words {

using commands::BatchOrder;
using commands::BatchRefusal;
using commands::Collision;
using commands::RangeCheck;
using commands::SharedView;
using commands::WrittenBefore;

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

std::string formErrorText(const commands::BatchFormError& error) {
    using Kind = commands::BatchFormError::Kind;
    switch (error.kind) {
        case Kind::NoName:
            return "请填写名称（客户或订单）";
        case Kind::NameOnTwoLines:
            return "名称不能分行";
        case Kind::SharedBatchName:
            return "名称不能以“（共享批次 …）”结尾：写卡记录用它记共享批次";
        case Kind::NoFirstNumber:
            return "请填写起始号码";
        case Kind::NoComma:
            return "起始号码须写成 xxx,xxxxx，如 000,01000";
        case Kind::FieldOutOfRange: {
            const std::string must = fieldName(error.field) + "须为 " +
                                     std::string(card::fieldRangeLabel(error.field)) + " 的整数";
            return error.field == card::Field::B4 ? must : "起始号码无效：" + must;
        }
        case Kind::CountNotANumber:
            break;
    }
    return "张数须为整数，如 500";
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

std::string batchStatus(const commands::BatchWriting& writing) {
    const commands::BatchStanding now = writing.standing();
    const commands::BatchOrder& order = writing.batch().order();
    if (now.verifiedAll) {
        return sharedBatchStatus(order, *now.verifiedAll, now.verified, now.next,
                                 now.offlineWritable);
    }
    return batchStatus(order, now.verified, now.next, now.ended);
}

std::optional<Question> rangeQuestion(const BatchOrder& order, const RangeCheck& check) {
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
    return Question{text + "仍要开始批次 " + order.name + " 吗？", "仍要开始", "不开始"};
}

Question resumeQuestion(const BatchOrder& order, std::uint64_t verified,
                        const card::CardNumber& next) {
    return Question{"批次 " + order.name + " 还没有写完：已写 " + std::to_string(verified) + "/" +
                        std::to_string(order.count) + " 张，下一张 " +
                        card::notationText(next, order.notation) + "。继续写这个批次吗？",
                    "继续", "以后再说"};
}

Question endEarlyQuestion(const BatchOrder& order, std::uint64_t verified) {
    return Question{"批次 " + order.name + " 已写 " + std::to_string(verified) + " 张，未写的 " +
                        std::to_string(order.count - verified) +
                        " 个号码将记为作废，以后不再用于本批次。提前结束批次吗？",
                    "结束批次", "不结束"};
}

std::string batchClosedText(const std::string& name) {
    return "已关闭批次 " + name + "：写卡号按输入框中的号码写卡";
}

std::string pressWhileAskedText(bool offer) {
    return offer ? "未读写卡：有未写完的批次等待回答，请先选择“继续”或“以后再说”"
                 : "未读写卡：请先回答打开的对话框";
}

}  // namespace words
