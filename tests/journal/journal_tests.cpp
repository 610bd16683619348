// The journal of written tags as a file: its bytes, a torn last line, the user's data folder.
#include "journal/journal.h"
#include "journal/journal_line.h"
#include "support/data_folder.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <regex>

namespace {

using commands::JournalEntry;
using namespace std::chrono_literals;

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

JournalEntry verifiedWrite(card::TagNumber number, bool locked = false) {
    return JournalEntry{locked ? "已写卡并加锁" : "已写卡",
                        true,
                        number,
                        reader::TagChip::T5577,
                        locked,
                        std::nullopt};
}

const std::chrono::system_clock::time_point kMoment{1714543402s};  // 2024-05-01T06:03:22Z

TEST(Journal, AFreshJournalHasTheMarkTheHeaderAndOneLinePerWrite) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "zeld" / "written-tags.csv";
    journal::Journal journal(file, [] { return kMoment; });
    const std::string time = journal::isoLocalTime(kMoment);

    ASSERT_EQ(journal.append(JournalEntry{
                  "已写卡并加锁", true, card::TagNumber{0x00, {0x12, 0xD6, 0x87, 0xAB}},
                  reader::TagChip::EM4305, true, card::TagNumber{0x01, {0x00, 0x00, 0x03, 0xE8}}}),
              std::nullopt);
    ASSERT_EQ(journal.append(JournalEntry{"写卡失败（状态 7）", false,
                                          card::TagNumber{0xFF, {0xFF, 0xFF, 0xFF, 0xFF}},
                                          reader::TagChip::T5577, false, std::nullopt}),
              std::nullopt);
    // Whether a write counts is the 核对 column's to say, not its result's wording.
    ASSERT_EQ(journal.append(JournalEntry{"已写卡？", false, card::TagNumber{0, {0, 0, 0, 9}},
                                          reader::TagChip::T5577, false, std::nullopt}),
              std::nullopt);

    EXPECT_EQ(
        fileText(file),
        "\xEF\xBB\xBF时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护,核对,原卡号\r\n" +
            time +
            ",已写卡并加锁,0012D687AB,000,0316049323,\"214,34731\",EM4305,是,是,01000003E8\r\n" +
            time + ",写卡失败（状态 7）,FFFFFFFFFF,255,4294967295,\"255,65535\",T5577,否,否,\r\n" +
            time + ",已写卡？,0000000009,000,0000000009,\"000,00009\",T5577,否,否,\r\n");
    EXPECT_EQ(journal::csvField("a\"b,c"), "\"a\"\"b,c\"");

    const journal::Journal reopened(file);
    EXPECT_EQ(reopened.lastVerifiedWrite(card::TagNumber{0x00, {0x12, 0xD6, 0x87, 0xAB}}), time);
    EXPECT_EQ(reopened.lastVerifiedWrite(card::TagNumber{0xFF, {0xFF, 0xFF, 0xFF, 0xFF}}),
              std::nullopt);
    EXPECT_EQ(reopened.lastVerifiedWrite(card::TagNumber{0, {0, 0, 0, 9}}), std::nullopt);
    EXPECT_EQ(reopened.verifiedNumbers(), 1U);
}

struct Torn {
    const char* name;
    const char* cutLine;  // the last line as the power failure left it, without its line end
    friend void PrintTo(const Torn& c, std::ostream* os) { *os << c.name; }
};

class TornLastLine : public ::testing::TestWithParam<Torn> {};

TEST_P(TornLastLine, HidesNoLineBeforeItAndTheNextLineStartsOnItsOwn) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    const std::string before =
        "\xEF\xBB\xBF时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护\r\n"
        "2024-05-01T10:00:00+08:00,已写卡,0000000001,000,0000000001,\"000,00001\",T5577,否\r\n"
        "2024-05-01T10:00:05+08:00,已写卡并加锁,0000000002,000,0000000002,\"000,00002\",T5577,"
        "是\r\n" +
        std::string(GetParam().cutLine);
    writeFile(file, before);

    journal::Journal journal(file, [] { return kMoment; });
    EXPECT_EQ(journal.lastVerifiedWrite(card::TagNumber{0, {0, 0, 0, 1}}),
              "2024-05-01T10:00:00+08:00");
    EXPECT_EQ(journal.lastVerifiedWrite(card::TagNumber{0, {0, 0, 0, 2}}),
              "2024-05-01T10:00:05+08:00");
    EXPECT_EQ(journal.lastVerifiedWrite(card::TagNumber{0, {0, 0, 0, 3}}), std::nullopt);

    ASSERT_EQ(journal.append(verifiedWrite(card::TagNumber{0, {0, 0, 0, 4}})), std::nullopt);

    const std::string after = fileText(file);
    ASSERT_EQ(after.substr(0, before.size()), before);  // nothing before it rewritten
    EXPECT_EQ(after.substr(before.size()),
              "\r\n" + journal::isoLocalTime(kMoment) +
                  ",已写卡,0000000004,000,0000000004,\"000,00004\",T5577,否,是,\r\n");
    const journal::Journal reopened(file);
    EXPECT_EQ(reopened.verifiedNumbers(), 3U);
    EXPECT_EQ(reopened.lastVerifiedWrite(card::TagNumber{0, {0, 0, 0, 3}}), std::nullopt);
    EXPECT_NE(reopened.lastVerifiedWrite(card::TagNumber{0, {0, 0, 0, 4}}), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, TornLastLine,
    ::testing::Values(Torn{"InsideTheQuotedField",
                           "2024-05-01T10:00:09+08:00,已写卡,0000000003,000,0000000003,\"000,0"},
                      Torn{"InsideTheLastCharacter",
                           "2024-05-01T10:00:09+08:00,已写卡,0000000003,000,0000000003,\"000,"
                           "00003\",T5577,\xE6\x98"},
                      Torn{"InsideTheHexNumber", "2024-05-01T10:00:09+08:00,已写卡,00000"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(Journal, AJournalThatCannotBeWrittenSaysWhereAndStillRemembersTheWrite) {
    const testing_support::ScratchFolder scratch;
    writeFile(scratch.path() / "zeld", "a file where the folder should be");
    journal::Journal journal(scratch.path() / "zeld" / "written-tags.csv");
    const card::TagNumber number{0, {0, 0, 0, 9}};

    const auto failure = journal.append(verifiedWrite(number));

    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("written-tags.csv"), std::string::npos) << *failure;
    EXPECT_NE(journal.lastVerifiedWrite(number), std::nullopt);
}

TEST(Journal, LivesInTheUsersDataFolder) {
    const testing_support::DataFolder data;
    EXPECT_EQ(journal::Journal::openDefault()->file(), data.journalFile());
}

#if !defined(_WIN32)
TEST(Journal, LocalTimeCarriesItsOffset) {
    const char* previous = std::getenv("TZ");  // NOLINT(concurrency-mt-unsafe)
    const std::string saved = previous != nullptr ? previous : "";
    for (const auto& [zone, expected] : {std::pair{"CST-8", "2024-05-01T14:03:22+08:00"},
                                         std::pair{"EST5", "2024-05-01T01:03:22-05:00"},
                                         std::pair{"IST-5:30", "2024-05-01T11:33:22+05:30"}}) {
        setenv("TZ", zone, 1);  // NOLINT(concurrency-mt-unsafe)
        tzset();
        EXPECT_EQ(journal::isoLocalTime(kMoment), expected) << zone;
    }
    if (previous != nullptr) {
        setenv("TZ", saved.c_str(), 1);  // NOLINT(concurrency-mt-unsafe)
    } else {
        unsetenv("TZ");  // NOLINT(concurrency-mt-unsafe)
    }
    tzset();
}
#endif

}  // namespace
