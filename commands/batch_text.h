#pragma once

#include "card/card_number.h"
#include "commands/batch.h"
#include "commands/batch_session.h"
#include "commands/write_command.h"
#include "commands/write_journal.h"

#include <cstdint>
#include <optional>
#include <string>

// What a batch tells the operator, in the window's language (Simplified Chinese), as UTF-8.
namespace commands {

// The name a door controller's view goes by: 前十位号 (ten-digit), 后八位号 (eight-digit).
[[nodiscard]] std::string viewName(card::Notation view);

// Why the batch cannot be made: "张数须至少为 1", or how many fit before the numbers would wrap.
[[nodiscard]] std::string refusalText(const BatchRefusal& refusal);

// The question before writing `number` over another tag's shared view, default no: "后八位号
// 000,01000 已写在 001 0000001000 上：按后八位号读卡的门禁会把两张卡当成一张". The other tag is
// named by its version byte and its ten-digit number, as the window's fields show it.
[[nodiscard]] WriteQuestion collisionQuestion(const card::CardNumber& number,
                                              const SharedView& earlier);

// Where a batch stands, for the status line: "批次 <名称>：第 N/M 张，下一张 <号码>" (N the tag
// about to be written, its number in the batch's notation), "批次 <名称>：已写完 M 张", or, ended
// early, how many were written and how many voided (作废).
[[nodiscard]] std::string batchStatus(const BatchOrder& order, std::uint64_t verified,
                                      const std::optional<card::CardNumber>& next, bool ended);
// The same for a batch being written, where it stands now.
[[nodiscard]] std::string batchStatus(const BatchSession& session);

// What the range check found, asked before the batch begins (default no): how many of its
// numbers were written before and how many share a view with another tag's, the first few named.
// Nothing to ask when the check is clear.
[[nodiscard]] std::optional<WriteQuestion> rangeQuestion(const BatchOrder& order,
                                                         const RangeCheck& check);

// A batch not done, offered at start-up: "批次 <名称> 还没有写完：第 N/M 张，下一张 <号码>…",
// answered 继续 or not now.
[[nodiscard]] WriteQuestion resumeQuestion(const BatchOrder& order, std::uint64_t verified,
                                           const card::CardNumber& next);

// Before a batch is ended early, default no: how many of its numbers become void (作废).
[[nodiscard]] WriteQuestion endEarlyQuestion(const BatchOrder& order, std::uint64_t verified);

}  // namespace commands
