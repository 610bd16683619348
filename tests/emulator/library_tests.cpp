// The emulated reader library as the program uses it: loaded from beside the executable by the
// real loader, and called through its three entry points.
#include "emulator/environment.h"
#include "emulator/field_store.h"
#include "emulator/status_codes.h"
#include "platform/shared_library.h"
#include "reader/library_location.h"
#include "reader/reader_library.h"
#include "support/emulator_control.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <thread>
#include <utility>

namespace {

using emulator::Status;
using reader::ControlCode;
using testing_support::EmulatorControl;
using Number = EmulatorControl::Number;

class EmulatedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        const auto path = reader::defaultReaderLibraryPath();
        ASSERT_TRUE(path) << path.error();
        auto loaded = reader::ReaderLibrary::load(*path);
        ASSERT_TRUE(loaded) << loaded.error().detail;
        library_.emplace(std::move(*loaded));
    }

    reader::ReaderLibrary& library() { return *library_; }

    Status read(Number& number) {
        reader::ShortBuffer shortBuffer;
        reader::LongBuffer longBuffer;
        const auto status = library().MF_Getsnr(shortBuffer, longBuffer);
        number = {shortBuffer.bytes[0], longBuffer.bytes[0], longBuffer.bytes[1],
                  longBuffer.bytes[2], longBuffer.bytes[3]};
        return static_cast<Status>(status);
    }

    Status control(ControlCode code) {
        reader::LongBuffer longBuffer;
        return static_cast<Status>(library().ControlBuzzer(code, longBuffer));
    }

    Status write(std::uint8_t chipCode, const Number& number) {
        reader::ShortBuffer shortBuffer;
        reader::LongBuffer longBuffer;
        // Spelled out, so that the library and the program cannot share a wrong byte position.
        shortBuffer.bytes = {chipCode,         number.b4,        number.number.b3,
                             number.number.b2, number.number.b1, number.number.b0};
        return static_cast<Status>(library().MF_Write(shortBuffer, longBuffer));
    }

    // The write command's calls: select, write, lock if asked.
    Status writeAsTheProgramDoes(reader::TagChip chip, const Number& number, bool lock = false) {
        EXPECT_EQ(control(reader::selectCode(chip)), Status::Ok);
        const Status written = write(reader::chipCode(chip), number);
        if (lock) {
            EXPECT_EQ(control(reader::lockCode(chip)), Status::Ok);
        }
        return written;
    }

    const EmulatorControl field_;

private:
    std::optional<reader::ReaderLibrary> library_;
};

TEST_F(EmulatedLibrary, IsTheEmulatedReader) {
    EXPECT_TRUE(library().isEmulated());
}

TEST_F(EmulatedLibrary, ReadFillsOnlyTheReplyBytes) {
    field_.placeTag({0x12, 0x34, 0x56, 0x78, 0x9A});
    reader::ShortBuffer shortBuffer;
    reader::LongBuffer longBuffer;
    shortBuffer.bytes.fill(0xEE);
    longBuffer.bytes.fill(0xEE);

    ASSERT_EQ(library().MF_Getsnr(shortBuffer, longBuffer), 0);

    reader::ShortBuffer expectedShort;
    reader::LongBuffer expectedLong;
    expectedShort.bytes.fill(0xEE);
    expectedLong.bytes.fill(0xEE);
    expectedShort.bytes[0] = 0x12;
    expectedLong.bytes[0] = 0x34;
    expectedLong.bytes[1] = 0x56;
    expectedLong.bytes[2] = 0x78;
    expectedLong.bytes[3] = 0x9A;
    EXPECT_EQ(shortBuffer.bytes, expectedShort.bytes);
    EXPECT_EQ(longBuffer.bytes, expectedLong.bytes);
}

TEST_F(EmulatedLibrary, AFailedReadLeavesTheBuffersAlone) {
    for (const bool blankTag : {false, true}) {
        if (blankTag) {
            field_.placeEmptyTag(EmulatorControl::TagKind::T5577);
        } else {
            field_.removeTag();
        }
        reader::ShortBuffer shortBuffer;
        reader::LongBuffer longBuffer;
        shortBuffer.bytes.fill(0xEE);
        longBuffer.bytes.fill(0xEE);
        const auto status = library().MF_Getsnr(shortBuffer, longBuffer);
        EXPECT_EQ(status, blankTag ? emulator::toInt(Status::NoValidFrame)
                                   : emulator::toInt(Status::NoTag));
        for (const auto byte : shortBuffer.bytes)
            EXPECT_EQ(byte, 0xEE);
        for (const auto byte : longBuffer.bytes)
            EXPECT_EQ(byte, 0xEE);
    }
}

TEST_F(EmulatedLibrary, ANumberPlacedAloneIsOnAWritableT5577) {
    field_.placeTag({0, 0, 0, 0, 1});
    ASSERT_TRUE(field_.tag().has_value());
    EXPECT_EQ(emulator::kindOf(*field_.tag()), emulator::TagKind::T5577);
    EXPECT_EQ(writeAsTheProgramDoes(reader::TagChip::T5577, {0, 0, 0, 0, 2}), Status::Ok);
}

class WriteThenReadThroughTheLibrary : public EmulatedLibrary,
                                       public ::testing::WithParamInterface<reader::TagChip> {};

TEST_P(WriteThenReadThroughTheLibrary, ReadsBackExtremeNumbers) {
    const auto kind = GetParam() == reader::TagChip::T5577 ? EmulatorControl::TagKind::T5577
                                                           : EmulatorControl::TagKind::EM4305;
    const Number numbers[] = {{0, 0, 0, 0, 0},    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                              {0, 0, 0, 0, 1},    {0, 0xFF, 0xFF, 0xFF, 0xFF},
                              {0xFF, 0, 0, 0, 0}, {0x80, 0x00, 0x00, 0x00, 0x01}};
    field_.placeEmptyTag(kind);
    for (const auto& number : numbers) {
        ASSERT_EQ(writeAsTheProgramDoes(GetParam(), number), Status::Ok);
        Number read{};
        ASSERT_EQ(this->read(read), Status::Ok);
        EXPECT_EQ(read, number);
        EXPECT_EQ(field_.tagNumber(), number);
    }
}

TEST_P(WriteThenReadThroughTheLibrary, LockingIsPermanent) {
    const auto kind = GetParam() == reader::TagChip::T5577 ? EmulatorControl::TagKind::T5577
                                                           : EmulatorControl::TagKind::EM4305;
    field_.placeEmptyTag(kind);
    ASSERT_EQ(writeAsTheProgramDoes(GetParam(), {0, 0, 0, 0, 41}, true), Status::Ok);
    EXPECT_TRUE(field_.isLocked());
    EXPECT_EQ(writeAsTheProgramDoes(GetParam(), {0, 0, 0, 0, 42}), Status::TargetLocked);
    Number read{};
    ASSERT_EQ(this->read(read), Status::Ok);
    EXPECT_EQ(read, (Number{0, 0, 0, 0, 41}));
}

INSTANTIATE_TEST_SUITE_P(BothChips, WriteThenReadThroughTheLibrary,
                         ::testing::Values(reader::TagChip::T5577, reader::TagChip::EM4305));

struct CallFailure {
    const char* name;
    std::function<void(const EmulatorControl&)> arrange;
    reader::TagChip chip;
    Status write;  // MF_Write's status after the chip's selection
    Status lock;   // the chip's lock code afterwards

    friend void PrintTo(const CallFailure& c, std::ostream* os) { *os << c.name; }
};

class FailingWrite : public EmulatedLibrary, public ::testing::WithParamInterface<CallFailure> {};

TEST_P(FailingWrite, ReportsItsCauseAndTheLockFailsToo) {
    const auto& c = GetParam();
    c.arrange(field_);
    const auto before = field_.tag();
    EXPECT_EQ(control(reader::selectCode(c.chip)), Status::Ok);
    EXPECT_EQ(write(reader::chipCode(c.chip), {9, 8, 7, 6, 5}), c.write);
    EXPECT_EQ(control(reader::lockCode(c.chip)), c.lock);
    EXPECT_EQ(field_.tag(), before);
}

using Kind = EmulatorControl::TagKind;
INSTANTIATE_TEST_SUITE_P(
    EachCause, FailingWrite,
    ::testing::Values(CallFailure{"NoTag", [](const EmulatorControl& f) { f.removeTag(); },
                                  reader::TagChip::T5577, Status::NoTag, Status::NoTag},
                      CallFailure{"Em4305AtAT5577Write",
                                  [](const EmulatorControl& f) { f.placeEmptyTag(Kind::EM4305); },
                                  reader::TagChip::T5577, Status::WrongChip, Status::WrongChip},
                      CallFailure{"T5577AtAnEm4305Write",
                                  [](const EmulatorControl& f) { f.placeEmptyTag(Kind::T5577); },
                                  reader::TagChip::EM4305, Status::WrongChip, Status::WrongChip},
                      CallFailure{"ReadOnlyTag",
                                  [](const EmulatorControl& f) {
                                      f.placeTag(Kind::EM4100, {1, 2, 3, 4, 5});
                                  },
                                  reader::TagChip::EM4305, Status::ReadOnlyTag,
                                  Status::ReadOnlyTag},
                      CallFailure{"PasswordLockedT5577",
                                  [](const EmulatorControl& f) { f.placePasswordLockedT5577(); },
                                  reader::TagChip::T5577, Status::PasswordProtected,
                                  Status::PasswordProtected}));

TEST_F(EmulatedLibrary, AWriteBeforeAnySelectionOrForAnotherChipFails) {
    field_.placeEmptyTag(Kind::T5577);
    EXPECT_EQ(write(0, {0, 0, 0, 0, 1}), Status::ChipNotSelected);
    EXPECT_EQ(control(ControlCode::SelectEM4305), Status::Ok);
    EXPECT_EQ(write(0, {0, 0, 0, 0, 1}), Status::ChipCodeMismatch);
    EXPECT_EQ(write(7, {0, 0, 0, 0, 1}), Status::UnknownChipCode);
    EXPECT_EQ(field_.tag(), emulator::Tag{emulator::blankT5577()});
    EXPECT_EQ(field_.selectedChip(), emulator::Chip::EM4305);
}

TEST_F(EmulatedLibrary, BeepsAreCountedInTheField) {
    EXPECT_EQ(field_.beepCount(), 0U);
    EXPECT_EQ(control(ControlCode::Beep), Status::Ok);
    EXPECT_EQ(control(ControlCode::Beep), Status::Ok);
    EXPECT_EQ(field_.beepCount(), 2U);
}

TEST_F(EmulatedLibrary, UnknownControlCodesFail) {
    reader::LongBuffer longBuffer;
    for (const int code : {0, 2, 3, 8, 200}) {
        EXPECT_EQ(library().ControlBuzzer(static_cast<ControlCode>(code), longBuffer),
                  emulator::toInt(Status::UnknownControlCode))
            << code;
    }
    EXPECT_EQ(field_.beepCount(), 0U);
}

TEST_F(EmulatedLibrary, ADamagedFieldFileFailsEveryCallAndIsLeftAlone) {
    const std::string damaged = "zeld-emulated-field 1\nbeeps lots\n";
    {
        std::ofstream out(field_.fieldFile(), std::ios::binary);
        out << damaged;
    }
    Number number{};
    EXPECT_EQ(read(number), Status::FieldFileDamaged);
    EXPECT_EQ(write(0, {0, 0, 0, 0, 1}), Status::FieldFileDamaged);
    for (const auto code : {ControlCode::Beep, ControlCode::SelectT5577, ControlCode::SelectEM4305,
                            ControlCode::LockT5577, ControlCode::LockEM4305}) {
        EXPECT_EQ(control(code), Status::FieldFileDamaged);
    }
    std::ifstream in(field_.fieldFile(), std::ios::binary);
    const std::string after{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(after, damaged);
}

TEST_F(EmulatedLibrary, AnUnusableFieldFileHasItsOwnStatus) {
    std::filesystem::create_directories(field_.fieldFile());
    Number number{};
    EXPECT_EQ(read(number), Status::FieldFileUnavailable);
    EXPECT_EQ(control(ControlCode::Beep), Status::FieldFileUnavailable);
    std::filesystem::remove(field_.fieldFile());
}

TEST_F(EmulatedLibrary, NullBuffersAreRefused) {
    const auto opened = platform::SharedLibrary::open(*reader::defaultReaderLibraryPath());
    ASSERT_TRUE(opened) << opened.error();
    auto* getSnr = reinterpret_cast<reader::MF_GetsnrFn>(  // NOLINT(*-reinterpret-cast)
        opened->symbol("MF_Getsnr"));
    ASSERT_NE(getSnr, nullptr);
    auto* write = reinterpret_cast<reader::MF_WriteFn>(  // NOLINT(*-reinterpret-cast)
        opened->symbol("MF_Write"));
    ASSERT_NE(write, nullptr);
    field_.placeTag({1, 2, 3, 4, 5});
    const auto before = field_.state();
    reader::ShortBuffer shortBuffer;
    reader::LongBuffer longBuffer;
    EXPECT_EQ(getSnr(0, 0, nullptr, longBuffer.bytes.data()), emulator::toInt(Status::NullBuffer));
    EXPECT_EQ(getSnr(0, 0, shortBuffer.bytes.data(), nullptr), emulator::toInt(Status::NullBuffer));
    EXPECT_EQ(write(0, 1, 1, nullptr, longBuffer.bytes.data()),
              emulator::toInt(Status::NullBuffer));
    EXPECT_EQ(field_.state(), before);
}

TEST_F(EmulatedLibrary, FollowsTheFieldVariableOnEveryCall) {
    field_.placeTag({0, 0, 0, 0, 1});
    {
        const EmulatorControl other;  // points the variable at a field of its own
        other.placeTag({0, 0, 0, 0, 2});
        Number number{};
        ASSERT_EQ(read(number), Status::Ok);
        EXPECT_EQ(number, (Number{0, 0, 0, 0, 2}));
    }
    Number number{};
    ASSERT_EQ(read(number), Status::Ok);
    EXPECT_EQ(number, (Number{0, 0, 0, 0, 1}));
}

// The emulated reader at the real pace for as long as it lives.
class RealPace {
public:
    RealPace() { set("real"); }
    ~RealPace() { set(""); }
    RealPace(const RealPace&) = delete;
    RealPace& operator=(const RealPace&) = delete;
    RealPace(RealPace&&) = delete;
    RealPace& operator=(RealPace&&) = delete;

private:
    static void set(const char* value) {
#if defined(_WIN32)
        _putenv_s("MF1_EMULATOR_TIMING", value);  // an empty value removes it
#else
        if (*value != '\0') {
            setenv("MF1_EMULATOR_TIMING", value, 1);  // NOLINT(concurrency-mt-unsafe)
        } else {
            unsetenv("MF1_EMULATOR_TIMING");  // NOLINT(concurrency-mt-unsafe)
        }
#endif
    }
};

TEST_F(EmulatedLibrary, AtTheRealPaceATagLaidWhileAReadListensIsHeardByThatRead) {
    const RealPace pace;
    std::thread hand([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        field_.placeTag({0, 0, 0, 0, 3});
    });
    Number number{};
    const Status status = read(number);
    hand.join();
    EXPECT_EQ(status, Status::Ok);
    EXPECT_EQ(number, (Number{0, 0, 0, 0, 3}));
}

TEST(EmulatorControlFields, AreRemovedWithTheControlAndDifferPerInstance) {
    std::filesystem::path first;
    {
        const EmulatorControl control;
        first = control.fieldFile();
        control.placeTag({1, 2, 3, 4, 5});
        EXPECT_TRUE(std::filesystem::exists(first));
        EXPECT_EQ(emulator::environmentPath("MF1_EMULATOR_FIELD"), first);
        const EmulatorControl second;
        EXPECT_NE(second.fieldFile(), first);
        EXPECT_EQ(second.tag(), std::nullopt);
    }
    EXPECT_FALSE(std::filesystem::exists(first));
}

}  // namespace
