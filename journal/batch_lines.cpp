#include "journal/batch_lines.h"

#include "card/number_text.h"
#include "journal/field_words.h"
#include "journal/journal_line.h"

#include <algorithm>
#include <charconv>
#include <functional>

namespace journal {

namespace {

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

// Adds `position` to ascending positions, unless it is there.
void insertOnce(std::vector<std::uint64_t>& positions, std::uint64_t position) {
    const auto at = std::ranges::lower_bound(positions, position);
    if (at == positions.end() || *at != position) {
        positions.insert(at, position);
    }
}

std::optional<commands::BatchOrder> openedOrder(const std::array<CsvField, kColumns>& fields) {
    commands::BatchOrder order;
    order.name = unquoted(fields[3]);
    const auto first = card::parseHexValue(fields[4].text);
    const auto count = decimal(fields[6].text);
    const auto notation = notationOfWord(fields[5].text);
    const auto chip = chipOfWord(fields[7].text);
    const auto lock = yesNoOfWord(fields[8].text);
    if (!first || !count || !notation || !chip || !lock) {
        return std::nullopt;
    }
    order.first = card::tagNumberFromValue(*first);
    order.notation = *notation;
    order.count = *count;
    order.chip = *chip;
    order.lock = *lock;
    return order;
}

// Where each opening line of a batch named `name` (any when empty) starts, oldest first. Batches
// are few against the writes: their openings are looked for, not every line read. A line found
// may yet be no whole opening (a write's quoted result may hold the same bytes).
std::vector<std::size_t> openingLines(std::string_view text, std::string_view name) {
    std::string opening = "," + std::string(kBatchOpenResult) + ",,";
    if (!name.empty()) {
        opening += csvField(name) + ",";
    }
    // Forwards with a searcher that skips ahead: rfind tries every byte, five times slower.
    const std::boyer_moore_horspool_searcher searcher(opening.begin(), opening.end());
    std::vector<std::size_t> starts;
    for (std::string_view::const_iterator found = std::search(text.begin(), text.end(), searcher);
         found != text.end(); found = std::search(found + 1, text.end(), searcher)) {
        const std::size_t lineEnd =
            text.rfind('\n', static_cast<std::size_t>(found - text.begin()));
        starts.push_back(lineEnd == std::string_view::npos ? 0 : lineEnd + 1);
    }
    return starts;
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
    return opens(kBatchOpenResult) || opens(kBatchEndResult) || opens(kBatchCheckResult);
}

std::optional<BatchLineFacts> readBatchLine(std::string_view line) {
    std::array<CsvField, kColumns> fields{};
    std::size_t count = 0;
    if (!isBatchLine(line) || !splitFields(line, fields, count) || count != kColumns ||
        !fields[2].text.empty()) {
        return std::nullopt;
    }
    BatchLineFacts facts;
    if (fields[1].text == kBatchOpenResult) {
        auto order = openedOrder(fields);
        if (!order || !commands::Batch::create(*order)) {
            return std::nullopt;
        }
        facts.kind = BatchLineFacts::Kind::Opens;
        facts.name = order->name;
        facts.order = std::move(order);
        return facts;
    }
    facts.name = unquoted(fields[3]);
    if (fields[1].text == kBatchCheckResult) {
        facts.kind = BatchLineFacts::Kind::Checks;
        const auto value = card::parseHexValue(fields[4].text);
        const bool belongs = fields[5].text == kCheckBelongs;
        if (value && (belongs || fields[5].text == kCheckForeign)) {
            facts.seen = card::tagNumberFromValue(*value);
            facts.belongs = belongs;
        }
    }
    return facts;
}

std::string formatBatchOpen(std::string_view time, const commands::BatchOrder& order) {
    return joined({std::string(time), std::string(kBatchOpenResult), std::string(), order.name,
                   card::hexDigits(order.first), std::string(notationWord(order.notation)),
                   std::to_string(order.count), std::string(chipWord(order.chip)),
                   std::string(yesNoWord(order.lock)), std::string()});
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

std::string formatBatchCheck(std::string_view time, const commands::BatchOrder& order,
                             const card::CardNumber& number, bool belongs) {
    return joined({std::string(time), std::string(kBatchCheckResult), std::string(), order.name,
                   card::hexDigits(number), std::string(belongs ? kCheckBelongs : kCheckForeign),
                   std::string(), std::string(), std::string(), std::string()});
}

namespace {

BatchLog readFrom(std::string_view text, std::string_view name);

}  // namespace

BatchLog readBatchLog(std::string_view text, std::string_view name) {
    // Only the lines from the newest opening on are read, unless that line turns out no whole
    // opening.
    const auto openings = openingLines(text, name);
    if (openings.empty()) {
        return {};
    }
    BatchLog log = readFrom(text.substr(openings.back()), name);
    return log.newest ? log : readFrom(text, name);
}

namespace {

// Takes in a check line of the batch being read.
void takeCheck(BatchLog& log, const commands::Batch& batch,
               const std::array<CsvField, kColumns>& fields) {
    const auto value = card::parseHexValue(fields[4].text);
    if (unquoted(fields[3]) != batch.order().name || !value) {
        return;
    }
    const card::CardNumber number = card::tagNumberFromValue(*value);
    if (fields[5].text == kCheckBelongs) {
        if (const auto position = batch.positionOf(number)) {
            insertOnce(log.checked, *position);
        }
    } else if (fields[5].text == kCheckForeign &&
               std::ranges::find(log.foreign, number) == log.foreign.end()) {
        log.foreign.push_back(number);
    }
}

BatchLog readFrom(std::string_view text, std::string_view name) {
    BatchLog log;
    std::optional<commands::Batch> current;  // log.newest as a batch, to place its numbers
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
        const bool batchLine = fields[2].text.empty();
        if (result == kBatchOpenResult && batchLine) {
            auto order = openedOrder(fields);
            if (!order || (!name.empty() && order->name != name)) {
                continue;
            }
            if (auto made = commands::Batch::create(*order)) {
                // A batch opened again under its name starts over.
                log = BatchLog{};
                log.newest = commands::BatchRecord{std::move(*order), {}, false};
                current.emplace(std::move(*made));
            }
            continue;
        }
        if (!log.newest) {
            continue;
        }
        commands::BatchRecord& batch = *log.newest;
        // Its bag check comes after its end.
        if (result == kBatchCheckResult && batchLine) {
            takeCheck(log, *current, fields);
            continue;
        }
        if (batch.ended) {
            continue;
        }
        if (result == kBatchEndResult && batchLine) {
            batch.ended = unquoted(fields[3]) == batch.order.name;
            const auto from = card::parseHexValue(fields[5].text);
            const auto voided = decimal(fields[6].text);
            if (batch.ended && from && voided) {
                log.voidFrom = current->positionOf(card::tagNumberFromValue(*from)).value_or(0);
                log.voided = *voided;
            }
            continue;
        }
        const auto write = parseLine(line);
        // A settlement names the batch only when a tag was seen holding one of its numbers:
        // a verified write of the batch.
        if (!write || write->state == LineState::Started ||
            (!write->hasChip && !(write->settles && write->state == LineState::Verified))) {
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
        const auto position = current->positionOf(number);
        if (verified && position) {
            insertOnce(batch.verified, *position);
        }
    }
    return log;
}

}  // namespace

}  // namespace journal
