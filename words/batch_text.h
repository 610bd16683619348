#pragma once

#include "card/card_number.h"
#include "commands/batch.h"
#include "commands/batch_form.h"
#include "commands/batch_writing.h"
#include "commands/write_command.h"
#include "commands/write_journal.h"
#include "words/question_text.h"

#include <cstdint>
#include <optional>
#include <string>

// What a batch tells the operator, in the window's language (Simplified Chinese), as UTF-8.
namespace words {

// The name a door controller's view goes by: 前十位号 (ten-digit), 后八位号 (eight-digit).
[[nodiscard]] std::string viewName(card::Notation view);

// Why the batch cannot be made: "张数须至少为 1", or how many fit before the numbers would wrap.
[[nodiscard]] std::string refusalText(const commands::BatchRefusal& refusal);

// What is wrong with the batch dialog's form: "请填写名称（客户或订单）",
// "起始号码无效：前十位号须为 0~4294967295 的整数" ...
[[nodiscard]] std::string formErrorText(const commands::BatchFormError& error);
// Where a batch stands, for the status line: "批次 <名称>：第 N/M 张，下一张 <号码>" (N the tag
// about to be written, its number in the batch's notation), "批次 <名称>：已写完 M 张", or, ended
// early, how many were written and how many voided (作废).
[[nodiscard]] std::string batchStatus(const commands::BatchOrder& order, std::uint64_t verified,
                                      const std::optional<card::CardNumber>& next, bool ended);
// The same for a batch being written, local or shared (sharedBatchStatus), where it stands now.
[[nodiscard]] std::string batchStatus(const commands::BatchWriting& writing);

// What the range check found, asked before the batch begins (default no): how many of its
// numbers were written before and how many share a view with another tag's, the first few named.
// Nothing to ask when the check is clear.
[[nodiscard]] std::optional<Question> rangeQuestion(const commands::BatchOrder& order,
                                                    const commands::RangeCheck& check);

// A batch not done, offered at start-up: "批次 <名称> 还没有写完：第 N/M 张，下一张 <号码>…",
// answered 继续 or not now.
[[nodiscard]] Question resumeQuestion(const commands::BatchOrder& order, std::uint64_t verified,
                                      const card::CardNumber& next);

// The batch named is closed: the window writes the fields' numbers again.
[[nodiscard]] std::string batchClosedText(const std::string& name);

// A press of 读卡号 or 写卡号 dropped while the offer of a batch (`offer`) or another question of
// the window's own waits: nothing was read or written, and what waits is named.
[[nodiscard]] std::string pressWhileAskedText(bool offer);

// Before a batch is ended early, default no: how many of its numbers become void (作废).
[[nodiscard]] Question endEarlyQuestion(const commands::BatchOrder& order, std::uint64_t verified);

}  // namespace words
