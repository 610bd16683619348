#pragma once

#include "card/card_number.h"
#include "commands/batch.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace journal {

// The batches the reading of a journal came across, by their own lines (batch_lines.h): their
// names, where in the file the writes made in each lie, so that the table's filter for a batch
// reads only that part of a long journal, and where its newest opening's lines lie, with what its
// bag check saw, so that a batch's questions read only its own lines. A name used again is one
// batch to the table, and a batch begun anew to its questions.
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
    // The newest opening of the batch named `name`: where its lines lie in the file, from its
    // opening to the end of its ending line (nothing while it has not ended), and what its bag
    // check saw since it was opened: the positions of its tags, ascending, each once, and the
    // numbers not of it, in the order first seen, each once.
    struct Newest {
        std::uint64_t opened = 0;
        std::optional<std::uint64_t> endedAt;
        std::vector<std::uint64_t> checked;
        std::vector<card::CardNumber> foreign;
    };
    [[nodiscard]] std::optional<Newest> newest(std::string_view name) const;
    // The name of the batch most recently opened, when it has not ended.
    [[nodiscard]] std::optional<std::string> leftOpen() const;
    // The names, the most recently opened first.
    [[nodiscard]] std::vector<std::string> names() const;
    // How many openings were read: another means the names may have changed.
    [[nodiscard]] std::size_t openings() const noexcept { return openings_; }

private:
    struct Batch {
        std::size_t newest = 0;  // the number of its newest opening, counting from 1
        Span span;
        Newest lines;
        std::optional<commands::Batch> made;  // of the newest opening, to place the tags seen
    };
    void takeCheck(Batch& batch, const card::CardNumber& seen, bool belongs);

    std::unordered_map<std::string, Batch> batches_;
    std::size_t openings_ = 0;
    std::string newestName_;  // of the batch most recently opened
};

}  // namespace journal
