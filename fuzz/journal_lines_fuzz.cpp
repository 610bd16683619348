// The journal's lines over any bytes, as a file hands them to the reading: a line parses or is
// passed over; the one-pass reading of the program's own lines takes exactly one line and makes
// of it what the CSV reading makes; a parsed line, written again as the program writes lines,
// parses to the same record; a time read reads back as it stood (-00:00 as +00:00); and the
// index, fed every line, answers for the last verified write as that line says, at that line's
// time, and for a settlement as one: no cut-off write of its number is left, and a tag seen
// holding it counts it as written. A batch read from the same bytes holds its positions verified
// and seen in its bag check in order, each once and within its range, its foreign numbers each
// once, and nothing seen without a batch.
#include "check.h"
#include "journal/batch_lines.h"
#include "journal/journal_index.h"
#include "journal/journal_line.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace {

bool sameRecord(const journal::LineRecord& one, const journal::LineRecord& other) {
    return one.time == other.time && one.key == other.key && one.state == other.state &&
           one.previousKey == other.previousKey && one.locked == other.locked &&
           one.hasChip == other.hasChip && one.settles == other.settles;
}

bool sameLine(const journal::WholeLine& one, const journal::WholeLine& other) {
    return sameRecord(one, other) &&
           journal::unquoted(one.result) == journal::unquoted(other.result) &&
           journal::unquoted(one.chip) == journal::unquoted(other.chip);
}

bool sameTime(const journal::CompactTime& one, const journal::CompactTime& other) {
    return one.known == other.known && (!one.known || (one.seconds == other.seconds &&
                                                       one.offsetMinutes == other.offsetMinutes));
}

void roundTrips(const journal::WholeLine& record) {
    using journal::LineState;
    commands::JournalEntry entry;
    entry.result = journal::unquoted(record.result);
    entry.verified = record.state == LineState::Verified;
    entry.locked = record.locked;
    const std::string chip = journal::unquoted(record.chip);
    entry.chip = chip == "EM4305" ? reader::TagChip::EM4305 : reader::TagChip::T5577;
    entry.number = card::tagNumberFromValue(record.key);
    if (record.previousKey) {
        entry.previousNumber = card::tagNumberFromValue(*record.previousKey);
    }
    std::string line = journal::formatLine(record.time, entry);
    line.resize(line.size() - journal::kLineEnd.size());
    const auto again = journal::parseLine(line);
    FUZZ_CHECK(again.has_value());
    const auto time = journal::parseIsoTime(record.time);
    // A time that is no time (a quoted "" inside, say) is read as unknown however it is spelled.
    journal::WholeLine spelled = *again;
    if (!time.known && !journal::parseIsoTime(again->time).known) {
        spelled.time = record.time;
    }
    // The program writes only the chips it knows.
    if (chip != "EM4305" && chip != "T5577") {
        spelled.chip = record.chip;
        spelled.hasChip = record.hasChip;
        spelled.settles = record.settles;
    }
    FUZZ_CHECK(sameLine(spelled, record));

    if (time.known) {
        // -00:00, a UTC time from an unknown zone, is the same instant as +00:00 and reads back so.
        std::string stood(record.time);
        if (stood.ends_with("-00:00")) {
            stood[stood.size() - 6] = '+';
        }
        FUZZ_CHECK(journal::formatIsoTime(time) == stood);
    }
}

bool inOrderWithin(const std::vector<std::uint64_t>& positions, std::uint64_t count) {
    return std::ranges::adjacent_find(positions, std::greater_equal{}) == positions.end() &&
           (positions.empty() || positions.back() < count);
}

void batchHolds(std::string_view text) {
    const auto log = journal::readBatchLog(text);
    if (!log.newest) {
        FUZZ_CHECK(log.checked.empty() && log.foreign.empty() && log.rows.empty());
        return;
    }
    FUZZ_CHECK(inOrderWithin(log.newest->verified, log.newest->order.count));
    FUZZ_CHECK(inOrderWithin(log.checked, log.newest->order.count));
    for (auto at = log.foreign.begin(); at != log.foreign.end(); ++at) {
        FUZZ_CHECK(std::find(at + 1, log.foreign.end(), *at) == log.foreign.end());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // NOLINTNEXTLINE(*-reinterpret-cast): the bytes are the file's text
    const std::string_view whole(reinterpret_cast<const char*>(data), size);
    std::string_view rest = whole;
    journal::JournalIndex index;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const auto own = journal::readProgramLine(rest);
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const auto record = journal::parseLine(line);
        if (own) {
            FUZZ_CHECK(end != std::string_view::npos && own->length == end + 1);
            FUZZ_CHECK(record.has_value() && sameRecord(own->record, *record));
        }
        if (!record) {
            continue;
        }
        roundTrips(*record);
        index.apply(*record);
        const auto counted = index.lastWrite(record->key);
        if (record->settles) {
            const auto cutOff = index.interrupted();
            FUZZ_CHECK(!cutOff || cutOff->key != record->key);
            FUZZ_CHECK(record->state != journal::LineState::Verified || counted.has_value());
            continue;
        }
        if (record->state == journal::LineState::Started ||
            record->state == journal::LineState::Verified) {
            FUZZ_CHECK(counted.has_value() &&
                       sameTime(*counted, journal::parseIsoTime(record->time)));
        }
        if (record->state == journal::LineState::Verified) {
            FUZZ_CHECK(index.newestVerified() && index.newestVerified()->key == record->key);
        }
    }
    FUZZ_CHECK(index.bytesKept() > 0);
    batchHolds(whole);
    return 0;
}
