// The read command through the real loader and the emulated reader library.
#include "commands/read_command.h"
#include "reader/reader_source.h"
#include "support/emulator_control.h"
#include "support/fake_window.h"

#include <gtest/gtest.h>

namespace {

using card::Field;
using commands::ReadOutcome;

TEST(ReadEndToEnd, ReadsTheTagInTheFieldAndBeeps) {
    const testing_support::EmulatorControl field;
    reader::LazyReaderLibrary source;
    testing_support::FakeWindow window;

    field.placeTag({0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    const auto beepsBefore = field.beepCount();
    const auto outcome = testing_support::pressRead(window, source);

    EXPECT_EQ(outcome.result, ReadOutcome::Result::Read);
    EXPECT_EQ(window.texts[Field::B4], "255");
    EXPECT_EQ(window.texts[Field::B3B0], "4294967295");
    EXPECT_EQ(window.texts[Field::B2], "255");
    EXPECT_EQ(window.texts[Field::B1B0], "65535");
    EXPECT_EQ(field.beepCount(), beepsBefore + 1);
}

TEST(ReadEndToEnd, EmptyFieldShowsZerosWithoutBeep) {
    const testing_support::EmulatorControl field;
    reader::LazyReaderLibrary source;
    testing_support::FakeWindow window;

    field.removeTag();
    const auto beepsBefore = field.beepCount();
    const auto outcome = testing_support::pressRead(window, source);

    EXPECT_EQ(outcome.result, ReadOutcome::Result::NoTag);
    EXPECT_NE(outcome.status, reader::kSuccess);
    EXPECT_EQ(window.texts[Field::B4], "000");
    EXPECT_EQ(window.texts[Field::B3B0], "0000000000");
    EXPECT_EQ(window.texts[Field::B2], "000");
    EXPECT_EQ(window.texts[Field::B1B0], "00000");
    EXPECT_EQ(field.beepCount(), beepsBefore);
}

}  // namespace
