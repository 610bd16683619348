#include "exports/handover_list.h"

#include "card/number_text.h"
#include "journal/journal_time.h"

#include <algorithm>

namespace exports {

namespace {

// The position of `number` in the batch, when it is one of its numbers.
std::optional<std::uint64_t> positionIn(const commands::Batch& batch,
                                        const card::CardNumber& number) {
    const card::Notation notation = batch.order().notation;
    const std::uint32_t at = card::countingValue(number, notation);
    const std::uint32_t first = card::countingValue(batch.order().first, notation);
    if (at < first || at - first >= batch.count() || batch.number(at - first) != number) {
        return std::nullopt;
    }
    return at - first;
}

HandoverRow numberRow(std::string position, const card::CardNumber& number) {
    return {std::move(position),
            card::tenDigitText(number),
            card::eightDigitText(number),
            card::hexDigits(number),
            {},
            {},
            {}};
}

}  // namespace

HandoverList::HandoverList(const journal::BatchLog& log) {
    if (!log.newest) {
        return;
    }
    auto made = commands::Batch::create(log.newest->order);
    if (!made) {
        return;
    }
    batch_ = std::move(*made);
    voidFrom_ = log.voidFrom;
    voided_ = log.voided;
    checked_ = log.checked;
    // A number of the range found in the bag but never verified in the batch is told on its own
    // row, not listed again after the range.
    for (const card::CardNumber& number : log.foreign) {
        if (const auto position = positionIn(*batch_, number)) {
            foundUnwritten_.push_back(*position);
        } else {
            foreign_.push_back(number);
        }
    }
    std::sort(foundUnwritten_.begin(), foundUnwritten_.end());
    const commands::BatchOrder& order = batch_->order();
    name_ = order.name;
    count_ = order.count;
    writes_ = log.rows;
    // A number written again after a failure: its verified write tells, else its newest one.
    for (std::size_t i = 0; i < writes_.size(); ++i) {
        const auto position = positionIn(*batch_, writes_[i].number);
        if (!position) {
            continue;
        }
        const auto [at, inserted] = told_.try_emplace(*position, i);
        if (!inserted && (writes_[i].verified || !writes_[at->second].verified)) {
            at->second = i;
        }
    }
    const auto checked = static_cast<std::uint64_t>(
        std::count_if(checked_.begin(), checked_.end(),
                      [this](std::uint64_t position) { return position < count_; }));
    summary_ = {
        {"名称", order.name},
        {"范围", card::notationText(order.first, order.notation) + " – " +
                     card::notationText(batch_->number(order.count - 1), order.notation)},
        {"张数", std::to_string(order.count)},
        {"已写", std::to_string(log.newest->verifiedCount())},
        {"作废", std::to_string(voided_)},
        {"已核对", std::to_string(checked)},
    };
}

std::uint64_t HandoverList::rows() const noexcept {
    return count_ + foreign_.size();
}

HandoverRow HandoverList::row(std::uint64_t index) const {
    if (index < count_) {
        return rangeRow(index);
    }
    return foreignRow(foreign_.at(static_cast<std::size_t>(index - count_)));
}

HandoverRow HandoverList::rangeRow(std::uint64_t position) const {
    HandoverRow row = numberRow(std::to_string(position + 1), batch_->number(position));
    const auto told = told_.find(position);
    const journal::BatchRow* write = told == told_.end() ? nullptr : &writes_[told->second];
    // A number the batch gave up on is void, whatever a failed write of it said before.
    if ((write == nullptr || !write->verified) && position >= voidFrom_ &&
        position - voidFrom_ < voided_) {
        row[4] = journal::kBatchVoid;
    } else if (write != nullptr) {
        row[4] = write->result;
        row[6] = journal::presentLocalTimeText(journal::parseIsoTime(write->time));
    } else {
        row[4] = kNotWritten;
    }
    if (std::binary_search(checked_.begin(), checked_.end(), position)) {
        row[5] = kChecked;
    } else if (std::binary_search(foundUnwritten_.begin(), foundUnwritten_.end(), position)) {
        row[5] = kNotInBatch;
    }
    return row;
}

HandoverRow HandoverList::foreignRow(const card::CardNumber& number) const {
    HandoverRow row = numberRow({}, number);
    row[4] = kNotInBatch;
    return row;
}

}  // namespace exports
