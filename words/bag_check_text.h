#pragma once

#include "card/card_number.h"
#include "commands/bag_check.h"
#include "commands/batch.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What a bag check (核对) tells the operator, in the window's language (Simplified Chinese), as
// UTF-8. Each finding's line starts with its fixed words, 属于本批次, 不在本批次 or 已核对过:
// screen readers and acceptance runs go by them.
namespace words {

// A tag's number as a check names it: its version byte and ten-digit number, as the window's
// fields show them ("001 0000001011"), and in an eight-digit batch its counted view after it
// ("001 0000001011 / 000,01011").
[[nodiscard]] std::string checkedNumberText(const card::CardNumber& number,
                                            card::Notation notation);

// Where the check stands: "已核对 12/500", and "，不在本批次 2 张" once there are such tags.
[[nodiscard]] std::string checkCountsText(const commands::CheckCounts& counts);

// A finding's fixed first words, its verdict: 属于本批次, 不在本批次 or 已核对过.
[[nodiscard]] std::string checkVerdict(const commands::CheckFinding& finding);
// The status line after a read: "属于本批次：第 12 张 001 0000001011（已核对 12/500）",
// "不在本批次：001 0000009999（…）", "不在本批次：001 0000001013 是本批次未写的号码（…）",
// "已核对过：第 12 张 …（…）" or "已核对过：001 0000009999，不在本批次（…）"; when the journal
// could not record it, why, and that it is not counted.
[[nodiscard]] std::string checkText(const commands::CheckFinding& finding,
                                    const commands::CheckCounts& counts);

// The tags not seen yet, the first kUnseenListed of them named: "未核对 3 张：第 4 张 001
// 0000001003、…", or "已全部核对" when none is missing.
inline constexpr std::size_t kUnseenListed = 20;
[[nodiscard]] std::string unseenText(const commands::Batch& batch,
                                     const std::vector<std::uint64_t>& unseen);

}  // namespace words
