#include "words/bag_check_text.h"

#include "card/number_text.h"
#include "words/outcome_text.h"

namespace words {

using commands::Batch;
using commands::CheckCounts;
using commands::CheckFinding;

namespace {

std::string placeText(std::uint64_t position) {
    return "第 " + std::to_string(position + 1) + " 张 ";
}

}  // namespace

std::string checkedNumberText(const card::CardNumber& number, card::Notation notation) {
    std::string text = card::fieldText(number, card::Field::B4) + " " + card::tenDigitText(number);
    if (notation == card::Notation::WG26) {
        text += " / " + card::eightDigitText(number);
    }
    return text;
}

std::string checkCountsText(const CheckCounts& counts) {
    std::string text =
        "已核对 " + std::to_string(counts.checked) + "/" + std::to_string(counts.written);
    if (counts.foreign > 0) {
        text += "，不在本批次 " + std::to_string(counts.foreign) + " 张";
    }
    return text;
}

std::string checkVerdict(const CheckFinding& finding) {
    switch (finding.kind) {
        case CheckFinding::Kind::Belongs:
            return "属于本批次";
        case CheckFinding::Kind::Foreign:
            return "不在本批次";
        case CheckFinding::Kind::Again:
            break;
    }
    return "已核对过";
}

std::string checkText(const CheckFinding& finding, const CheckCounts& counts) {
    const std::string number = checkedNumberText(finding.number, finding.notation);
    std::string text = checkVerdict(finding) + "：";
    switch (finding.kind) {
        case CheckFinding::Kind::Belongs:
            text += placeText(*finding.position) + number;
            break;
        case CheckFinding::Kind::Foreign:
            text += number + (finding.position ? " 是本批次未写的号码" : "");
            break;
        case CheckFinding::Kind::Again:
            text +=
                (finding.written ? placeText(*finding.position) + number : number + "，不在本批次");
            break;
    }
    text += "（" + checkCountsText(counts) + "）";
    if (finding.journalError) {
        text += "；未能记入写卡记录，未计入核对：" + journalTroubleText(*finding.journalError);
    }
    return text;
}

std::string unseenText(const Batch& batch, const std::vector<std::uint64_t>& unseen) {
    if (unseen.empty()) {
        return "已全部核对";
    }
    std::string text = "未核对 " + std::to_string(unseen.size()) + " 张：";
    for (std::size_t i = 0; i < unseen.size() && i < kUnseenListed; ++i) {
        if (i > 0) {
            text += "、";
        }
        text += placeText(unseen[i]) +
                checkedNumberText(batch.number(unseen[i]), batch.order().notation);
    }
    if (unseen.size() > kUnseenListed) {
        text += " 等";
    }
    return text;
}

}  // namespace words
