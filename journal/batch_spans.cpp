#include "journal/batch_spans.h"

#include "journal/batch_lines.h"

#include <algorithm>
#include <utility>

namespace journal {

void BatchSpans::take(std::uint64_t offset, std::string_view line) {
    const auto facts = readBatchLine(line);
    if (!facts) {
        return;
    }
    if (facts->opens) {
        ++openings_;
        const auto [at, added] = batches_.try_emplace(facts->name);
        Batch& batch = at->second;
        if (added) {
            batch.span.from = offset;
        }
        batch.newest = openings_;
        batch.span.until.reset();
        return;
    }
    const auto found = batches_.find(facts->name);
    if (found != batches_.end()) {
        found->second.span.until = offset;
    }
}

std::optional<BatchSpans::Span> BatchSpans::span(std::string_view name) const {
    const auto found = batches_.find(std::string(name));
    if (found == batches_.end()) {
        return std::nullopt;
    }
    return found->second.span;
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
