#include "commands/read_command.h"
#include "support/fake_window.h"
#include "support/recording_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

namespace {

using card::Field;
using commands::ReadOutcome;
using testing_support::FakeSource;
using testing_support::FakeWindow;
using testing_support::pressRead;
using testing_support::RecordedCall;

// Makes the fake reader answer with this tag number, in the reply layout.
void answerWith(FakeSource& source, std::array<std::uint8_t, 5> number) {
    source.device.onGetsnr = [number](reader::ShortBuffer& s, reader::LongBuffer& l) {
        s.bytes[0] = number[0];
        std::copy(number.begin() + 1, number.end(), l.bytes.begin());
    };
}

std::map<Field, std::string> fieldsOf(const FakeWindow& window) {
    return window.texts;
}

struct ReadCase {
    const char* name;
    std::array<std::uint8_t, 5> number;
    std::array<const char*, 4> texts;  // B4, B3B0, B2, B1B0

    friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
};

class ReadShowsNumber : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadShowsNumber, InAllFourFieldsAndBeepsOnce) {
    const auto& param = GetParam();
    FakeSource source;
    answerWith(source, param.number);
    FakeWindow window;

    const ReadOutcome outcome = pressRead(window, source);

    EXPECT_EQ(outcome.result, ReadOutcome::Result::Read);
    EXPECT_EQ(
        outcome.tag,
        (card::CardNumber{param.number[0],
                          {param.number[1], param.number[2], param.number[3], param.number[4]}}));
    EXPECT_EQ(window.texts[Field::B4], param.texts[0]);
    EXPECT_EQ(window.texts[Field::B3B0], param.texts[1]);
    EXPECT_EQ(window.texts[Field::B2], param.texts[2]);
    EXPECT_EQ(window.texts[Field::B1B0], param.texts[3]);

    const auto& calls = source.device.calls;
    ASSERT_EQ(calls.size(), 2U);
    EXPECT_EQ(calls[0].op, RecordedCall::Op::Getsnr);
    EXPECT_EQ(calls[1].op, RecordedCall::Op::ControlBuzzer);
    EXPECT_EQ(calls[1].code, reader::ControlCode::Beep);
    // The beep gets the same long buffer, with the reply still in it.
    EXPECT_EQ(calls[1].longAddress, calls[0].longAddress);
    EXPECT_EQ(calls[1].longOnEntry.bytes[0], param.number[1]);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ReadShowsNumber,
    ::testing::Values(
        ReadCase{"One", {0, 0, 0, 0, 1}, {"000", "0000000001", "000", "00001"}},
        ReadCase{"AllOnes", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {"255", "4294967295", "255", "65535"}},
        ReadCase{"Zero", {0, 0, 0, 0, 0}, {"000", "0000000000", "000", "00000"}},
        ReadCase{"Mixed", {0x12, 0x34, 0x56, 0x78, 0x9A}, {"018", "0878082202", "086", "30874"}},
        ReadCase{"B1Only", {0, 0, 0, 1, 0}, {"000", "0000000256", "000", "00256"}},
        ReadCase{"B2Only", {0, 0, 1, 0, 0}, {"000", "0000065536", "001", "00000"}},
        ReadCase{"B3Only", {0, 1, 0, 0, 0}, {"000", "0016777216", "000", "00000"}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(ReadCommand, CallsGetsnrWithFreshZeroedBuffers) {
    FakeSource source;
    answerWith(source, {1, 2, 3, 4, 5});
    FakeWindow window;

    static_cast<void>(pressRead(window, source));
    // A library that scribbles everywhere must not leak into the next command's buffers.
    source.device.onGetsnr = [](reader::ShortBuffer& s, reader::LongBuffer& l) {
        s.bytes.fill(0xEE);
        l.bytes.fill(0xEE);
    };
    static_cast<void>(pressRead(window, source));

    const auto& calls = source.device.calls;
    ASSERT_EQ(calls.size(), 4U);
    for (const auto& call : {calls[0], calls[2]}) {
        ASSERT_EQ(call.op, RecordedCall::Op::Getsnr);
        EXPECT_TRUE(std::all_of(call.shortOnEntry.bytes.begin(), call.shortOnEntry.bytes.end(),
                                [](auto b) { return b == 0; }));
        EXPECT_TRUE(std::all_of(call.longOnEntry.bytes.begin(), call.longOnEntry.bytes.end(),
                                [](auto b) { return b == 0; }));
    }
}

TEST(ReadCommand, IgnoresReplyBytesBeyondTheLayout) {
    FakeSource source;
    source.device.onGetsnr = [](reader::ShortBuffer& s, reader::LongBuffer& l) {
        s.bytes.fill(0xA5);
        l.bytes.fill(0x5A);
        s.bytes[0] = 0x12;
        l.bytes[0] = 0x34;
        l.bytes[1] = 0x56;
        l.bytes[2] = 0x78;
        l.bytes[3] = 0x9A;
    };
    FakeWindow window;

    const auto outcome = pressRead(window, source);

    EXPECT_EQ(outcome.tag, (card::CardNumber{0x12, {0x34, 0x56, 0x78, 0x9A}}));
    EXPECT_EQ(window.texts[Field::B4], "018");
    EXPECT_EQ(window.texts[Field::B3B0], "0878082202");
    EXPECT_EQ(window.texts[Field::B2], "086");
    EXPECT_EQ(window.texts[Field::B1B0], "30874");
}

TEST(ReadCommand, NoTagShowsFullWidthZerosWithoutBeepAndIgnoresWhateverTheReplyHolds) {
    FakeSource source;
    source.device.getsnrStatus = -1;
    source.device.onGetsnr = [](reader::ShortBuffer& s, reader::LongBuffer& l) {
        s.bytes.fill(0x77);
        l.bytes.fill(0x77);
    };
    FakeWindow window;
    window.texts[Field::B3B0] = "4294967295";

    const auto outcome = pressRead(window, source);

    EXPECT_EQ(outcome.result, ReadOutcome::Result::NoTag);
    EXPECT_EQ(outcome.status, -1);
    EXPECT_EQ(fieldsOf(window), (std::map<Field, std::string>{{Field::B4, "000"},
                                                              {Field::B3B0, "0000000000"},
                                                              {Field::B2, "000"},
                                                              {Field::B1B0, "00000"}}));
    ASSERT_EQ(source.device.calls.size(), 1U);
    EXPECT_EQ(source.device.calls[0].op, RecordedCall::Op::Getsnr);
}

TEST(ReadCommand, OverwritesFieldsTheUserEditedAndLeavesOptionsAlone) {
    for (const reader::Status status : {reader::kSuccess, 3}) {
        FakeSource source;
        source.device.getsnrStatus = status;
        answerWith(source, {0, 0, 0, 0, 7});
        FakeWindow window;
        window.texts = {
            {Field::B4, ""}, {Field::B3B0, "abc"}, {Field::B2, "  "}, {Field::B1B0, "１２"}};
        window.wg34 = false;
        window.em4305 = true;
        window.add1 = true;
        window.lock = true;

        static_cast<void>(pressRead(window, source));

        const bool read = status == reader::kSuccess;
        EXPECT_EQ(window.texts[Field::B4], "000");
        EXPECT_EQ(window.texts[Field::B3B0], read ? "0000000007" : "0000000000");
        EXPECT_EQ(window.texts[Field::B2], "000");
        EXPECT_EQ(window.texts[Field::B1B0], read ? "00007" : "00000");
        EXPECT_FALSE(window.wg34);
        EXPECT_TRUE(window.em4305);
        EXPECT_TRUE(window.add1);
        EXPECT_TRUE(window.lock);
    }
}

TEST(ReadCommand, ReadThenNoTagClearsToZeros) {
    FakeSource source;
    answerWith(source, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    FakeWindow window;
    static_cast<void>(pressRead(window, source));
    ASSERT_EQ(window.texts[Field::B3B0], "4294967295");

    source.device.getsnrStatus = 1;
    source.device.onGetsnr = nullptr;
    static_cast<void>(pressRead(window, source));
    static_cast<void>(pressRead(window, source));

    EXPECT_EQ(window.texts[Field::B4], "000");
    EXPECT_EQ(window.texts[Field::B3B0], "0000000000");
    EXPECT_EQ(window.texts[Field::B2], "000");
    EXPECT_EQ(window.texts[Field::B1B0], "00000");
}

TEST(ReadCommand, ABeepThatThrowsLeavesTheNumberReadInTheFields) {
    FakeSource source;
    answerWith(source, {0, 0, 0, 0, 7});
    source.device.throwingCall = 1;
    FakeWindow window;

    const auto outcome = pressRead(window, source);

    EXPECT_EQ(outcome.result, ReadOutcome::Result::ReaderFault);
    EXPECT_EQ(window.texts[Field::B3B0], "0000000007");
    EXPECT_EQ(window.texts[Field::B1B0], "00007");
}

TEST(ReadCommand, UnavailableReaderChangesNothingAndReportsWhy) {
    FakeSource source;
    source.failure = reader::LoadError{
        reader::LoadError::Kind::EntryPointMissing, "/opt/zeld/libMF1.so", "MF_Write", {}};
    FakeWindow window;
    window.texts[Field::B3B0] = "typed";

    const auto outcome = pressRead(window, source);

    EXPECT_EQ(outcome.result, ReadOutcome::Result::ReaderUnavailable);
    ASSERT_TRUE(outcome.loadError.has_value());
    EXPECT_EQ(outcome.loadError->detail, "MF_Write");
    EXPECT_EQ(window.texts[Field::B3B0], "typed");
    EXPECT_TRUE(window.setOrder.empty());
    EXPECT_TRUE(source.device.calls.empty());
}

}  // namespace
