#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace journal {

// The batches the reading of a journal came across, by their own lines (batch_lines.h): their
// names, and where in the file the writes made in each lie, so that the table's filter for a
// batch reads only that part of a long journal. A name used again is one batch to the table.
class BatchSpans {
public:
    // Takes in one of a batch's own lines (without its line end), starting at `offset` of the
    // file; any other line is passed over.
    void take(std::uint64_t offset, std::string_view line);

    // Where the writes named `name` lie: after its first opening, up to the ending of its newest
    // opening when that ended (nothing comes after a batch's end). Nothing when no opening was
    // read.
    struct Span {
        std::uint64_t from = 0;
        std::optional<std::uint64_t> until;
    };
    [[nodiscard]] std::optional<Span> span(std::string_view name) const;
    // The names, the most recently opened first.
    [[nodiscard]] std::vector<std::string> names() const;
    // How many openings were read: another means the names may have changed.
    [[nodiscard]] std::size_t openings() const noexcept { return openings_; }

private:
    struct Batch {
        std::size_t newest = 0;  // the number of its newest opening, counting from 1
        Span span;
    };
    std::unordered_map<std::string, Batch> batches_;
    std::size_t openings_ = 0;
};

}  // namespace journal
