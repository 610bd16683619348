#pragma once

#include "commands/batch.h"
#include "journal/batch_lines.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The list that goes to the customer with a batch's bag of tags (pure: no Qt, no I/O): a few
// lines about the batch, then one row for every number of its range, in order, and the tags the
// bag check found that are not of the batch. The sheet and the printed list both show this.
namespace exports {

inline constexpr std::size_t kHandoverColumns = 7;
inline constexpr std::array<std::string_view, kHandoverColumns> kHandoverHeader{
    "序号", "前十位号", "后八位号", "十六进制", "状态", "核对", "时间"};

// 状态 of a number no write of the batch reached, and of one it never used.
inline constexpr std::string_view kNotWritten = "未写";
// 状态 of a tag the bag check found that is not of the batch.
inline constexpr std::string_view kNotInBatch = "不在本批次";
inline constexpr std::string_view kChecked = "已核对";

using HandoverRow = std::array<std::string, kHandoverColumns>;

class HandoverList {
public:
    // The list of the batch `log` holds; an empty list when it holds none.
    explicit HandoverList(const journal::BatchLog& log);

    // 名称, 范围, 张数, 已写, 作废, 已核对: each its label and its value.
    [[nodiscard]] const std::vector<std::pair<std::string, std::string>>& summary() const noexcept {
        return summary_;
    }
    // The batch's 名称 and 张数, for naming what the list is saved as.
    [[nodiscard]] const std::string& name() const noexcept { return name_; }
    [[nodiscard]] std::uint64_t count() const noexcept { return count_; }
    // The rows: the range's numbers first, then the foreign tags.
    // 64 bits: a ten-digit range may hold 2^32 numbers, past a 32-bit size.
    [[nodiscard]] std::uint64_t rows() const noexcept;
    // Row `index` (below rows()), made when asked: a list is read once, row by row.
    [[nodiscard]] HandoverRow row(std::uint64_t index) const;

private:
    [[nodiscard]] HandoverRow rangeRow(std::uint64_t position) const;
    [[nodiscard]] HandoverRow foreignRow(const card::CardNumber& number) const;

    std::optional<commands::Batch> batch_;
    std::string name_;
    std::uint64_t count_ = 0;
    std::vector<std::pair<std::string, std::string>> summary_;
    std::vector<journal::BatchRow> writes_;
    // For each position the batch wrote to: the row of `writes_` that tells what became of it.
    std::unordered_map<std::uint64_t, std::size_t> told_;
    std::uint64_t voidFrom_ = 0;
    std::uint64_t voided_ = 0;
    std::vector<std::uint64_t> checked_;
    std::vector<card::CardNumber> foreign_;      // seen in the bag, not of the range
    std::vector<std::uint64_t> foundUnwritten_;  // seen in the bag, of the range, not verified
};

}  // namespace exports
