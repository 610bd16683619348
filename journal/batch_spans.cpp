#include "journal/batch_spans.h"

#include "journal/batch_lines.h"

#include <algorithm>
#include <utility>

namespace journal {

void BatchSpans::take(std::uint64_t offset, std::string_view line) {
    auto facts = readBatchLine(line);
    if (!facts) {
        return;
    }
    if (facts->kind == BatchLineFacts::Kind::Opens) {
        ++openings_;
        const auto [at, added] = batches_.try_emplace(facts->name);
        Batch& batch = at->second;
        if (added) {
            batch.span.from = offset;
        }
        batch.newest = openings_;
        batch.span.until.reset();
        // Opened again under its name, it starts over.
        batch.lines = Newest{offset, std::nullopt, {}, {}};
        batch.made.reset();
        if (auto made = commands::Batch::create(std::move(*facts->order))) {
            batch.made.emplace(std::move(*made));
        }
        newestName_ = std::move(facts->name);
        return;
    }
    const auto found = batches_.find(facts->name);
    if (found == batches_.end()) {
        return;
    }
    Batch& batch = found->second;
    if (facts->kind == BatchLineFacts::Kind::Checks) {
        if (facts->seen) {
            takeCheck(batch, *facts->seen, facts->belongs);
        }
        return;
    }
    batch.span.until = offset;
    if (!batch.lines.endedAt) {
        batch.lines.endedAt = offset + line.size();
    }
}

void BatchSpans::takeCheck(Batch& batch, const card::CardNumber& seen, bool belongs) {
    auto& checked = batch.lines.checked;
    auto& foreign = batch.lines.foreign;
    if (!belongs) {
        if (std::ranges::find(foreign, seen) == foreign.end()) {
            foreign.push_back(seen);
        }
        return;
    }
    const auto position = batch.made ? batch.made->positionOf(seen) : std::nullopt;
    if (!position) {
        return;
    }
    const auto at = std::ranges::lower_bound(checked, *position);
    if (at == checked.end() || *at != *position) {
        checked.insert(at, *position);
    }
}

std::optional<BatchSpans::Span> BatchSpans::span(std::string_view name) const {
    const auto found = batches_.find(std::string(name));
    if (found == batches_.end()) {
        return std::nullopt;
    }
    return found->second.span;
}

std::optional<BatchSpans::Newest> BatchSpans::newest(std::string_view name) const {
    const auto found = batches_.find(std::string(name));
    if (found == batches_.end()) {
        return std::nullopt;
    }
    return found->second.lines;
}

std::optional<std::string> BatchSpans::leftOpen() const {
    const auto found = batches_.find(newestName_);
    if (found == batches_.end() || found->second.lines.endedAt) {
        return std::nullopt;
    }
    return newestName_;
}

std::vector<std::string> BatchSpans::names() const {
    std::vector<std::pair<std::size_t, const std::string*>> opened;
    opened.reserve(batches_.size());
    for (const auto& [name, batch] : batches_) {
        opened.emplace_back(batch.newest, &name);
    }
    std::sort(opened.begin(), opened.end(),
              [](const auto& one, const auto& other) { return one.first > other.first; });
    std::vector<std::string> names;
    names.reserve(opened.size());
    for (const auto& [newest, name] : opened) {
        names.push_back(*name);
    }
    return names;
}

}  // namespace journal
