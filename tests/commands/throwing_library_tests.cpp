// A reader library that throws across its C interface: each command stops and says so.
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "reader/library_location.h"
#include "reader/reader_source.h"
#include "words/outcome_text.h"

#include "platform/program_location.h"
#include "support/fake_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

reader::LazyReaderLibrary throwingLibrary() {
    // Named like the platform's reader library: libMF1_throwing.so, libMF1_throwing.dll.
    const auto extension = std::filesystem::path(reader::readerLibraryFileName()).extension();
    return reader::LazyReaderLibrary(*platform::executableFolder() /
                                     ("libMF1_throwing" + extension.string()));
}

TEST(ThrowingLibrary, ReadStopsWithAReaderFaultInWordsAndLeavesTheFields) {
    auto source = throwingLibrary();
    testing_support::FakeWindow window;
    const auto before = window.texts;
    const auto outcome = testing_support::pressRead(window, source);
    ASSERT_EQ(outcome.result, commands::ReadOutcome::Result::ReaderFault);
    EXPECT_EQ(outcome.fault->entryPoint, "MF_Getsnr");
    EXPECT_EQ(window.texts, before);
    const std::string text = words::describeRead(outcome);
    EXPECT_NE(text.find("MF_Getsnr"), std::string::npos) << text;
    // The library's own words, cut to what the status line holds.
    EXPECT_NE(text.find("（USB device v…）"), std::string::npos) << text;
}

TEST(ThrowingLibrary, WriteStopsAtTheFirstCallWithAReaderFaultInWords) {
    auto source = throwingLibrary();
    testing_support::FakeWindow window;
    window.add1 = true;
    const auto before = window.texts;
    const auto outcome = testing_support::pressWrite(window, source);
    ASSERT_EQ(outcome.result, commands::WriteOutcome::Result::ReaderFault);
    // The read before the write is its first call.
    EXPECT_EQ(outcome.fault->entryPoint, "MF_Getsnr");
    EXPECT_FALSE(outcome.advanced());
    EXPECT_EQ(window.texts, before);
    const std::string text = words::describeWrite(outcome);
    EXPECT_NE(text.find("MF_Getsnr"), std::string::npos) << text;
}

}  // namespace
