#pragma once

#include "card/card_number.h"
#include "commands/batch.h"
#include "commands/write_command.h"
#include "words/question_text.h"

#include <cstdint>
#include <optional>
#include <string>

// The words of a shared batch (UTF-8).
namespace words {

// Said while the server cannot be reached: how many tags the station's leases still allow.
[[nodiscard]] std::string offlineWords(std::uint64_t writable);

// Where a shared batch stands, for the status line: over all stations and at this one, "共享批次
// <名称>：全部已写 X/M 张，本站已写 Y 张，下一张 <号码>" (or that this station has no number to
// write), and "；离线：本站还可写 N 张" while the server cannot be reached. `verifiedAll` is the
// server's count as last heard, never less than this station's own.
[[nodiscard]] std::string sharedBatchStatus(const commands::BatchOrder& order,
                                            std::uint64_t verifiedAll, std::uint64_t verifiedHere,
                                            const std::optional<card::CardNumber>& next,
                                            std::optional<std::uint64_t> offlineWritable);

// An open shared batch among several to choose from: "客户丙（全部已写 1/5 张）".
[[nodiscard]] std::string sharedBatchChoice(const commands::BatchOrder& order,
                                            std::uint64_t verifiedAll);

// An open shared batch offered to this station at start-up, answered 继续 (join it) or not now.
[[nodiscard]] Question joinQuestion(const commands::BatchOrder& order, std::uint64_t verifiedAll,
                                    const std::string& station);

// A write the tag took but the database refused (the number is verified on another tag): it is
// not counted, and the tag must come out of the batch's bag. "共享数据库拒收第 N 张 <号码>：
// <why>；此卡不计入本批次，请取出".
[[nodiscard]] std::string refusedWriteText(std::uint64_t position, const card::CardNumber& number,
                                           card::Notation notation, const std::string& why);

// A block of a shared batch's numbers a station was given: "乙站 的号段 0000001010-0000001019",
// its first and last numbers in the batch's notation.
struct HeldBlock {
    std::string station;
    std::uint64_t firstPosition = 0;  // 0 the batch's first number
    std::uint64_t count = 0;          // how many numbers it was given, at least 1
};
// A block another station holds and has not written in full, to choose one to void:
// "乙站 的号段 0000001010-0000001019：未写 12 张".
[[nodiscard]] std::string heldLeaseText(const commands::Batch& batch, const HeldBlock& block,
                                        std::uint64_t unwritten);
// Asked before voiding it, default no: a station gone for good would otherwise hold its numbers
// back from the batch for ever.
[[nodiscard]] Question voidLeaseQuestion(const commands::Batch& batch, const HeldBlock& block,
                                         std::uint64_t unwritten, const std::string& by);
// Said once voided: "已作废 乙站 的号段 0000001010-0000001019 中未写的 12 个号码".
[[nodiscard]] std::string leaseVoidedText(const commands::Batch& batch, const HeldBlock& block,
                                          std::uint64_t voided);

// Asked before a shared batch is ended for every station, default no: what stays unwritten is
// voided in `by`'s name, the numbers other stations hold included.
[[nodiscard]] Question endSharedQuestion(const commands::BatchOrder& order,
                                         std::uint64_t verifiedAll, const std::string& by);
// Said once it is ended: "共享批次 <名称> 已结束：全部已写 X 张，作废 N 张（由 <站名> 作废）".
[[nodiscard]] std::string sharedEndedText(const commands::BatchOrder& order,
                                          std::uint64_t verifiedAll, const std::string& by);

}  // namespace words
