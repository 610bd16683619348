#include "words/shared_text.h"

#include "card/number_text.h"

#include <algorithm>

namespace words {

using commands::BatchOrder;

std::string offlineWords(std::uint64_t writable) {
    return "离线：本站还可写 " + std::to_string(writable) + " 张";
}

std::string sharedBatchStatus(const BatchOrder& order, std::uint64_t verifiedAll,
                              std::uint64_t verifiedHere,
                              const std::optional<card::CardNumber>& next,
                              std::optional<std::uint64_t> offlineWritable) {
    const std::uint64_t all = std::max(verifiedAll, verifiedHere);
    std::string text = "共享批次 " + order.name + "：";
    if (all >= order.count) {
        text += "已写完 " + std::to_string(order.count) + " 张，本站已写 " +
                std::to_string(verifiedHere) + " 张";
    } else {
        text += "全部已写 " + std::to_string(all) + "/" + std::to_string(order.count) +
                " 张，本站已写 " + std::to_string(verifiedHere) + " 张，";
        text += next ? "下一张 " + card::notationText(*next, order.notation)
                     : std::string("本站暂无号码可写");
    }
    if (offlineWritable) {
        text += "；" + offlineWords(*offlineWritable);
    }
    return text;
}

std::string sharedBatchChoice(const BatchOrder& order, std::uint64_t verifiedAll) {
    return order.name + "（全部已写 " + std::to_string(verifiedAll) + "/" +
           std::to_string(order.count) + " 张）";
}

Question joinQuestion(const BatchOrder& order, std::uint64_t verifiedAll,
                      const std::string& station) {
    return Question{"共享批次 " + order.name + " 还没有写完：全部已写 " +
                        std::to_string(verifiedAll) + "/" + std::to_string(order.count) +
                        " 张。本站（" + station + "）加入一起写吗？",
                    "继续", "以后再说"};
}

std::string refusedWriteText(std::uint64_t position, const card::CardNumber& number,
                             card::Notation notation, const std::string& why) {
    return "共享数据库拒收第 " + std::to_string(position + 1) + " 张 " +
           card::notationText(number, notation) + "：" + why + "；此卡不计入本批次，请取出";
}

namespace {

std::string blockText(const commands::Batch& batch, const HeldBlock& block) {
    const card::Notation notation = batch.order().notation;
    const std::uint64_t last = block.firstPosition + std::max<std::uint64_t>(block.count, 1) - 1;
    return block.station + " 的号段 " +
           card::notationText(batch.number(block.firstPosition), notation) + "-" +
           card::notationText(batch.number(std::min(last, batch.count() - 1)), notation);
}

}  // namespace

std::string heldLeaseText(const commands::Batch& batch, const HeldBlock& block,
                          std::uint64_t unwritten) {
    return blockText(batch, block) + "：未写 " + std::to_string(unwritten) + " 张";
}

std::string leaseVoidedText(const commands::Batch& batch, const HeldBlock& block,
                            std::uint64_t voided) {
    return "已作废 " + blockText(batch, block) + " 中未写的 " + std::to_string(voided) + " 个号码";
}

Question endSharedQuestion(const commands::BatchOrder& order, std::uint64_t verifiedAll,
                           const std::string& by) {
    const std::uint64_t unwritten = order.count - std::min(verifiedAll, order.count);
    return Question{"共享批次 " + order.name + " 全部已写 " + std::to_string(verifiedAll) +
                        " 张，未写的 " + std::to_string(unwritten) +
                        " 个号码（别的电脑手上的也算）将记为由 " + by +
                        " 作废，所有电脑都不再写本批次。结束批次吗？",
                    "结束批次", "不结束"};
}

std::string sharedEndedText(const commands::BatchOrder& order, std::uint64_t verifiedAll,
                            const std::string& by) {
    const std::uint64_t unwritten = order.count - std::min(verifiedAll, order.count);
    return "共享批次 " + order.name + " 已结束：全部已写 " + std::to_string(verifiedAll) +
           " 张，作废 " + std::to_string(unwritten) + " 张（由 " + by + " 作废）";
}

Question voidLeaseQuestion(const commands::Batch& batch, const HeldBlock& block,
                           std::uint64_t unwritten, const std::string& by) {
    return Question{"作废 " + blockText(batch, block) + " 中未写的 " + std::to_string(unwritten) +
                        " 个号码吗？只在那台电脑不会再写时作废：作废的号码不再用于本批次，"
                        "记为由 " +
                        by + " 作废。",
                    "作废", "不作废"};
}

}  // namespace words
