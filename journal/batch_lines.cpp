#include "journal/batch_lines.h"

#include "card/number_text.h"
#include "journal/journal_line.h"

#include <algorithm>
#include <charconv>
#include <functional>

namespace journal {

namespace {

constexpr std::string_view kTenDigitCounting = "前十位号";
constexpr std::string_view kEightDigitCounting = "后八位号";

std::string joined(std::initializer_list<std::string> fields) {
    std::string line;
    bool first = true;
    for (const std::string& field : fields) {
        if (!first) {
            line += ',';
        }
        first = false;
        line += csvField(field);
    }
    line += kLineEnd;
    return line;
}

std::optional<std::uint64_t> decimal(std::string_view text) {
    std::uint64_t value = 0;
    const auto* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || at != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<commands::BatchOrder> openedOrder(const std::array<CsvField, kColumns>& fields) {
    commands::BatchOrder order;
    order.name = unquoted(fields[3]);
    const auto first = card::parseHexValue(fields[4].text);
    const auto count = decimal(fields[6].text);
    const std::string_view notation = fields[5].text;
    const std::string_view chip = fields[7].text;
    const std::string_view lock = fields[8].text;
    if (!first || !count || (notation != kTenDigitCounting && notation != kEightDigitCounting) ||
        (chip != "T5577" && chip != "EM4305") || (lock != "是" && lock != "否")) {
        return std::nullopt;
    }
    order.first = card::tagNumberFromValue(*first);
    order.notation = notation == kTenDigitCounting ? card::Notation::WG34 : card::Notation::WG26;
    order.count = *count;
    order.chip = chip == "T5577" ? reader::TagChip::T5577 : reader::TagChip::EM4305;
    order.lock = lock == "是";
    return order;
}

// The position of `number` in the batch, when it is one of its numbers.
std::optional<std::uint64_t> positionOf(const commands::BatchOrder& order,
                                        const card::CardNumber& number) {
    const std::uint32_t at = card::countingValue(number, order.notation);
    const std::uint32_t first = card::countingValue(order.first, order.notation);
    if (at < first || at - first >= order.count ||
        card::withCountingValue(order.first, order.notation, at) != number) {
        return std::nullopt;
    }
    return at - first;
}

}  // namespace

bool isBatchLine(std::string_view line) noexcept {
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) {
        return false;
    }
    const std::string_view rest = line.substr(comma + 1);
    const auto opens = [rest](std::string_view result) {
        return rest.starts_with(result) && rest.substr(result.size()).starts_with(",,");
    };
    return opens(kBatchOpenResult) || opens(kBatchEndResult);
}

std::optional<BatchLineFacts> readBatchLine(std::string_view line) {
    std::array<CsvField, kColumns> fields{};
    std::size_t count = 0;
    if (!isBatchLine(line) || !splitFields(line, fields, count) || count != kColumns ||
        !fields[2].text.empty()) {
        return std::nullopt;
    }
    if (fields[1].text == kBatchOpenResult) {
        auto order = openedOrder(fields);
        if (!order || !commands::Batch::create(*order)) {
            return std::nullopt;
        }
        return BatchLineFacts{true, std::move(order->name)};
    }
    return BatchLineFacts{false, unquoted(fields[3])};
}

std::string formatBatchOpen(std::string_view time, const commands::BatchOrder& order) {
    return joined({std::string(time), std::string(kBatchOpenResult), std::string(), order.name,
                   card::hexDigits(order.first),
                   std::string(order.notation == card::Notation::WG34 ? kTenDigitCounting
                                                                      : kEightDigitCounting),
                   std::to_string(order.count),
                   std::string(order.chip == reader::TagChip::EM4305 ? "EM4305" : "T5577"),
                   std::string(order.lock ? "是" : "否"), std::string()});
}

std::string formatBatchEnd(std::string_view time, const commands::BatchOrder& order,
                           std::uint64_t firstVoid, std::uint64_t voided) {
    const bool done = voided == 0;
    const commands::Batch batch = *commands::Batch::create(order);
    return joined({std::string(time), std::string(kBatchEndResult), std::string(), order.name,
                   std::string(done ? kBatchDone : kBatchVoid),
                   done ? std::string() : card::hexDigits(batch.number(firstVoid)),
                   done ? std::string() : std::to_string(voided), std::string(), std::string(),
                   std::string()});
}

namespace {

BatchLog readFrom(std::string_view text, std::string_view name);

}  // namespace

BatchLog readBatchLog(std::string_view text, std::string_view name) {
    // Batches are few against the writes: their newest opening is looked for from the end, and
    // only the lines from it on are read, unless that line turns out no whole opening.
    std::string opening = "," + std::string(kBatchOpenResult) + ",,";
    if (!name.empty()) {
        opening += csvField(name) + ",";
    }
    // Forwards with a searcher that skips ahead: rfind tries every byte, five times slower.
    const std::boyer_moore_horspool_searcher searcher(opening.begin(), opening.end());
    std::size_t at = std::string_view::npos;
    for (const auto* found = std::search(text.begin(), text.end(), searcher); found != text.end();
         found = std::search(found + 1, text.end(), searcher)) {
        at = static_cast<std::size_t>(found - text.begin());
    }
    if (at == std::string_view::npos) {
        return {};
    }
    const std::size_t lineEnd = text.rfind('\n', at);
    BatchLog log = readFrom(text.substr(lineEnd == std::string_view::npos ? 0 : lineEnd + 1), name);
    return log.newest ? log : readFrom(text, name);
}

namespace {

BatchLog readFrom(std::string_view text, std::string_view name) {
    BatchLog log;
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::array<CsvField, kColumns> fields{};
    std::size_t count = 0;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);  // what is left without a line end was cut short
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (!splitFields(line, fields, count) || count != kColumns) {
            continue;
        }
        const std::string_view result = fields[1].text;
        if (result == kBatchOpenResult && fields[2].text.empty()) {
            auto order = openedOrder(fields);
            if (order && commands::Batch::create(*order) && (name.empty() || order->name == name)) {
                log.newest = commands::BatchRecord{std::move(*order), {}, false};
                log.rows.clear();
            }
            continue;
        }
        if (!log.newest || log.newest->ended) {
            continue;
        }
        commands::BatchRecord& batch = *log.newest;
        if (result == kBatchEndResult && fields[2].text.empty()) {
            batch.ended = unquoted(fields[3]) == batch.order.name;
            const auto from = card::parseHexValue(fields[5].text);
            const auto voided = decimal(fields[6].text);
            if (batch.ended && from && voided) {
                log.voidFrom = positionOf(batch.order, card::tagNumberFromValue(*from)).value_or(0);
                log.voided = *voided;
            }
            continue;
        }
        const auto write = parseLine(line);
        if (!write || !write->hasChip || write->state == LineState::Started) {
            continue;
        }
        const std::string shown = unquoted(write->result);
        const MarkedResult marked = splitBatchMark(shown);
        if (marked.batch != batch.order.name) {
            continue;
        }
        const card::CardNumber number = card::tagNumberFromValue(write->key);
        const bool verified = write->state == LineState::Verified;
        log.rows.push_back(
            BatchRow{std::string(write->time), number, verified, false, std::string(marked.words)});
        const auto position = positionOf(batch.order, number);
        if (verified && position) {
            auto& done = batch.verified;
            const auto at = std::lower_bound(done.begin(), done.end(), *position);
            if (at == done.end() || *at != *position) {
                done.insert(at, *position);
            }
        }
    }
    return log;
}

}  // namespace

}  // namespace journal
