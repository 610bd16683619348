#pragma once

#include "commands/batch_journal.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A batch's own lines in written-tags.csv (pure: no I/O): one that opens it with its order, one
// that ends it, and one for each tag its bag check (核对) saw first. All have ten fields and an
// empty 十六进制 column, so that any reader of the file, this one's write index and an older copy
// included, passes over them as lines that are no write. The writes of a batch are the write lines
// naming it (kBatchMark) after its opening.
namespace journal {

inline constexpr std::string_view kBatchOpenResult = "批次开始";
inline constexpr std::string_view kBatchEndResult = "批次结束";
inline constexpr std::string_view kBatchDone = "已写完";
inline constexpr std::string_view kBatchVoid = "作废";
inline constexpr std::string_view kBatchCheckResult = "批次核对";
inline constexpr std::string_view kCheckBelongs = "属于本批次";
inline constexpr std::string_view kCheckForeign = "不在本批次";

// Whether a line (without its line end) is one of a batch's own, no write and no unreadable line.
[[nodiscard]] bool isBatchLine(std::string_view line) noexcept;

// What one of a batch's own lines says: whether it opens the batch (a whole opening, whose order
// makes a batch), ends it or tells a tag its bag check saw, and the batch's name. Nothing for any
// other line.
struct BatchLineFacts {
    enum class Kind { Opens, Ends, Checks };
    Kind kind = Kind::Ends;
    std::string name;
    std::optional<commands::BatchOrder> order;  // an opening's
    // A check's: the number seen, when readable, and whether it is one of the batch's tags.
    std::optional<card::CardNumber> seen;
    bool belongs = false;
};
[[nodiscard]] std::optional<BatchLineFacts> readBatchLine(std::string_view line);

// The opening line written at `time`, with its line end.
[[nodiscard]] std::string formatBatchOpen(std::string_view time, const commands::BatchOrder& order);
// The ending line: done (voided 0), or the `voided` numbers from `firstVoid` on void.
[[nodiscard]] std::string formatBatchEnd(std::string_view time, const commands::BatchOrder& order,
                                         std::uint64_t firstVoid, std::uint64_t voided);
// The line of a tag holding `number` seen in the batch's bag check: one of its verified tags
// (`belongs`), or not.
[[nodiscard]] std::string formatBatchCheck(std::string_view time, const commands::BatchOrder& order,
                                           const card::CardNumber& number, bool belongs);

// One row of a batch's list.
struct BatchRow {
    std::string time;  // as the line has it
    card::CardNumber number;
    bool verified = false;
    bool voided = false;  // a number the batch never used (作废)
    std::string result;   // the write's result, without the batch's name

    friend bool operator==(const BatchRow&, const BatchRow&) = default;
};

// The newest batch of a journal's text and its rows, oldest first.
struct BatchLog {
    std::optional<commands::BatchRecord> newest;
    std::vector<BatchRow> rows;
    // When it ended early: the numbers it never used, from this position on (作废).
    std::uint64_t voidFrom = 0;
    std::uint64_t voided = 0;
    // Its bag check (核对): the positions seen on tags, ascending, each once, and the numbers seen
    // that are not of the batch, in the order first seen.
    std::vector<std::uint64_t> checked;
    std::vector<card::CardNumber> foreign;
};
// Reads the newest batch named `name` (any name when empty) from the whole journal's text. A line
// cut short counts as no line.
[[nodiscard]] BatchLog readBatchLog(std::string_view text, std::string_view name = {});

}  // namespace journal
