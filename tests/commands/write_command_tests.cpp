#include "commands/write_command.h"
#include "support/fake_window.h"
#include "support/recording_reader.h"
#include "words/outcome_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <vector>

namespace {

using card::Field;
using commands::WriteOutcome;
using reader::ControlCode;
using testing_support::FakeSource;
using testing_support::FakeWindow;
using testing_support::pressWrite;
using testing_support::RecordedCall;
using Op = RecordedCall::Op;

using Block = std::array<std::uint8_t, 6>;

// The calls as "getsnr", "buzz 4", "write", "buzz 1", ... for comparing whole sequences.
std::vector<std::string> sequence(const FakeSource& source) {
    std::vector<std::string> names;
    for (const auto& call : source.device.calls) {
        switch (call.op) {
            case Op::Getsnr:
                names.emplace_back("getsnr");
                break;
            case Op::Write:
                names.emplace_back("write");
                break;
            case Op::ControlBuzzer:
                names.push_back("buzz " + std::to_string(static_cast<int>(call.code)));
                break;
        }
    }
    return names;
}

const RecordedCall& writeCall(const FakeSource& source) {
    const auto& calls = source.device.calls;
    const auto found =
        std::find_if(calls.begin(), calls.end(), [](const auto& c) { return c.op == Op::Write; });
    if (found == calls.end()) {
        throw std::logic_error("no MF_Write call");
    }
    return *found;
}

Block blockOf(const RecordedCall& call) {
    Block block{};
    std::copy_n(call.shortOnEntry.bytes.begin(), block.size(), block.begin());
    return block;
}

bool restOfShortBufferIsZero(const RecordedCall& call) {
    return std::all_of(call.shortOnEntry.bytes.begin() + 6, call.shortOnEntry.bytes.end(),
                       [](auto b) { return b == 0; });
}

// A journal in memory: the verified writes it holds and the entries appended, each with the
// number of reader calls made before it.
class MemoryJournal final : public commands::WriteJournal {
public:
    std::map<std::uint64_t, std::string> verified;  // B4..B0 as one number -> time
    std::vector<commands::JournalEntry> entries;
    std::vector<std::size_t> callsBefore;
    std::optional<commands::JournalTrouble> failure;       // answered by every append
    std::optional<commands::JournalTrouble> startFailure;  // answered by every beginWrite
    std::optional<std::string> notReadable;
    std::set<std::uint64_t> unknown;             // keys whose last write's outcome is unknown
    std::optional<commands::SharedView> shared;  // what sharedView answers for its view
    int holds = 0;                          // hold() less release(): 0 once a command has ended
    std::vector<std::size_t> startsBefore;  // calls made before each beginWrite
    const FakeSource* source = nullptr;

    void hold() override { ++holds; }
    void release() override { --holds; }
    [[nodiscard]] std::optional<std::string> unavailable() const override { return notReadable; }
    [[nodiscard]] std::optional<commands::JournalTrouble> beginWrite(
        const commands::JournalEntry& /*entry*/) override {
        startsBefore.push_back(source != nullptr ? source->device.calls.size() : 0);
        return startFailure;
    }

    static std::uint64_t key(const card::CardNumber& n) {
        return (std::uint64_t{n.b4} << 32U) | card::wholeNumber(n.number);
    }
    [[nodiscard]] std::optional<std::string> lastVerifiedWrite(
        const card::CardNumber& number) const override {
        const auto found = verified.find(key(number));
        return found == verified.end() ? std::nullopt : std::optional(found->second);
    }
    [[nodiscard]] bool unsettled(const card::CardNumber& number) const override {
        return unknown.contains(key(number));
    }
    [[nodiscard]] std::optional<commands::SharedView> sharedView(
        const card::CardNumber& /*number*/, card::Notation view) const override {
        return shared && shared->view == view ? shared : std::nullopt;
    }
    [[nodiscard]] std::optional<commands::JournalTrouble> append(
        const commands::JournalEntry& entry) override {
        entries.push_back(entry);
        callsBefore.push_back(source != nullptr ? source->device.calls.size() : 0);
        return failure;
    }
};

bool startsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A full run: options, field texts, and what must come of them.
struct WriteCase {
    const char* name;
    bool em4305;
    bool wg34;
    bool add1;
    bool lock;
    std::array<const char*, 4> texts;  // B4, B3B0, B2, B1B0 before
    std::vector<std::string> calls;
    Block block;
    std::array<const char*, 4> after;  // B4, B3B0, B2, B1B0 after

    friend void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }
};

class WriteRun : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteRun, SendsTheCallsAndBlockAndLeavesTheFields) {
    const auto& param = GetParam();
    FakeSource source;
    FakeWindow window;
    window.em4305 = param.em4305;
    window.wg34 = param.wg34;
    window.add1 = param.add1;
    window.lock = param.lock;
    const Field fields[] = {Field::B4, Field::B3B0, Field::B2, Field::B1B0};
    for (std::size_t i = 0; i < 4; ++i) {
        window.texts[fields[i]] = param.texts.at(i);
    }

    MemoryJournal journal;
    journal.source = &source;

    const WriteOutcome outcome = pressWrite(window, source, journal);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::Written);
    EXPECT_EQ(sequence(source), param.calls);
    // One verified line, on disk before the closing beep.
    ASSERT_EQ(journal.entries.size(), 1U);
    const auto& entry = journal.entries.front();
    EXPECT_TRUE(entry.verified);
    EXPECT_TRUE(startsWith(entry.result, "已写卡")) << entry.result;
    EXPECT_EQ(entry.locked, param.lock);
    EXPECT_EQ(entry.chip, param.em4305 ? reader::TagChip::EM4305 : reader::TagChip::T5577);
    EXPECT_EQ(entry.number, outcome.request.number);
    EXPECT_EQ(journal.callsBefore.front(), param.calls.size() - 1);
    EXPECT_TRUE(window.questions.empty());
    EXPECT_EQ(blockOf(writeCall(source)), param.block);
    EXPECT_TRUE(restOfShortBufferIsZero(writeCall(source)));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(window.texts[fields[i]], param.after.at(i)) << "field " << i;
    }
    // From the announcement on, every call gets the write's one long buffer.
    const auto& calls = source.device.calls;
    for (std::size_t i = 2; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].longAddress, calls[1].longAddress) << "call " << i;
    }
}

const std::array<const char*, 4> kStart{"000", "0000000001", "000", "00001"};

INSTANTIATE_TEST_SUITE_P(
    Runs, WriteRun,
    ::testing::Values(WriteCase{"StartValuesT5577TenDigit",
                                false,
                                true,
                                false,
                                false,
                                kStart,
                                {"getsnr", "buzz 4", "write", "getsnr", "buzz 1"},
                                {0, 0, 0, 0, 0, 1},
                                kStart},
                      WriteCase{"AdvanceTenDigit",
                                false,
                                true,
                                true,
                                false,
                                kStart,
                                {"getsnr", "buzz 4", "write", "getsnr", "buzz 1"},
                                {0, 0, 0, 0, 0, 1},
                                {"000", "0000000002", "000", "00001"}},
                      WriteCase{"TopTenDigitWrapsToOne",
                                false,
                                true,
                                true,
                                false,
                                {"000", "4294967295", "000", "00001"},
                                {"getsnr", "buzz 4", "write", "getsnr", "buzz 1"},
                                {0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
                                {"000", "0000000001", "000", "00001"}},
                      WriteCase{"EightDigitWrapsWithoutCarryIntoB2",
                                false,
                                false,
                                true,
                                false,
                                {"000", "0000000001", "255", "65535"},
                                {"getsnr", "buzz 4", "write", "getsnr", "buzz 1"},
                                {0, 0, 0, 0xFF, 0xFF, 0xFF},
                                {"000", "0000000001", "255", "00001"}},
                      WriteCase{"EM4305WithLock",
                                true,
                                true,
                                false,
                                true,
                                kStart,
                                {"getsnr", "buzz 5", "write", "getsnr", "buzz 7", "buzz 1"},
                                {2, 0, 0, 0, 0, 1},
                                kStart},
                      WriteCase{"T5577WithLockAndAdvance",
                                false,
                                true,
                                true,
                                true,
                                {"018", "0878082202", "000", "00001"},
                                {"getsnr", "buzz 4", "write", "getsnr", "buzz 6", "buzz 1"},
                                {0, 0x12, 0x34, 0x56, 0x78, 0x9A},
                                {"018", "0878082203", "000", "00001"}},
                      WriteCase{"EightDigitIgnoresTheTenDigitFieldEvenWithLetters",
                                true,
                                false,
                                false,
                                false,
                                {"001", "not a number", "086", "30874"},
                                {"getsnr", "buzz 5", "write", "getsnr", "buzz 1"},
                                {2, 1, 0, 0x56, 0x78, 0x9A},
                                {"001", "not a number", "086", "30874"}},
                      WriteCase{"EightDigitStartValues",
                                false,
                                false,
                                false,
                                false,
                                {"000", "000", "000", "00001"},
                                {"getsnr", "buzz 4", "write", "getsnr", "buzz 1"},
                                {0, 0, 0, 0, 0, 1},
                                {"000", "000", "000", "00001"}},
                      WriteCase{"LenientTexts",
                                false,
                                true,
                                false,
                                false,
                                {" 1 2", "１２３４５", "x", "y"},
                                {"getsnr", "buzz 4", "write", "getsnr", "buzz 1"},
                                {0, 12, 0, 0, 0x30, 0x39},
                                {" 1 2", "１２３４５", "x", "y"}},
                      WriteCase{"BlankFieldsAreZero",
                                false,
                                true,
                                true,
                                false,
                                {"", "", "", ""},
                                {"getsnr", "buzz 4", "write", "getsnr", "buzz 1"},
                                {0, 0, 0, 0, 0, 0},
                                {"", "0000000001", "", ""}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(WriteCommand, ABatchWritesConsecutiveNumbers) {
    FakeSource source;
    FakeWindow window;
    window.add1 = true;

    for (int press = 0; press < 3; ++press) {
        static_cast<void>(pressWrite(window, source));
    }

    std::vector<std::uint8_t> lastBytes;
    for (const auto& call : source.device.calls) {
        if (call.op == Op::Write) {
            lastBytes.push_back(call.shortOnEntry.bytes[5]);
        }
    }
    EXPECT_EQ(lastBytes, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(window.texts[Field::B3B0], "0000000004");
}

// The read before the write scribbles into its buffers as a library may; the announcement that
// opens the write, of each run, still gets a zero-filled long buffer.
TEST(WriteCommand, TheAnnouncementGetsFreshZeroedBuffersAfterTheReadBefore) {
    FakeSource source;
    source.device.onAnyCall = [](reader::LongBuffer& l) { l.bytes.fill(0xCC); };
    FakeWindow window;

    static_cast<void>(pressWrite(window, source));
    static_cast<void>(pressWrite(window, source));

    for (const std::size_t at : {1U, 6U}) {
        const auto& announcement = source.device.calls.at(at);
        ASSERT_EQ(announcement.code, ControlCode::SelectT5577);
        EXPECT_TRUE(std::all_of(announcement.longOnEntry.bytes.begin(),
                                announcement.longOnEntry.bytes.end(),
                                [](auto b) { return b == 0; }))
            << "call " << at;
    }
}

TEST(WriteCommand, TheLongBufferTravelsUnchangedFromCallToCall) {
    FakeSource source;
    std::uint8_t stamp = 0;
    source.device.onAnyCall = [&stamp](reader::LongBuffer& l) { l.bytes[200] = ++stamp; };
    FakeWindow window;
    window.lock = true;

    static_cast<void>(pressWrite(window, source));

    // From the announcement on: the read before has buffers of its own.
    const auto& calls = source.device.calls;
    ASSERT_EQ(calls.size(), 6U);
    EXPECT_EQ(calls[1].longOnEntry.bytes[200], 0);
    for (std::size_t i = 2; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].longOnEntry.bytes[200], i);
    }
}

TEST(WriteCommand, RefusedWriteAdvancesNothingLocksNothingAndDoesNotBeep) {
    for (const bool em4305 : {false, true}) {
        FakeSource source;
        source.device.writeStatus = 1;
        FakeWindow window;
        window.em4305 = em4305;
        window.add1 = true;
        window.lock = true;

        MemoryJournal journal;

        const auto outcome = pressWrite(window, source, journal);

        EXPECT_EQ(outcome.result, WriteOutcome::Result::NotWritten);
        EXPECT_EQ(outcome.writeStatus, 1);
        ASSERT_EQ(journal.entries.size(), 1U);
        EXPECT_EQ(journal.entries[0].result, "写卡失败（状态 1）");
        EXPECT_FALSE(journal.entries[0].verified);
        EXPECT_FALSE(outcome.advanced());
        // Read back all the same: the tag still sends its old number.
        EXPECT_EQ(
            sequence(source),
            (std::vector<std::string>{"getsnr", em4305 ? "buzz 5" : "buzz 4", "write", "getsnr"}));
        EXPECT_EQ(window.texts[Field::B3B0], "0000000001");
        EXPECT_TRUE(window.setOrder.empty());
        const std::string message = words::describeWrite(outcome);
        EXPECT_NE(message.find("未写卡"), std::string::npos) << message;
        EXPECT_NE(message.find("号码未加一"), std::string::npos) << message;
    }
}

// A reader may report a write as failed while the tag took the number: the tag counts.
TEST(WriteCommand, RefusedWriteTheTagTookCountsAsWrittenAndSaysTheReaderReportedAFailure) {
    FakeSource source;
    source.device.writeStatus = 3;
    source.device.tag = {0, 0, 0, 0, 1};  // as the write leaves it
    FakeWindow window;
    window.add1 = true;
    window.lock = true;
    MemoryJournal journal;

    const auto outcome = pressWrite(window, source, journal);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::Written);
    EXPECT_TRUE(outcome.locked());
    EXPECT_EQ(sequence(source), (std::vector<std::string>{"getsnr", "buzz 4", "write", "getsnr",
                                                          "buzz 6", "buzz 1"}));
    EXPECT_EQ(window.texts[Field::B3B0], "0000000002");
    ASSERT_EQ(journal.entries.size(), 1U);
    EXPECT_TRUE(journal.entries[0].verified);
    EXPECT_EQ(journal.entries[0].result, "已写卡并保护（读卡器报告写卡失败，状态 3，读回无误）");
    EXPECT_EQ(words::describeWrite(outcome),
              "已写卡并保护 0000000001 / 000,00001（读卡器报告写卡失败，读回无误）");
}

// A write MF_Write reported as done that the tag does not bear out.
struct Unverified {
    const char* name;
    std::function<void(testing_support::RecordingReader&)> script;
    WriteOutcome::Result result;
    const char* said;        // in the status line
    const char* journalled;  // the journal's result column starts so
    friend void PrintTo(const Unverified& c, std::ostream* os) { *os << c.name; }
};

class UnverifiedWrite : public ::testing::TestWithParam<Unverified> {};

TEST_P(UnverifiedWrite, AdvancesNothingLocksNothingDoesNotBeepAndSaysWhatTheTagSends) {
    const auto& param = GetParam();
    FakeSource source;
    param.script(source.device);
    FakeWindow window;
    window.add1 = true;
    window.lock = true;
    MemoryJournal journal;

    const auto outcome = pressWrite(window, source, journal);

    EXPECT_EQ(outcome.result, param.result);
    EXPECT_EQ(sequence(source), (std::vector<std::string>{"getsnr", "buzz 4", "write", "getsnr"}));
    EXPECT_TRUE(window.setOrder.empty());
    const std::string message = words::describeWrite(outcome);
    EXPECT_NE(message.find(param.said), std::string::npos) << message;
    ASSERT_EQ(journal.entries.size(), 1U);
    EXPECT_FALSE(journal.entries[0].verified);
    EXPECT_FALSE(journal.entries[0].locked);
    EXPECT_TRUE(startsWith(journal.entries[0].result, param.journalled))
        << journal.entries[0].result;
}

INSTANTIATE_TEST_SUITE_P(
    ReadBack, UnverifiedWrite,
    ::testing::Values(
        Unverified{"TagKeepsItsOldNumber",
                   [](auto& d) {
                       d.writesReachTheTag = false;
                       d.tag = {0, 0, 0, 0, 5};
                   },
                   WriteOutcome::Result::WrongReadBack, "读回 00\u00A000\u00A000\u00A000\u00A005",
                   "写后读回不符，卡上为 0000000005"},
        Unverified{"OnlyTheCustomerByteDiffers",
                   [](auto& d) {
                       d.writesReachTheTag = false;
                       d.tag = {7, 0, 0, 0, 1};
                   },
                   WriteOutcome::Result::WrongReadBack, "07\u00A000\u00A000\u00A000\u00A001，不是",
                   "写后读回不符"},
        Unverified{"TagCannotBeReadBack", [](auto& d) { d.getsnrStatus = 1; },
                   WriteOutcome::Result::NotReadBack, "结果不明：未读回（状态 1），请重读或搁置",
                   "结果不明：写后读不到卡（状态 1）"},
        Unverified{"RefusedAndATagReadBeforeCannotBeReadBack",
                   [](auto& d) {
                       d.writeStatus = 4;
                       d.tag = {0, 0, 0, 0, 5};
                       d.onGetsnr = [&d, reads = 0](reader::ShortBuffer& s,
                                                    reader::LongBuffer& l) mutable {
                           d.getsnrStatus = reads++ == 0 ? 0 : 1;
                           s.bytes[0] = d.tag[0];
                           std::copy(d.tag.begin() + 1, d.tag.end(), l.bytes.begin());
                       };
                   },
                   WriteOutcome::Result::NotReadBack, "结果不明：未读回（状态 1），请重读或搁置",
                   "结果不明：读卡器报告写卡失败（状态 4），写后读不到卡"},
        // Another tag laid between the write and its read-back: the one taken away may hold
        // the number.
        Unverified{"TagSwappedBeforeTheReadBack",
                   [](auto& d) {
                       d.writesReachTheTag = false;
                       d.tag = {0, 0, 0, 0, 5};
                       d.onGetsnr = [&d, reads = 0](reader::ShortBuffer& s,
                                                    reader::LongBuffer& l) mutable {
                           if (reads++ == 1) {
                               d.tag = {0, 0, 0, 0, 9};
                           }
                           d.getsnrStatus = 0;
                           s.bytes[0] = d.tag[0];
                           std::copy(d.tag.begin() + 1, d.tag.end(), l.bytes.begin());
                       };
                   },
                   WriteOutcome::Result::Swapped,
                   "结果不明：读回 00\u00A000\u00A000\u00A000\u00A009；请把刚取下的卡放回核对",
                   "结果不明：写后读回不符，卡上为 0000000009"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Before the write the tag is read: a number this program wrote and verified, on the tag or to
// be written, is asked about once; the answer "no" writes nothing.
struct Asked {
    const char* name;
    std::optional<card::CardNumber> onTag;  // what the tag sends before the write; nothing: blank
    std::map<std::uint64_t, std::string> verified;
    std::optional<std::string> notReadable;  // the journal cannot answer
    const char* question;                    // nothing asked when empty
    const char* answers;
    std::set<std::uint64_t> unknown = {};  // numbers whose last write's outcome is unknown
    std::optional<commands::SharedView> shared = {};  // another tag's view the number shares
    friend void PrintTo(const Asked& c, std::ostream* os) { *os << c.name; }
};

class AskedBeforeWriting : public ::testing::TestWithParam<Asked> {};

TEST_P(AskedBeforeWriting, OnceAndNoWritesNothing) {
    const Asked& param = GetParam();
    for (const bool yes : {false, true}) {
        FakeSource source;
        if (param.onTag) {
            const auto& n = *param.onTag;
            source.device.tag = {n.b4, n.number.b3, n.number.b2, n.number.b1, n.number.b0};
        }
        int reads = 0;
        source.device.onGetsnr = [&](reader::ShortBuffer& s, reader::LongBuffer& l) {
            // Blank before the write (status 2), holding what was written after it.
            if (reads++ == 0 && !param.onTag) {
                source.device.getsnrStatus = 2;
                return;
            }
            source.device.getsnrStatus = 0;
            s.bytes[0] = source.device.tag[0];
            std::copy(source.device.tag.begin() + 1, source.device.tag.end(), l.bytes.begin());
        };
        FakeWindow window;
        window.add1 = true;
        window.answer = yes;
        MemoryJournal journal;
        journal.source = &source;
        journal.verified = param.verified;
        journal.notReadable = param.notReadable;
        journal.unknown = param.unknown;
        journal.shared = param.shared;

        const auto outcome = pressWrite(window, source, journal);

        EXPECT_EQ(journal.holds, 0);
        EXPECT_EQ(outcome.previousNumber, param.onTag);
        EXPECT_EQ(outcome.journalUnavailable, param.notReadable);
        if (std::string_view(param.question).empty()) {
            EXPECT_TRUE(window.questions.empty());
        } else {
            EXPECT_EQ(window.questions, std::vector<std::string>{param.question});
            EXPECT_EQ(window.answers, std::vector<std::string>{param.answers});
        }
        if (yes || std::string_view(param.question).empty()) {
            EXPECT_EQ(outcome.result, WriteOutcome::Result::Written);
            ASSERT_EQ(journal.entries.size(), 1U);
            EXPECT_EQ(journal.entries[0].previousNumber, param.onTag);
            // The start line is on disk before MF_Write: after the read and the announcement.
            EXPECT_EQ(journal.startsBefore, std::vector<std::size_t>{2});
            continue;
        }
        EXPECT_EQ(outcome.result, WriteOutcome::Result::Declined);
        EXPECT_EQ(sequence(source), (std::vector<std::string>{"getsnr"}));
        EXPECT_TRUE(journal.entries.empty());
        EXPECT_TRUE(journal.startsBefore.empty());
        EXPECT_TRUE(window.setOrder.empty());
        EXPECT_TRUE(startsWith(words::describeWrite(outcome), "未写卡"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Questions, AskedBeforeWriting,
    ::testing::Values(
        Asked{"NumberWrittenBefore",
              card::CardNumber{},
              {{1, "2024-05-01T14:03:22+08:00"}},
              std::nullopt,
              "0000000001 已于 2024-05-01 14:03 写过，仍要写入吗？",
              "仍要写入/不写入"},
        Asked{"TagNumberedBefore",
              card::CardNumber{0, {0, 0, 0, 7}},
              {{7, "2024-05-01T14:03:22+08:00"}},
              std::nullopt,
              "此卡已是 0000000007（2024-05-01 14:03 写入），改写为 0000000001 吗？",
              "改写/不改写"},
        Asked{"BothInOneQuestion",
              card::CardNumber{0, {0, 0, 0, 7}},
              {{7, "2024-05-01T14:03:22+08:00"}, {1, "2024-05-02T09:00:00+08:00"}},
              std::nullopt,
              "此卡已是 0000000007（2024-05-01 14:03 写入）。0000000001 已于 2024-05-02 09:00 "
              "写过。仍要改写为 0000000001 吗？",
              "仍要改写/不改写"},
        Asked{"TagTheJournalDoesNotHold",
              card::CardNumber{0, {0, 0, 0, 7}},
              {},
              std::nullopt,
              "",
              ""},
        Asked{"BlankTag", std::nullopt, {{7, "2024-05-01T14:03:22+08:00"}}, std::nullopt, "", ""},
        // The tag holds the number already (its write was cut off, or it is written again): no
        // second tag comes of writing it.
        Asked{"TagHoldingTheNumberToWrite",
              card::CardNumber{0, {0, 0, 0, 1}},
              {{1, "2024-05-01T14:03:22+08:00"}},
              std::nullopt,
              "",
              ""},
        Asked{"JournalNotReadYet",
              card::CardNumber{0, {0, 0, 0, 7}},
              {{7, "2024-05-01T14:03:22+08:00"}, {1, "2024-05-02T09:00:00+08:00"}},
              std::string("写卡记录尚未读完"),
              "",
              ""},
        // Every write is guarded as a batch's is: its eight-digit view is another tag's.
        Asked{"EightDigitViewOfAnotherTag",
              std::nullopt,
              {},
              std::nullopt,
              "后八位号 000,00001（000 0000000001）已写在 000 0016777217 "
              "上：按后八位号读卡的门禁会把两张卡当成一张",
              "仍要写入/不写入",
              {},
              commands::SharedView{card::Notation::WG26, card::CardNumber{0, {1, 0, 0, 1}},
                                   "2024-05-01T14:03:22+08:00"}},
        Asked{"NumberOfUnknownOutcome",
              std::nullopt,
              {{1, "2024-05-01T14:03:22+08:00"}},
              std::nullopt,
              "0000000001 上次写卡结果不明（2024-05-01 14:03），仍要写入吗？",
              "仍要写入/不写入",
              {1}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// A read of the tag moments before (hands-free writing's) stands for the write's own; an older
// one is read again: the tag may have been swapped since.
TEST(WriteCommand, ReadsTheTagAgainUnlessItWasSeenMomentsAgo) {
    struct Row {
        const char* name;
        std::chrono::milliseconds age;
        std::vector<std::string> calls;
        std::uint8_t previous;  // the number the write takes the tag to have held
    };
    const Row rows[] = {
        {"Fresh", std::chrono::milliseconds(0), {"buzz 4", "write", "getsnr", "buzz 1"}, 7},
        {"AsOldAsTheBound",
         commands::kSightingFreshFor,
         {"getsnr", "buzz 4", "write", "getsnr", "buzz 1"},
         9},
    };
    for (const Row& row : rows) {
        FakeSource source;
        source.device.tag = {0, 0, 0, 0, 9};
        MemoryJournal journal;
        const commands::TagSighting seen{reader::kSuccess, card::CardNumber{0, {0, 0, 0, 7}},
                                         std::chrono::steady_clock::now() - row.age};
        const commands::WriteRequest request{card::CardNumber{0, {0, 0, 0, 1}}};

        const auto outcome = commands::writeTag(request, source, journal, nullptr, seen);

        EXPECT_EQ(outcome.result, WriteOutcome::Result::Written) << row.name;
        EXPECT_EQ(sequence(source), row.calls) << row.name;
        EXPECT_EQ(outcome.previousNumber, (card::CardNumber{0, {0, 0, 0, row.previous}}))
            << row.name;
    }
}

TEST(WriteCommand, AJournalThatCannotBeWrittenStopsNothingButIsNamed) {
    FakeSource source;
    FakeWindow window;
    window.add1 = true;
    MemoryJournal journal;
    journal.failure =
        commands::JournalTrouble{commands::JournalTrouble::Kind::DiskFull, "磁盘已满"};

    const auto outcome = pressWrite(window, source, journal);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::Written);
    EXPECT_EQ(sequence(source),
              (std::vector<std::string>{"getsnr", "buzz 4", "write", "getsnr", "buzz 1"}));
    EXPECT_EQ(window.texts[Field::B3B0], "0000000002");
    const std::string message = words::describeWrite(outcome);
    EXPECT_EQ(message, "已写卡 0000000001 / 000,00001；未记录：磁盘已满");
}

// Were the program to end during a write whose start line is not on disk, no journal would name
// the number the tag may hold.
TEST(WriteCommand, AJournalThatCannotTakeTheStartLineStopsTheWriteBeforeItIsSent) {
    FakeSource source;
    FakeWindow window;
    window.add1 = true;
    MemoryJournal journal;
    journal.startFailure =
        commands::JournalTrouble{commands::JournalTrouble::Kind::DiskFull, "磁盘已满"};

    const auto outcome = pressWrite(window, source, journal);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::NotStarted);
    EXPECT_EQ(sequence(source), (std::vector<std::string>{"getsnr", "buzz 4"}));
    EXPECT_TRUE(journal.entries.empty());
    EXPECT_EQ(window.texts[Field::B3B0], "0000000001");
    EXPECT_EQ(words::describeWrite(outcome), "未写卡；未记录：磁盘已满");
}

TEST(WriteCommand, RefusedLockStillAdvancesButDoesNotBeepAndSaysTheTagIsUnprotected) {
    FakeSource source;
    source.device.buzzerStatus = [](ControlCode code) {
        return code == ControlCode::LockEM4305 ? 9 : 0;
    };
    FakeWindow window;
    window.em4305 = true;
    window.add1 = true;
    window.lock = true;

    const auto outcome = pressWrite(window, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::WrittenNotLocked);
    EXPECT_EQ(outcome.lockStatus, 9);
    EXPECT_EQ(sequence(source),
              (std::vector<std::string>{"getsnr", "buzz 5", "write", "getsnr", "buzz 7"}));
    EXPECT_EQ(window.texts[Field::B3B0], "0000000002");
    const std::string message = words::describeWrite(outcome);
    EXPECT_NE(message.find("未能保护"), std::string::npos) << message;
}

TEST(WriteCommand, AnnouncementStatusIsNotLookedAt) {
    FakeSource source;
    source.device.buzzerStatus = [](ControlCode code) {
        return code == ControlCode::SelectT5577 ? -5 : 0;
    };
    FakeWindow window;

    const auto outcome = pressWrite(window, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::Written);
    EXPECT_EQ(sequence(source),
              (std::vector<std::string>{"getsnr", "buzz 4", "write", "getsnr", "buzz 1"}));
}

TEST(WriteCommand, AdvancesFromTheNumberWrittenNotFromAFractionalText) {
    FakeSource source;
    FakeWindow window;
    window.add1 = true;
    window.texts[Field::B3B0] = "1.5";  // B0 rounds half to even: the tag gets 2

    static_cast<void>(pressWrite(window, source));
    EXPECT_EQ(window.texts[Field::B3B0], "0000000003");
    static_cast<void>(pressWrite(window, source));

    std::vector<std::uint8_t> written;
    for (const auto& call : source.device.calls) {
        if (call.op == Op::Write) {
            written.push_back(call.shortOnEntry.bytes[5]);
        }
    }
    EXPECT_EQ(written, (std::vector<std::uint8_t>{2, 3}));
}

struct RangeCase {
    const char* name;
    bool wg34;
    std::array<const char*, 4> texts;
    Field invalid;

    friend void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }
};

class OutOfRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(OutOfRange, StopsAfterTheAnnouncementAndNamesTheFieldAndItsRange) {
    const auto& param = GetParam();
    FakeSource source;
    FakeWindow window;
    window.wg34 = param.wg34;
    window.add1 = true;
    window.lock = true;
    window.texts = {{Field::B4, param.texts[0]},
                    {Field::B3B0, param.texts[1]},
                    {Field::B2, param.texts[2]},
                    {Field::B1B0, param.texts[3]}};
    const auto before = window.texts;

    const auto outcome = pressWrite(window, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::OutOfRange);
    ASSERT_TRUE(outcome.invalidField.has_value());
    EXPECT_EQ(*outcome.invalidField, param.invalid);
    EXPECT_EQ(sequence(source), (std::vector<std::string>{"buzz 4"}));
    EXPECT_EQ(window.texts, before);
    const std::string message = words::describeWrite(outcome);
    EXPECT_NE(message.find(words::fieldName(param.invalid)), std::string::npos) << message;
    EXPECT_NE(message.find(card::fieldRangeLabel(param.invalid)), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, OutOfRange,
    ::testing::Values(
        RangeCase{"B4Above", true, {"256", "1", "0", "1"}, Field::B4},
        RangeCase{"B4Negative", false, {"-1", "1", "0", "1"}, Field::B4},
        RangeCase{"TenDigitAbove", true, {"0", "4294967296", "0", "1"}, Field::B3B0},
        RangeCase{"TenDigitFarAbove", true, {"0", "99999999999999999999", "0", "1"}, Field::B3B0},
        RangeCase{"TenDigitNegative", true, {"0", "-1", "0", "1"}, Field::B3B0},
        RangeCase{"TenDigitFractionRoundingPastAByte", true, {"0", "255.5", "0", "1"}, Field::B3B0},
        RangeCase{"B2Above", false, {"0", "1", "256", "1"}, Field::B2},
        RangeCase{"B1B0Above", false, {"0", "1", "0", "65536"}, Field::B1B0},
        RangeCase{"B1B0Negative", false, {"0", "1", "0", "-1"}, Field::B1B0},
        RangeCase{"B1B0BeyondInt32", false, {"0", "1", "0", "3000000000"}, Field::B1B0},
        RangeCase{"B4CheckedBeforeTheNumber", true, {"300", "-1", "0", "1"}, Field::B4}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(WriteCommand, UnavailableReaderSendsNothing) {
    FakeSource source;
    source.failure = reader::LoadError{reader::LoadError::Kind::FileNotLoaded,
                                       "/x/libMF1.so",
                                       "cannot open shared object file",
                                       {}};
    FakeWindow window;
    window.add1 = true;

    const auto outcome = pressWrite(window, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::ReaderUnavailable);
    EXPECT_TRUE(source.device.calls.empty());
    EXPECT_TRUE(window.setOrder.empty());
    EXPECT_NE(words::describeWrite(outcome).find("libMF1.so"), std::string::npos);
}

TEST(WriteCommand, SuccessSaysTheNumberInBothNotationsAndHex) {
    FakeSource source;
    FakeWindow window;
    window.texts[Field::B4] = "18";
    window.texts[Field::B3B0] = "878082202";
    window.lock = true;

    const auto outcome = pressWrite(window, source);

    const std::string message = words::describeWrite(outcome);
    for (const char* part :
         {"0878082202 / 086,30874 / 12\u00A034\u00A056\u00A078\u00A09A", "已写卡并保护"}) {
        EXPECT_NE(message.find(part), std::string::npos) << message << " lacks " << part;
    }
}

}  // namespace

namespace {

// A library call that throws: before the tag is verified the outcome is unknown; after it the
// tag stays written, in the outcome and in the journal, and only what came later is in doubt.
struct Thrown {
    std::size_t call;  // of read, select, write, read back, lock, beep
    WriteOutcome::Result result;
    bool journalled;
    bool verified;
};

class ThrowingCall : public ::testing::TestWithParam<Thrown> {};

TEST_P(ThrowingCall, KeepsWhatIsKnown) {
    FakeSource source;
    source.device.throwingCall = GetParam().call;
    FakeWindow window;
    window.lock = true;
    window.add1 = true;
    MemoryJournal journal;

    const auto outcome = pressWrite(window, source, journal);

    EXPECT_EQ(outcome.result, GetParam().result);
    EXPECT_EQ(outcome.verified(), GetParam().verified);
    EXPECT_EQ(outcome.advanced(), GetParam().verified);
    EXPECT_EQ(outcome.locked(), GetParam().call == 5);  // only the beep came after the lock
    EXPECT_EQ(journal.holds, 0);
    ASSERT_EQ(journal.entries.size(), GetParam().journalled ? 1U : 0U);
    if (GetParam().journalled) {
        EXPECT_EQ(journal.entries[0].verified, GetParam().verified);
    }
    // The library's words while the write is unknown; after the tag was verified, that it failed.
    const std::string text = words::describeWrite(outcome);
    EXPECT_NE(text.find(GetParam().verified ? "读卡器库出错" : "thrown"), std::string::npos)
        << text;
    EXPECT_EQ(startsWith(text, "已写卡"), GetParam().verified) << text;
}

INSTANTIATE_TEST_SUITE_P(
    EachCall, ThrowingCall,
    ::testing::Values(Thrown{0, WriteOutcome::Result::ReaderFault, false, false},
                      Thrown{1, WriteOutcome::Result::ReaderFault, false, false},
                      Thrown{2, WriteOutcome::Result::ReaderFault, true, false},
                      Thrown{3, WriteOutcome::Result::ReaderFault, true, false},
                      Thrown{4, WriteOutcome::Result::WrittenNotLocked, true, true},
                      Thrown{5, WriteOutcome::Result::Written, true, true}));

}  // namespace
