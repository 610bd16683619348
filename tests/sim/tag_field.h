#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace sim {

using TagId = std::size_t;

// One physical tag of the shop.
struct Tag {
    std::optional<std::uint64_t> number;  // the 40-bit number it sends; nothing for a blank
    bool foreign = false;                 // came in from outside: this shop never wrote it
};

// Every tag of the shop and which one lies on each station's reader: the truth the program's
// records are held against. Only MF_Write changes a tag's number, through write().
class TagField {
public:
    // Told of every number a tag takes: the tag, its number before, the number now.
    using Watcher = std::function<void(TagId, std::optional<std::uint64_t>, std::uint64_t)>;

    explicit TagField(std::size_t readers) : onReader_(readers) {}

    TagId newBlank() {
        tags_.push_back({});
        return tags_.size() - 1;
    }
    TagId newForeign(std::uint64_t number) {
        tags_.push_back({number, true});
        return tags_.size() - 1;
    }
    [[nodiscard]] const Tag& tag(TagId id) const { return tags_.at(id); }
    [[nodiscard]] std::size_t size() const noexcept { return tags_.size(); }

    void write(TagId id, std::uint64_t number) {
        const auto before = tags_.at(id).number;
        tags_.at(id).number = number;
        if (watcher_) {
            watcher_(id, before, number);
        }
    }
    void watch(Watcher watcher) { watcher_ = std::move(watcher); }

    [[nodiscard]] std::optional<TagId> onReader(std::size_t reader) const {
        return onReader_.at(reader);
    }
    // Lays `id` on the reader (nothing: lifts what is there); returns what was there.
    std::optional<TagId> lay(std::size_t reader, std::optional<TagId> id) {
        auto before = onReader_.at(reader);
        onReader_.at(reader) = id;
        return before;
    }

private:
    std::vector<Tag> tags_;
    std::vector<std::optional<TagId>> onReader_;
    Watcher watcher_;
};

}  // namespace sim
