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

JournalEntry verifiedWrite(card::CardNumber number, bool locked = false) {
    return JournalEntry{locked ? "已写卡并加锁" : "已写卡",
                        true,
                        number,
                        reader::TagChip::T5577,
                        locked,
                        std::nullopt};
}

const std::chrono::system_clock::time_point kMoment{1714543402s};  // 2024-05-01T06:03:22Z

// A time as the journal answers it: the same moment in the zone the program runs in now.
std::optional<std::string> inPresentZone(const std::optional<std::string>& written) {
    if (!written) {
        return std::nullopt;
    }
    return journal::formatIsoTime(journal::inPresentZone(journal::parseIsoTime(*written)));
}

TEST(Journal, AFreshJournalHasTheMarkTheHeaderAndOneLinePerWrite) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "zeld" / "written-tags.csv";
    journal::Journal journal(file, [] { return kMoment; });
    const std::string time = journal::isoLocalTime(kMoment);

    ASSERT_EQ(journal.append(JournalEntry{
                  "已写卡并加锁", true, card::CardNumber{0x00, {0x12, 0xD6, 0x87, 0xAB}},
                  reader::TagChip::EM4305, true, card::CardNumber{0x01, {0x00, 0x00, 0x03, 0xE8}}}),
              std::nullopt);
    ASSERT_EQ(journal.append(JournalEntry{"写卡失败（状态 7）", false,
                                          card::CardNumber{0xFF, {0xFF, 0xFF, 0xFF, 0xFF}},
                                          reader::TagChip::T5577, false, std::nullopt}),
              std::nullopt);
    // Whether a write counts is the 核对 column's to say, not its result's wording.
    ASSERT_EQ(journal.append(JournalEntry{"已写卡？", false, card::CardNumber{0, {0, 0, 0, 9}},
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
    EXPECT_EQ(reopened.lastVerifiedWrite(card::CardNumber{0x00, {0x12, 0xD6, 0x87, 0xAB}}), time);
    EXPECT_EQ(reopened.lastVerifiedWrite(card::CardNumber{0xFF, {0xFF, 0xFF, 0xFF, 0xFF}}),
              std::nullopt);
    EXPECT_EQ(reopened.lastVerifiedWrite(card::CardNumber{0, {0, 0, 0, 9}}), std::nullopt);
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
    EXPECT_EQ(journal.lastVerifiedWrite(card::CardNumber{0, {0, 0, 0, 1}}),
              inPresentZone("2024-05-01T10:00:00+08:00"));
    EXPECT_EQ(journal.lastVerifiedWrite(card::CardNumber{0, {0, 0, 0, 2}}),
              inPresentZone("2024-05-01T10:00:05+08:00"));
    EXPECT_EQ(journal.lastVerifiedWrite(card::CardNumber{0, {0, 0, 0, 3}}), std::nullopt);

    ASSERT_EQ(journal.append(verifiedWrite(card::CardNumber{0, {0, 0, 0, 4}})), std::nullopt);

    const std::string after = fileText(file);
    ASSERT_EQ(after.substr(0, before.size()), before);  // nothing before it rewritten
    EXPECT_EQ(after.substr(before.size()),
              "\r\n" + journal::isoLocalTime(kMoment) +
                  ",已写卡,0000000004,000,0000000004,\"000,00004\",T5577,否,是,\r\n");
    const journal::Journal reopened(file);
    EXPECT_EQ(reopened.verifiedNumbers(), 3U);
    EXPECT_EQ(reopened.lastVerifiedWrite(card::CardNumber{0, {0, 0, 0, 3}}), std::nullopt);
    EXPECT_NE(reopened.lastVerifiedWrite(card::CardNumber{0, {0, 0, 0, 4}}), std::nullopt);
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
    const card::CardNumber number{0, {0, 0, 0, 9}};

    const auto failure = journal.append(verifiedWrite(number));

    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->systemReason, "路径不是可写的文件");
    EXPECT_EQ(failure->kind, commands::JournalTrouble::Kind::Other);
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
        // The table shows a row written in another zone in the present one, so that rows read
        // in order after a change of zone.
        std::string shown = std::string(expected).substr(0, 19);
        shown[10] = ' ';
        EXPECT_EQ(journal::presentLocalTimeText(journal::parseIsoTime("2024-05-01T14:03:22+08:00")),
                  shown)
            << zone;
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

namespace {

const std::string kHead =
    "\xEF\xBB\xBF时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护,核对,原卡号\r\n";

// A line of number n (0..9) with the given result, 核对 and 原卡号 (a number, or -1 for none).
std::string line(int second, const char* result, int n, bool verified, int previous = -1) {
    const std::string digit = std::to_string(n);
    return "2024-05-01T10:00:0" + std::to_string(second) + "+08:00," + result + ",000000000" +
           digit + ",000,000000000" + digit + ",\"000,0000" + digit + "\",T5577,否," +
           (verified ? "是" : "否") + "," +
           (previous < 0 ? std::string() : "000000000" + std::to_string(previous)) + "\r\n";
}

std::string at(int second) {
    return "2024-05-01T10:00:0" + std::to_string(second) + "+08:00";
}

card::CardNumber number(int n) {
    return card::CardNumber{0, {0, 0, 0, static_cast<std::uint8_t>(n)}};
}

struct Counting {
    const char* name;
    std::string lines;
    std::optional<std::string> one;  // what lastVerifiedWrite says of number 1
    std::optional<std::string> two;
    std::optional<int> interrupted;  // the number interruptedWrite names
    std::optional<int> last{};       // the number lastWrite names, where it matters
    friend void PrintTo(const Counting& c, std::ostream* os) { *os << c.name; }
};

class WhatCounts : public ::testing::TestWithParam<Counting> {};

TEST_P(WhatCounts, AsTheQuestionsBeforeAWriteSeeIt) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    writeFile(file, kHead + GetParam().lines);
    const journal::Journal journal(file);
    EXPECT_EQ(journal.lastVerifiedWrite(number(1)), inPresentZone(GetParam().one));
    EXPECT_EQ(journal.lastVerifiedWrite(number(2)), inPresentZone(GetParam().two));
    const auto interrupted = journal.interruptedWrite();
    ASSERT_EQ(interrupted.has_value(), GetParam().interrupted.has_value());
    if (interrupted) {
        EXPECT_EQ(interrupted->number, number(*GetParam().interrupted));
    }
    if (GetParam().last) {
        const auto last = journal.lastWrite();
        ASSERT_TRUE(last.has_value());
        EXPECT_EQ(last->number, number(*GetParam().last));
    }
}

std::string settlement(int second, int n, bool seenOnTag) {
    return journal::formatSettlement(at(second), number(n), seenOnTag);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WhatCounts,
    ::testing::Values(
        Counting{"AStartWithNoOutcomeIsAPossibleWrite", line(1, "正在写卡", 1, false), at(1),
                 std::nullopt, 1},
        Counting{"AVerifiedOutcomeEndsIt",
                 line(1, "正在写卡", 1, false) + line(2, "已写卡", 1, true), at(2), std::nullopt,
                 std::nullopt},
        Counting{"AFailedOutcomeEndsItAndCountsNot",
                 line(1, "正在写卡", 1, false) + line(2, "写卡失败", 1, false), std::nullopt,
                 std::nullopt, std::nullopt},
        Counting{"AFailedRewriteLeavesTheEarlierWrite",
                 line(1, "已写卡", 1, true) + line(2, "正在写卡", 1, false) +
                     line(3, "写卡失败", 1, false),
                 at(1), std::nullopt, std::nullopt},
        // Killed during the write of 1; the next run writes 2: starts say 2 from then on.
        Counting{"ALaterWriteIsTheLatestFact",
                 line(1, "正在写卡", 1, false) + line(2, "正在写卡", 2, false) +
                     line(3, "已写卡", 2, true),
                 at(1), at(3), std::nullopt, 2},
        Counting{"ALaterWriteThatFailedIsTooAndTheLastVerifiedIsSaid",
                 line(1, "已写卡", 2, true) + line(2, "正在写卡", 1, false) +
                     line(3, "写卡失败", 3, false),
                 at(2), at(1), std::nullopt, 2},
        Counting{
            "ATagSeenHoldingTheNumberSettlesItAsWrittenThen",
            line(1, "已写卡", 2, true) + line(2, "正在写卡", 1, false) + settlement(3, 1, true),
            at(2), at(1), std::nullopt, 1},
        Counting{"ANumberWrittenAgainSettlesNothingIntoAWrite",
                 line(1, "正在写卡", 1, false) + line(2, "结果不明：未读回", 1, false) +
                     settlement(3, 1, false),
                 std::nullopt, std::nullopt, std::nullopt},
        Counting{"AWriteOverATagOfAnotherNumberOverwritesThatOne",
                 line(1, "已写卡", 1, true) + line(2, "已写卡", 2, true, 1), std::nullopt, at(2),
                 std::nullopt},
        Counting{"ANumberOverwrittenAndWrittenAgainCounts",
                 line(1, "已写卡", 1, true) + line(2, "已写卡", 2, true, 1) +
                     line(3, "已写卡", 1, true, 2),
                 at(3), std::nullopt, std::nullopt},
        Counting{
            "AnUnsettledOutcomeKeepsItAPossibleWriteButNoInterruption",
            line(1, "正在写卡", 1, false) + line(2, "结果不明：写后读不到卡（状态 1）", 1, false),
            at(2), std::nullopt, std::nullopt},
        Counting{"AnEightColumnLineCountsByItsResult",
                 "2024-05-01T10:00:01+08:00,已写卡,0000000001,000,0000000001,\"000,00001\",T5577,"
                 "否\r\n",
                 at(1), std::nullopt, std::nullopt}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(Journal, AStartLineIsOnDiskBeforeTheWriteAndTheOutcomeEndsIt) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    journal::Journal journal(file, [] { return kMoment; });
    JournalEntry entry = verifiedWrite(number(7));
    entry.previousNumber = number(3);

    ASSERT_EQ(journal.beginWrite(entry), std::nullopt);
    const std::string time = journal::isoLocalTime(kMoment);
    EXPECT_EQ(fileText(file), kHead + time +
                                  ",正在写卡,0000000007,000,0000000007,\"000,00007\",T5577,否,否,"
                                  "0000000003\r\n");
    // Killed here: the next start knows the tag may hold 7.
    EXPECT_EQ(journal::Journal(file).interruptedWrite(), (journal::RecordedWrite{number(7), time}));

    ASSERT_EQ(journal.append(entry), std::nullopt);
    const journal::Journal reopened(file);
    EXPECT_EQ(reopened.interruptedWrite(), std::nullopt);
    EXPECT_EQ(reopened.lastWrite(), (journal::RecordedWrite{number(7), time}));
}

TEST(Journal, ASecondCopyTakesInTheFirstsWritesBeforeItsQuestions) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    journal::Journal first(file);
    journal::Journal second(file);
    EXPECT_FALSE(first.anotherCopyOpen());
    EXPECT_TRUE(second.anotherCopyOpen());
    ASSERT_EQ(second.unavailable(), std::nullopt);  // read, empty

    first.hold();
    ASSERT_EQ(first.append(verifiedWrite(number(5))), std::nullopt);
    first.release();

    second.hold();
    EXPECT_NE(second.lastVerifiedWrite(number(5)), std::nullopt);
    EXPECT_EQ(second.holdProblem(), std::nullopt);
    second.release();
}

TEST(Journal, ALongJournalReadInTurnsCountsEveryLineOnceAndReadsOnFromItsEnd) {
    // Over 4 MiB: read on two threads, piece by piece, lines cut at every piece's end; an older
    // journal's line among them is read the slow way.
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    constexpr std::int64_t kLines = 60'000;
    std::string text = kHead;
    JournalEntry entry = verifiedWrite(number(0));
    for (std::int64_t i = 0; i < kLines; ++i) {
        entry.number = card::tagNumberFromValue(static_cast<std::uint64_t>(1000 + i));
        const journal::CompactTime time{1714543402 + i, 480, true};
        text += journal::formatLine(journal::formatIsoTime(time), entry);
        if (i == kLines / 2) {
            text +=
                "2024-05-01T10:00:01+08:00,已写卡,0000000001,000,0000000001,\"000,00001\",T5577,"
                "否\r\n";
        }
    }
    writeFile(file, text);
    journal::Journal first(file);
    EXPECT_EQ(first.verifiedNumbers(), static_cast<std::size_t>(kLines) + 1);
    const journal::CompactTime last{1714543402 + kLines - 1, 480, true};
    EXPECT_EQ(first.lastWrite(),
              (journal::RecordedWrite{
                  card::tagNumberFromValue(static_cast<std::uint64_t>(1000 + kLines - 1)),
                  *inPresentZone(journal::formatIsoTime(last))}));

    ASSERT_EQ(journal::Journal(file).append(verifiedWrite(number(5))), std::nullopt);
    first.hold();
    EXPECT_NE(first.lastVerifiedWrite(number(5)), std::nullopt);
    EXPECT_EQ(first.verifiedNumbers(), static_cast<std::size_t>(kLines) + 2);
    first.release();
}

TEST(Journal, AHoldThatCannotHaveTheLockGoesOnAfterABoundAndSaysSo) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    journal::Journal first(file);
    journal::Journal second(file);
    first.hold();

    const auto start = std::chrono::steady_clock::now();
    second.hold();
    EXPECT_LT(std::chrono::steady_clock::now() - start, journal::Journal::kLockWait + 2s);
    ASSERT_TRUE(second.holdProblem().has_value());
    second.release();
    first.release();
}

}  // namespace

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kOtherUser = 65534;

struct Hostile {
    const char* name;
    // Puts something at `file`; `victim` is a file of the user's that must stay as it is.
    void (*plant)(const std::filesystem::path& file, const std::filesystem::path& victim);
    const char* said;  // in the words of the refusal
    bool needsRoot;    // to make something another user owns
    friend void PrintTo(const Hostile& c, std::ostream* os) { *os << c.name; }
};

class HostileJournal : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileJournal, IsNeitherReadNorWrittenAndTheRefusalIsSaid) {
    if (GetParam().needsRoot && ::geteuid() != 0) {
        GTEST_SKIP() << "making another user's file takes root";
    }
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    const auto victim = scratch.path() / "victim";
    writeFile(victim, "root's own\n");
    GetParam().plant(file, victim);

    const journal::Journal journal(file);
    ASSERT_TRUE(journal.waitLoaded(2s)) << "the reading hung";
    const auto unavailable = journal.unavailable();
    ASSERT_TRUE(unavailable.has_value());
    EXPECT_NE(unavailable->find(GetParam().said), std::string::npos) << *unavailable;
    journal::Journal writer(file);
    const auto failure = writer.append(verifiedWrite(number(1)));
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->systemReason.find(GetParam().said), std::string::npos)
        << failure->systemReason;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(victim))) {
        EXPECT_EQ(fileText(victim), "root's own\n");
    }
}

void link(const std::filesystem::path& to, const std::filesystem::path& at) {
    std::filesystem::create_symlink(to, at);
}

INSTANTIATE_TEST_SUITE_P(
    Places, HostileJournal,
    ::testing::Values(Hostile{"AnotherUsersLink",
                              [](const auto& file, const auto& victim) {
                                  link(victim, file);
                                  ASSERT_EQ(::lchown(file.c_str(), kOtherUser, kOtherUser), 0);
                              },
                              "别的用户建立的链接", true},
                      Hostile{"AFolderThatIsAnotherUsersLink",
                              [](const auto& file, const auto& victim) {
                                  const auto real = victim.parent_path() / "real";
                                  std::filesystem::create_directories(real);
                                  std::filesystem::remove(victim);
                                  link(real, victim);  // the victim's name now stands for a folder
                                  ASSERT_EQ(::lchown(victim.c_str(), kOtherUser, kOtherUser), 0);
                                  writeFile(real / "written-tags.csv", "x");
                                  link(victim / "written-tags.csv", file);
                              },
                              "链接", true},
                      Hostile{"AnotherUsersFile",
                              [](const auto& file, const auto& /*victim*/) {
                                  writeFile(file, kHead);
                                  ASSERT_EQ(::chown(file.c_str(), kOtherUser, kOtherUser), 0);
                              },
                              "属于别的用户", true},
                      Hostile{"AHardLinkToAnotherFile",
                              [](const auto& file, const auto& victim) {
                                  std::filesystem::create_hard_link(victim, file);
                              },
                              "硬链接", false},
                      Hostile{"ALinkToALink",
                              [](const auto& file, const auto& victim) {
                                  link(victim, victim.parent_path() / "middle");
                                  link(victim.parent_path() / "middle", file);
                              },
                              "链接的链接", false},
                      Hostile{"AFifo",
                              [](const auto& file, const auto& /*victim*/) {
                                  ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
                              },
                              "不是普通文件", false},
                      Hostile{"AFolder",
                              [](const auto& file, const auto& /*victim*/) {
                                  std::filesystem::create_directories(file);
                              },
                              "不是普通文件", false},
                      Hostile{
                          "TheUsersOwnLinkToADevice",
                          [](const auto& file, const auto& /*victim*/) { link("/dev/zero", file); },
                          "不是普通文件", false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(Journal, FollowsALinkItsUserMade) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    const auto target = scratch.path() / "kept-elsewhere.csv";
    std::filesystem::create_symlink(target, file);
    journal::Journal journal(file);
    ASSERT_EQ(journal.append(verifiedWrite(number(1))), std::nullopt);
    EXPECT_NE(fileText(target).find("0000000001"), std::string::npos);
}

}  // namespace
#endif
