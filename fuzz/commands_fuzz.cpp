// The two commands over a window holding any texts and options and a reader giving any answers:
// a few presses in a row, each checked only for what holds whatever the reader says, so the
// harness follows the commands as they grow. The write's promises are checked against what the
// reader was asked and answered, not against the outcome's own account: a beep only after the
// tag, read back since the write, sent exactly the number written; the journal's line before
// MF_Write and its line after it saying what happened; the fields advanced only after such a
// read-back. The words each outcome is told in are checked against its facts too, by rules
// written here rather than by the functions that compose them.
#include "check.h"
#include "commands/journal_result.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "fuzzed_reader.h"
#include "support/fake_window.h"
#include "words/outcome_text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using card::Field;
constexpr Field kFields[] = {Field::B4, Field::B3B0, Field::B2, Field::B1B0};

void setUpWindow(FuzzedDataProvider& in, testing_support::FakeWindow& window) {
    for (const Field field : kFields) {
        if (in.ConsumeBool()) {
            window.texts[field] = in.ConsumeRandomLengthString(24);
        }
    }
    window.wg34 = in.ConsumeBool();
    window.em4305 = in.ConsumeBool();
    window.add1 = in.ConsumeBool();
    window.lock = in.ConsumeBool();
}

bool has(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool startsWith(std::string_view text, std::string_view part) {
    return text.substr(0, part.size()) == part;
}

// The number's digits as the window writes them, spelt out here from its bytes.
std::string tenDigits(const card::CardNumber& number) {
    const unsigned long whole = (static_cast<unsigned long>(number.number.b3) << 24U) |
                                (static_cast<unsigned long>(number.number.b2) << 16U) |
                                (static_cast<unsigned long>(number.number.b1) << 8U) |
                                number.number.b0;
    std::array<char, 16> text{};
    static_cast<void>(std::snprintf(text.data(), text.size(), "%010lu", whole));
    return text.data();
}

std::string asEntered(const card::CardNumber& number, card::Notation notation) {
    if (notation == card::Notation::WG34) {
        return tenDigits(number);
    }
    std::array<char, 16> text{};
    static_cast<void>(std::snprintf(text.data(), text.size(), "%03u,%05u",
                                    static_cast<unsigned>(number.number.b2),
                                    (number.number.b1 * 256U) + number.number.b0));
    return text.data();
}

// A read's words: a number only for a tag that was read.
void readWordsAgree(const commands::ReadOutcome& outcome) {
    const bool read = outcome.result == commands::ReadOutcome::Result::Read;
    const std::string line = words::describeRead(outcome);
    const std::string brief = words::verdict(outcome);
    FUZZ_CHECK(!line.empty());
    FUZZ_CHECK(startsWith(line, "已读卡") == read);
    FUZZ_CHECK(startsWith(brief, "已读卡") == read);
    FUZZ_CHECK(!read || has(brief, tenDigits(outcome.tag)));
    FUZZ_CHECK((words::toneOf(outcome) == words::Tone::Done) == read);
}

// A write's words, for each place they are shown: 已写卡 only for a tag read back holding the
// number, and then with that number; 结果不明 where nothing settles whether the tag holds it.
void writeWordsAgree(const commands::WriteOutcome& outcome, const reader::ReaderInUse& inUse) {
    using Result = commands::WriteOutcome::Result;
    const std::string line = words::describeWrite(outcome, inUse);
    const std::string brief = words::verdict(outcome);
    const std::string recorded = commands::journalResult(outcome);
    const words::Tone tone = words::toneOf(outcome);
    FUZZ_CHECK(!line.empty() && !brief.empty());

    const bool written =
        outcome.result == Result::Written || outcome.result == Result::WrittenNotLocked;
    FUZZ_CHECK(!written || outcome.verified());
    if (!outcome.verified()) {
        FUZZ_CHECK(!has(line, "已写卡") && !has(brief, "已写卡") && !has(recorded, "已写卡"));
    }
    if (written) {
        FUZZ_CHECK(startsWith(line, "已写卡") && startsWith(brief, "已写卡") &&
                   startsWith(recorded, "已写卡"));
        FUZZ_CHECK(has(line, tenDigits(outcome.request.number)));
        FUZZ_CHECK(has(brief, asEntered(outcome.request.number, outcome.request.notation)));
    }
    // Protected only when the lock was asked for and taken.
    const bool protectedSaid =
        has(line, "并保护") || has(brief, "并保护") || has(recorded, "并保护");
    FUZZ_CHECK(!protectedSaid || (outcome.result == Result::Written && outcome.request.lock));
    FUZZ_CHECK(outcome.result != Result::Written || !outcome.request.lock || protectedSaid);
    FUZZ_CHECK(outcome.result != Result::WrittenNotLocked || has(line, "保护"));

    switch (outcome.result) {
        case Result::NotReadBack:
        case Result::Swapped:
            FUZZ_CHECK(has(line, "结果不明") && has(brief, "结果不明") &&
                       startsWith(recorded, "结果不明"));
            break;
        case Result::ReaderFault:
            FUZZ_CHECK(has(line, "结果不明") && has(brief, "结果不明"));
            FUZZ_CHECK(!outcome.writeSent() || startsWith(recorded, "结果不明"));
            break;
        case Result::NotWritten:
        case Result::WrongReadBack:
        case Result::Declined:
        case Result::OutOfRange:
        case Result::NotStarted:
            FUZZ_CHECK(has(line, "未写卡") && brief == "未写卡");
            break;
        case Result::Written:
        case Result::WrittenNotLocked:
        case Result::ReaderUnavailable:
            break;
    }
    // The journal's column: a line for each write that reached MF_Write, none for the others.
    FUZZ_CHECK(recorded.empty() == (!outcome.writeSent() && outcome.result != Result::ReaderFault));
    // The number moved on only when it did, and said so only then.
    FUZZ_CHECK(!has(line, "号码已加一") || outcome.advanced());
    FUZZ_CHECK(!has(line, "号码未加一") || !outcome.advanced());
    // A plain success looks like one; nothing else does.
    const bool plain =
        written && outcome.result == Result::Written && !outcome.journalError && !outcome.fault;
    FUZZ_CHECK((tone == words::Tone::Done) == plain);
    FUZZ_CHECK((tone == words::Tone::Neutral) == (outcome.result == Result::Declined));
}

void pressRead(testing_support::FakeWindow& window, fuzzing::FuzzedSource& source) {
    const auto outcome = testing_support::pressRead(window, source);
    using Result = commands::ReadOutcome::Result;
    if (outcome.result == Result::Read) {
        FUZZ_CHECK(window.texts.at(Field::B3B0) == card::formatPadded(outcome.tag.B3B0(), 10));
        FUZZ_CHECK(window.texts.at(Field::B1B0) == card::formatPadded(outcome.tag.B1B0(), 5));
    } else if (outcome.result == Result::NoTag) {
        FUZZ_CHECK(outcome.status != reader::kSuccess);
        FUZZ_CHECK(window.texts.at(Field::B3B0) == "0000000000");
    } else if (outcome.result == Result::ReaderFault) {
        FUZZ_CHECK(outcome.fault.has_value());
    }
    readWordsAgree(outcome);
}

// Records what the command tells the journal, and when, against the reader's calls; answers the
// questions as the fuzzer says.
class RecordingJournal final : public commands::WriteJournal {
public:
    RecordingJournal(FuzzedDataProvider& in, const fuzzing::FuzzedReader& device)
        : in_(in), device_(device) {}

    struct Line {
        commands::JournalEntry entry;
        int writesBefore = 0;  // MF_Write calls made when it was recorded
        int beepsBefore = 0;
    };
    std::vector<Line> starts;
    std::vector<Line> outcomes;
    int holds = 0;

    void hold() override { ++holds; }
    void release() override { --holds; }
    [[nodiscard]] std::optional<std::string> unavailable() const override {
        if (in_.ConsumeIntegralInRange(0, 7) == 0) {
            return std::string("写卡记录还没有读完");
        }
        return std::nullopt;
    }
    [[nodiscard]] std::optional<std::string> lastVerifiedWrite(
        const card::CardNumber& /*number*/) const override {
        if (in_.ConsumeIntegralInRange(0, 3) == 0) {
            return std::string("2024-05-01T14:03:22+08:00");
        }
        return std::nullopt;
    }
    [[nodiscard]] std::optional<commands::JournalTrouble> beginWrite(
        const commands::JournalEntry& entry) override {
        starts.push_back({entry, device_.writeCalls, device_.beeps});
        return failure();
    }
    [[nodiscard]] std::optional<commands::JournalTrouble> append(
        const commands::JournalEntry& entry) override {
        outcomes.push_back({entry, device_.writeCalls, device_.beeps});
        return failure();
    }

private:
    [[nodiscard]] std::optional<commands::JournalTrouble> failure() const {
        if (in_.ConsumeIntegralInRange(0, 15) == 0) {
            return commands::JournalTrouble{commands::JournalTrouble::Kind::DiskFull, "磁盘已满"};
        }
        return std::nullopt;
    }

    FuzzedDataProvider& in_;
    const fuzzing::FuzzedReader& device_;
};

void pressWrite(testing_support::FakeWindow& window, fuzzing::FuzzedSource& source,
                RecordingJournal& journal) {
    const int writesBefore = source.device.writeCalls;
    const int beepsBefore = source.device.beeps;
    const std::size_t startsBefore = journal.starts.size();
    const std::size_t outcomesBefore = journal.outcomes.size();
    const std::string tenBefore = window.texts[Field::B3B0];
    const std::string eightBefore = window.texts[Field::B1B0];
    source.device.beepedUnverified = false;
    const auto outcome = testing_support::pressWrite(window, source, journal);
    using Result = commands::WriteOutcome::Result;
    const bool wrote = source.device.writeCalls > writesBefore;
    switch (outcome.result) {
        case Result::OutOfRange:
        case Result::ReaderUnavailable:
        case Result::Declined:
        case Result::NotStarted:
            FUZZ_CHECK(!wrote && !outcome.advanced());
            break;
        case Result::NotReadBack:
            // Whatever the reader said of the write, the tag did not answer: nothing moves on.
            FUZZ_CHECK(wrote && outcome.readBackStatus != reader::kSuccess && !outcome.advanced());
            break;
        case Result::WrongReadBack:
            // Taken by the reader, but the tag does not send the number: nothing moves on.
            FUZZ_CHECK(wrote && outcome.writeStatus == reader::kSuccess && !outcome.advanced());
            break;
        case Result::NotWritten:
            FUZZ_CHECK(wrote && outcome.writeStatus != reader::kSuccess && !outcome.advanced());
            break;
        case Result::Swapped:
            // Another tag answered the read-back than before the write: nothing moves on.
            FUZZ_CHECK(wrote && outcome.readBack != outcome.previousNumber && !outcome.advanced());
            break;
        case Result::Written:
        case Result::WrittenNotLocked:
            // Also after a write the reader refused: the tag read back is what counts.
            FUZZ_CHECK(wrote && outcome.advanced() == outcome.request.advance);
            break;
        case Result::ReaderFault:
            FUZZ_CHECK(outcome.fault.has_value());
            break;
    }
    writeWordsAgree(outcome, source.readerInUse());
    writeWordsAgree(outcome, reader::ReaderInUse{"MF1.dll", true, true});

    // The promises, from what the reader saw.
    const auto& device = source.device;
    const bool beeped = device.beeps > beepsBefore;
    const bool readBackNow =
        wrote && device.readBackMatches && device.lastWritten == outcome.request.number;
    FUZZ_CHECK(!device.beepedUnverified);
    FUZZ_CHECK(!device.wroteOutOfTurn);
    FUZZ_CHECK(!beeped ||
               (readBackNow && outcome.verified() && outcome.readBack == outcome.request.number));
    const bool advanced =
        window.texts[Field::B3B0] != tenBefore || window.texts[Field::B1B0] != eightBefore;
    FUZZ_CHECK(!advanced || (readBackNow && outcome.verified()));
    FUZZ_CHECK(journal.holds == 0);

    // The journal: a start line before MF_Write, and after it one line that tells the outcome,
    // on record before the beep.
    const std::size_t started = journal.starts.size() - startsBefore;
    const std::size_t recorded = journal.outcomes.size() - outcomesBefore;
    if (!wrote) {
        FUZZ_CHECK(recorded == 0);
        return;
    }
    // One start line, before MF_Write, of the number written.
    FUZZ_CHECK(started == 1);
    FUZZ_CHECK(journal.starts.back().writesBefore == writesBefore);
    FUZZ_CHECK(journal.starts.back().entry.number == outcome.request.number);
    if (outcome.writeSent()) {
        FUZZ_CHECK(recorded == 1);
        const auto& line = journal.outcomes.back();
        FUZZ_CHECK(line.entry.number == outcome.request.number);
        FUZZ_CHECK(line.entry.verified == outcome.verified());
        FUZZ_CHECK(!line.entry.verified || readBackNow);
        FUZZ_CHECK(line.beepsBefore == beepsBefore);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    testing_support::FakeWindow window;
    fuzzing::FuzzedSource source(in);
    RecordingJournal journal(in, source.device);
    for (int press = 0; press < 8 && in.remaining_bytes() > 0; ++press) {
        setUpWindow(in, window);
        if (in.ConsumeBool()) {
            pressRead(window, source);
        } else {
            pressWrite(window, source, journal);
        }
    }
    return 0;
}
