#include "commands/outcome_text.h"
#include "commands/write_command.h"
#include "support/fake_panel.h"
#include "support/recording_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using card::Field;
using commands::cmdIDWrite_Click;
using commands::WriteOutcome;
using reader::ControlCode;
using testing_support::FakePanel;
using testing_support::FakeSource;
using testing_support::RecordedCall;
using Op = RecordedCall::Op;

using Block = std::array<std::uint8_t, 6>;

// The calls as "buzz 4", "write", "buzz 1", ... for comparing whole sequences.
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
    FakePanel panel;
    panel.em4305 = param.em4305;
    panel.wg34 = param.wg34;
    panel.add1 = param.add1;
    panel.lock = param.lock;
    const Field fields[] = {Field::B4, Field::B3B0, Field::B2, Field::B1B0};
    for (std::size_t i = 0; i < 4; ++i) {
        panel.texts[fields[i]] = param.texts.at(i);
    }

    const WriteOutcome outcome = cmdIDWrite_Click(panel, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::Written);
    EXPECT_EQ(sequence(source), param.calls);
    EXPECT_EQ(blockOf(writeCall(source)), param.block);
    EXPECT_TRUE(restOfShortBufferIsZero(writeCall(source)));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(panel.texts[fields[i]], param.after.at(i)) << "field " << i;
    }
    // Every call gets the one long buffer of this command.
    for (const auto& call : source.device.calls) {
        EXPECT_EQ(call.longAddress, source.device.calls.front().longAddress);
    }
}

const std::array<const char*, 4> kStart{"000", "0000000001", "000", "00001"};

INSTANTIATE_TEST_SUITE_P(Runs, WriteRun,
                         ::testing::Values(WriteCase{"StartValuesT5577TenDigit",
                                                     false,
                                                     true,
                                                     false,
                                                     false,
                                                     kStart,
                                                     {"buzz 4", "write", "buzz 1"},
                                                     {0, 0, 0, 0, 0, 1},
                                                     kStart},
                                           WriteCase{"AdvanceTenDigit",
                                                     false,
                                                     true,
                                                     true,
                                                     false,
                                                     kStart,
                                                     {"buzz 4", "write", "buzz 1"},
                                                     {0, 0, 0, 0, 0, 1},
                                                     {"000", "0000000002", "000", "00001"}},
                                           WriteCase{"TopTenDigitWrapsToOne",
                                                     false,
                                                     true,
                                                     true,
                                                     false,
                                                     {"000", "4294967295", "000", "00001"},
                                                     {"buzz 4", "write", "buzz 1"},
                                                     {0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
                                                     {"000", "0000000001", "000", "00001"}},
                                           WriteCase{"EightDigitWrapsWithoutCarryIntoB2",
                                                     false,
                                                     false,
                                                     true,
                                                     false,
                                                     {"000", "0000000001", "255", "65535"},
                                                     {"buzz 4", "write", "buzz 1"},
                                                     {0, 0, 0, 0xFF, 0xFF, 0xFF},
                                                     {"000", "0000000001", "255", "00001"}},
                                           WriteCase{"EM4305WithLock",
                                                     true,
                                                     true,
                                                     false,
                                                     true,
                                                     kStart,
                                                     {"buzz 5", "write", "buzz 7", "buzz 1"},
                                                     {2, 0, 0, 0, 0, 1},
                                                     kStart},
                                           WriteCase{"T5577WithLockAndAdvance",
                                                     false,
                                                     true,
                                                     true,
                                                     true,
                                                     {"018", "0878082202", "000", "00001"},
                                                     {"buzz 4", "write", "buzz 6", "buzz 1"},
                                                     {0, 0x12, 0x34, 0x56, 0x78, 0x9A},
                                                     {"018", "0878082203", "000", "00001"}},
                                           WriteCase{
                                               "EightDigitIgnoresTheTenDigitFieldEvenWithLetters",
                                               true,
                                               false,
                                               false,
                                               false,
                                               {"001", "not a number", "086", "30874"},
                                               {"buzz 5", "write", "buzz 1"},
                                               {2, 1, 0, 0x56, 0x78, 0x9A},
                                               {"001", "not a number", "086", "30874"}},
                                           WriteCase{"EightDigitStartValues",
                                                     false,
                                                     false,
                                                     false,
                                                     false,
                                                     {"000", "000", "000", "00001"},
                                                     {"buzz 4", "write", "buzz 1"},
                                                     {0, 0, 0, 0, 0, 1},
                                                     {"000", "000", "000", "00001"}},
                                           WriteCase{"LenientTexts",
                                                     false,
                                                     true,
                                                     false,
                                                     false,
                                                     {" 1 2", "１２３４５", "x", "y"},
                                                     {"buzz 4", "write", "buzz 1"},
                                                     {0, 12, 0, 0, 0x30, 0x39},
                                                     {" 1 2", "１２３４５", "x", "y"}},
                                           WriteCase{"BlankFieldsAreZero",
                                                     false,
                                                     true,
                                                     true,
                                                     false,
                                                     {"", "", "", ""},
                                                     {"buzz 4", "write", "buzz 1"},
                                                     {0, 0, 0, 0, 0, 0},
                                                     {"", "0000000001", "", ""}}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(WriteCommand, ABatchWritesConsecutiveNumbers) {
    FakeSource source;
    FakePanel panel;
    panel.add1 = true;

    for (int press = 0; press < 3; ++press) {
        static_cast<void>(cmdIDWrite_Click(panel, source));
    }

    std::vector<std::uint8_t> lastBytes;
    for (const auto& call : source.device.calls) {
        if (call.op == Op::Write) {
            lastBytes.push_back(call.shortOnEntry.bytes[5]);
        }
    }
    EXPECT_EQ(lastBytes, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(panel.texts[Field::B3B0], "0000000004");
}

TEST(WriteCommand, EachRunGetsFreshZeroedBuffers) {
    FakeSource source;
    source.device.onAnyCall = [](reader::LongBuffer& l) { l.bytes.fill(0xCC); };
    FakePanel panel;

    static_cast<void>(cmdIDWrite_Click(panel, source));
    static_cast<void>(cmdIDWrite_Click(panel, source));

    const auto& secondAnnouncement = source.device.calls.at(3);
    ASSERT_EQ(secondAnnouncement.code, ControlCode::SelectT5577);
    EXPECT_TRUE(std::all_of(secondAnnouncement.longOnEntry.bytes.begin(),
                            secondAnnouncement.longOnEntry.bytes.end(),
                            [](auto b) { return b == 0; }));
}

TEST(WriteCommand, TheLongBufferTravelsUnchangedFromCallToCall) {
    FakeSource source;
    std::uint8_t stamp = 0;
    source.device.onAnyCall = [&stamp](reader::LongBuffer& l) { l.bytes[200] = ++stamp; };
    FakePanel panel;
    panel.lock = true;

    static_cast<void>(cmdIDWrite_Click(panel, source));

    const auto& calls = source.device.calls;
    ASSERT_EQ(calls.size(), 4U);
    for (std::size_t i = 1; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].longOnEntry.bytes[200], i);
    }
}

TEST(WriteCommand, RefusedWriteAdvancesNothingLocksNothingAndDoesNotBeep) {
    for (const bool em4305 : {false, true}) {
        FakeSource source;
        source.device.writeStatus = 1;
        FakePanel panel;
        panel.em4305 = em4305;
        panel.add1 = true;
        panel.lock = true;

        const auto outcome = cmdIDWrite_Click(panel, source);

        EXPECT_EQ(outcome.result, WriteOutcome::Result::NotWritten);
        EXPECT_EQ(outcome.writeStatus, 1);
        EXPECT_FALSE(outcome.advanced);
        EXPECT_EQ(sequence(source),
                  (std::vector<std::string>{em4305 ? "buzz 5" : "buzz 4", "write"}));
        EXPECT_EQ(panel.texts[Field::B3B0], "0000000001");
        EXPECT_TRUE(panel.setOrder.empty());
        const std::string message = commands::describeWrite(outcome);
        EXPECT_NE(message.find("未写卡"), std::string::npos) << message;
        EXPECT_NE(message.find("号码未加一"), std::string::npos) << message;
    }
}

TEST(WriteCommand, RefusedLockStillAdvancesButDoesNotBeepAndSaysTheTagIsUnprotected) {
    FakeSource source;
    source.device.buzzerStatus = [](ControlCode code) {
        return code == ControlCode::LockEM4305 ? 9 : 0;
    };
    FakePanel panel;
    panel.em4305 = true;
    panel.add1 = true;
    panel.lock = true;

    const auto outcome = cmdIDWrite_Click(panel, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::WrittenNotLocked);
    EXPECT_EQ(outcome.lockStatus, 9);
    EXPECT_EQ(sequence(source), (std::vector<std::string>{"buzz 5", "write", "buzz 7"}));
    EXPECT_EQ(panel.texts[Field::B3B0], "0000000002");
    const std::string message = commands::describeWrite(outcome);
    EXPECT_NE(message.find("未能保护"), std::string::npos) << message;
    EXPECT_NE(message.find("未受保护"), std::string::npos) << message;
}

TEST(WriteCommand, AnnouncementStatusIsNotLookedAt) {
    FakeSource source;
    source.device.buzzerStatus = [](ControlCode code) {
        return code == ControlCode::SelectT5577 ? -5 : 0;
    };
    FakePanel panel;

    const auto outcome = cmdIDWrite_Click(panel, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::Written);
    EXPECT_EQ(sequence(source), (std::vector<std::string>{"buzz 4", "write", "buzz 1"}));
}

TEST(WriteCommand, AdvancesFromTheNumberWrittenNotFromAFractionalText) {
    FakeSource source;
    FakePanel panel;
    panel.add1 = true;
    panel.texts[Field::B3B0] = "1.5";  // B0 rounds half to even: the tag gets 2

    static_cast<void>(cmdIDWrite_Click(panel, source));
    EXPECT_EQ(panel.texts[Field::B3B0], "0000000003");
    static_cast<void>(cmdIDWrite_Click(panel, source));

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
    FakePanel panel;
    panel.wg34 = param.wg34;
    panel.add1 = true;
    panel.lock = true;
    panel.texts = {{Field::B4, param.texts[0]},
                   {Field::B3B0, param.texts[1]},
                   {Field::B2, param.texts[2]},
                   {Field::B1B0, param.texts[3]}};
    const auto before = panel.texts;

    const auto outcome = cmdIDWrite_Click(panel, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::OutOfRange);
    ASSERT_TRUE(outcome.invalidField.has_value());
    EXPECT_EQ(*outcome.invalidField, param.invalid);
    EXPECT_EQ(sequence(source), (std::vector<std::string>{"buzz 4"}));
    EXPECT_EQ(panel.texts, before);
    const std::string message = commands::describeWrite(outcome);
    EXPECT_NE(message.find(commands::fieldName(param.invalid)), std::string::npos) << message;
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
    FakePanel panel;
    panel.add1 = true;

    const auto outcome = cmdIDWrite_Click(panel, source);

    EXPECT_EQ(outcome.result, WriteOutcome::Result::ReaderUnavailable);
    EXPECT_TRUE(source.device.calls.empty());
    EXPECT_TRUE(panel.setOrder.empty());
    EXPECT_NE(commands::describeWrite(outcome).find("/x/libMF1.so"), std::string::npos);
}

TEST(WriteCommand, SuccessSaysTheNumberInBothNotationsAndHex) {
    FakeSource source;
    FakePanel panel;
    panel.texts[Field::B4] = "18";
    panel.texts[Field::B3B0] = "878082202";
    panel.lock = true;

    const auto outcome = cmdIDWrite_Click(panel, source);

    const std::string message = commands::describeWrite(outcome);
    for (const char* part :
         {"0878082202 / 086,30874 / 12\u00A034\u00A056\u00A078\u00A09A", "已写卡并保护"}) {
        EXPECT_NE(message.find(part), std::string::npos) << message << " lacks " << part;
    }
}

}  // namespace
