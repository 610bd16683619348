// A batch's range: its numbers, the ranges refused, and what the journal says of a range.
#include "card/number_text.h"
#include "commands/batch.h"
#include "commands/batch_form.h"
#include "journal/journal.h"
#include "journal/journal_line.h"
#include "support/scratch_folder.h"
#include "words/batch_text.h"
#include "words/question_text.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using card::CardNumber;
using card::Notation;
using commands::Batch;
using commands::BatchOrder;

BatchOrder order(CardNumber first, Notation notation, std::uint64_t count) {
    return BatchOrder{"客户甲", first, notation, count, reader::TagChip::T5577, true};
}

CardNumber tenDigit(std::uint32_t value, std::uint8_t b4 = 0) {
    return card::withCountingValue(CardNumber{b4, {}}, Notation::WG34, value);
}
CardNumber eightDigit(std::uint8_t b2, std::uint16_t b1b0, std::uint8_t b4 = 0) {
    return card::withCountingValue(CardNumber{b4, {0, b2, 0, 0}}, Notation::WG26, b1b0);
}

// --- The numbers ------------------------------------------------------------------------------

struct Numbering {
    const char* name;
    CardNumber first;
    Notation notation;
    std::uint64_t count;
    friend void PrintTo(const Numbering& c, std::ostream* os) { *os << c.name; }
};

class BatchNumbers : public ::testing::TestWithParam<Numbering> {};

// The batch counts exactly as the +1 of a single write does, up to its last number.
TEST_P(BatchNumbers, AreTheFirstAndEachPlusOneOfTheOneBefore) {
    const auto batch =
        Batch::create(order(GetParam().first, GetParam().notation, GetParam().count));
    ASSERT_TRUE(batch);
    EXPECT_EQ(batch->number(0), GetParam().first);
    for (std::uint64_t n = 1; n < GetParam().count; ++n) {
        EXPECT_EQ(batch->number(n), card::nextTagNumber(batch->number(n - 1), GetParam().notation))
            << n;
    }
    const auto request = batch->request(GetParam().count - 1);
    EXPECT_EQ(request.number, batch->number(GetParam().count - 1));
    EXPECT_EQ(request.notation, GetParam().notation);
    EXPECT_TRUE(request.lock);
    EXPECT_FALSE(request.advance);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, BatchNumbers,
    ::testing::Values(Numbering{"TenDigitAcrossAByte", tenDigit(250, 7), Notation::WG34, 10},
                      Numbering{"TenDigitAcrossB3", tenDigit(0x00FFFFFE), Notation::WG34, 4},
                      Numbering{"TenDigitToTheTop", tenDigit(4294967290U), Notation::WG34, 6},
                      Numbering{"EightDigitLeavesB2AndB3", CardNumber{9, {5, 3, 0, 254}},
                                Notation::WG26, 4},
                      Numbering{"EightDigitToTheTop", eightDigit(3, 65530), Notation::WG26, 6}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// --- Refusals ---------------------------------------------------------------------------------

struct Refusing {
    const char* name;
    CardNumber first;
    Notation notation;
    std::uint64_t count;
    std::optional<std::string> refusal;  // the words, or nothing: made
    friend void PrintTo(const Refusing& c, std::ostream* os) { *os << c.name; }
};

class BatchRanges : public ::testing::TestWithParam<Refusing> {};

TEST_P(BatchRanges, ThatWouldWrapAreRefusedInWords) {
    const auto batch =
        Batch::create(order(GetParam().first, GetParam().notation, GetParam().count));
    ASSERT_EQ(!batch, GetParam().refusal.has_value());
    if (!batch) {
        EXPECT_EQ(words::refusalText(batch.error()), *GetParam().refusal);
    } else {
        EXPECT_EQ(batch->count(), GetParam().count);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, BatchRanges,
    ::testing::Values(
        Refusing{"NoTags", tenDigit(1000), Notation::WG34, 0, "张数须至少为 1"},
        Refusing{"TheLastTenDigitNumber", tenDigit(4294967295U), Notation::WG34, 1, std::nullopt},
        Refusing{"PastTheLastTenDigitNumber", tenDigit(4294967295U), Notation::WG34, 2,
                 "张数 2 太多：从 4294967295 起最多 1 张，号码不能越过 4294967295"},
        Refusing{"EveryTenDigitNumber", tenDigit(0), Notation::WG34, std::uint64_t{1} << 32U,
                 std::nullopt},
        Refusing{"OneMoreThanEveryTenDigitNumber", tenDigit(1000), Notation::WG34, 4294966297ULL,
                 "张数 4294966297 太多：从 0000001000 起最多 4294966296 张，号码不能越过 "
                 "4294967295"},
        Refusing{"UpToTheLastEightDigitNumber", eightDigit(0, 1000), Notation::WG26, 64536,
                 std::nullopt},
        Refusing{"PastTheLastEightDigitNumber", eightDigit(0, 1000), Notation::WG26, 64537,
                 "张数 64537 太多：从 000,01000 起最多 64536 张，号码不能越过 000,65535"},
        // B2 takes no carry: a range from 000,65535 has one number, whatever the ten-digit
        // number behind it could hold.
        Refusing{"EightDigitTakesNoCarryIntoB2", eightDigit(7, 65535), Notation::WG26, 2,
                 "张数 2 太多：从 007,65535 起最多 1 张，号码不能越过 007,65535"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// --- What the journal says of a range -----------------------------------------------------------

std::string at(int second) {
    return "2024-05-01T10:00:0" + std::to_string(second) + "+08:00";
}
std::string inPresentZone(int second) {
    return journal::formatIsoTime(journal::inPresentZone(journal::parseIsoTime(at(second))));
}

std::string line(int second, const CardNumber& number, bool verified = true) {
    const commands::JournalEntry entry{verified ? "已写卡" : "写卡失败", verified, number,
                                       reader::TagChip::T5577,           false,    std::nullopt};
    return journal::formatLine(at(second), entry);
}

struct Listed {
    std::uint64_t position;
    CardNumber earlier;  // the same number (written before), or the other tag's
    Notation view = Notation::WG34;
    int second = 1;
};

struct Checking {
    const char* name;
    std::string lines;
    BatchOrder batch;
    std::uint64_t written;
    std::uint64_t colliding;
    std::vector<Listed> firstWritten;
    std::vector<Listed> firstColliding;
    friend void PrintTo(const Checking& c, std::ostream* os) { *os << c.name; }
};

class RangeChecks : public ::testing::TestWithParam<Checking> {};

TEST_P(RangeChecks, CountAndNameTheNumbersTheJournalHolds) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    std::ofstream(file, std::ios::binary)
        << journal::kByteOrderMark << journal::kHeader << journal::kLineEnd << GetParam().lines;
    const journal::Journal journal(file);
    const auto batch = Batch::create(GetParam().batch);
    ASSERT_TRUE(batch);

    const auto check = commands::rangeCheck(*batch, journal);
    EXPECT_EQ(check.unavailable, std::nullopt);
    EXPECT_EQ(check.withinRange, 0U);
    EXPECT_EQ(check.written, GetParam().written);
    EXPECT_EQ(check.colliding, GetParam().colliding);
    std::vector<commands::WrittenBefore> written;
    for (const Listed& listed : GetParam().firstWritten) {
        written.push_back({listed.position, listed.earlier, inPresentZone(listed.second)});
    }
    EXPECT_EQ(check.firstWritten, written);
    std::vector<commands::Collision> colliding;
    for (const Listed& listed : GetParam().firstColliding) {
        colliding.push_back({listed.position,
                             batch->number(listed.position),
                             {listed.view, listed.earlier, inPresentZone(listed.second)}});
    }
    EXPECT_EQ(check.firstColliding, colliding);
    EXPECT_EQ(check.clear(), GetParam().written == 0 && GetParam().colliding == 0);
}

const BatchOrder kTenDigitBatch = order(tenDigit(1000), Notation::WG34, 10);
const BatchOrder kEightDigitBatch = order(eightDigit(0, 1000), Notation::WG26, 10);

std::string manyOfVersionOne() {
    std::string lines;
    for (std::uint32_t n = 1000; n < 1008; ++n) {
        lines += line(1, tenDigit(n, 1));
    }
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Journals, RangeChecks,
    ::testing::Values(
        Checking{"AnEmptyJournal", "", kTenDigitBatch, 0, 0, {}, {}},
        Checking{"ANumberOfTheRangeWrittenBeforeIsNoCollision",
                 line(1, tenDigit(1003)),
                 kTenDigitBatch,
                 1,
                 0,
                 {{3, tenDigit(1003)}},
                 {}},
        Checking{"AnotherVersionByteSharesTheTenDigitView",
                 line(2, tenDigit(1004, 1)),
                 kTenDigitBatch,
                 0,
                 1,
                 {},
                 {{4, tenDigit(1004, 1), Notation::WG34, 2}}},
        Checking{"AnotherB3SharesTheEightDigitView",
                 line(3, tenDigit(0x01000000U + 1009)),
                 kEightDigitBatch,
                 0,
                 1,
                 {},
                 {{9, tenDigit(0x01000000U + 1009), Notation::WG26, 3}}},
        Checking{"AnotherVersionByteSharesBothViewsOfAnEightDigitRange",
                 line(1, tenDigit(1002, 4)),
                 kEightDigitBatch,
                 0,
                 1,
                 {},
                 {{2, tenDigit(1002, 4)}}},
        Checking{"FailedWritesCountNot",
                 line(1, tenDigit(1001), false) + line(2, tenDigit(1002, 1), false),
                 kTenDigitBatch,
                 0,
                 0,
                 {},
                 {}},
        Checking{"ManyAreCountedAndTheFirstFiveNamed",
                 manyOfVersionOne(),
                 kTenDigitBatch,
                 0,
                 8,
                 {},
                 {{0, tenDigit(1000, 1)},
                  {1, tenDigit(1001, 1)},
                  {2, tenDigit(1002, 1)},
                  {3, tenDigit(1003, 1)},
                  {4, tenDigit(1004, 1)}}},
        Checking{"AnOldEightColumnLineCounts",
                 "2024-05-01T10:00:01+08:00,已写卡,01000003E9,001,0000001001,\"000,01001\","
                 "T5577,否\r\n",
                 kTenDigitBatch,
                 0,
                 1,
                 {},
                 {{1, tenDigit(1001, 1)}}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// A journal that cannot be asked: only what the range says of itself is known.
class UnreadableJournal final : public commands::WriteJournal {
public:
    [[nodiscard]] std::optional<std::string> unavailable() const override { return "读不了"; }
    [[nodiscard]] std::optional<std::string> lastVerifiedWrite(
        const CardNumber& /*number*/) const override {
        return std::nullopt;
    }
    [[nodiscard]] std::optional<commands::JournalTrouble> append(
        const commands::JournalEntry& /*entry*/) override {
        return std::nullopt;
    }
};

struct Within {
    const char* name;
    BatchOrder batch;
    std::uint64_t withinRange;
    friend void PrintTo(const Within& c, std::ostream* os) { *os << c.name; }
};

class RangesOnTheirOwn : public ::testing::TestWithParam<Within> {};

// Within a batch B4 stays fixed, and so do B3 and B2 in the eight-digit notation: only a
// ten-digit range longer than the eight-digit view tells apart repeats a view of its own.
TEST_P(RangesOnTheirOwn, RepeatAViewOnlyPastTwoToThe24th) {
    const auto batch = Batch::create(GetParam().batch);
    ASSERT_TRUE(batch);
    const auto check = commands::rangeCheck(*batch, UnreadableJournal{});
    EXPECT_EQ(check.unavailable, "读不了");
    EXPECT_EQ(check.withinRange, GetParam().withinRange);
    EXPECT_FALSE(check.clear());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, RangesOnTheirOwn,
    ::testing::Values(
        Within{"EveryEightDigitNumber", order(eightDigit(0, 0), Notation::WG26, 65536), 0},
        Within{"AsManyTenDigitNumbersAsViews", order(tenDigit(5), Notation::WG34, 1U << 24U), 0},
        Within{"TwoMore", order(tenDigit(5), Notation::WG34, (1U << 24U) + 2), 2}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// --- The question -------------------------------------------------------------------------------

TEST(CollisionQuestion, NamesTheViewItsTextAndTheOtherTag) {
    const CardNumber earlier = tenDigit(1000, 1);
    const auto eight = words::questionWords(commands::sharedViewQuestion(
        eightDigit(0, 1000), {Notation::WG26, earlier, inPresentZone(1)}));
    EXPECT_EQ(eight.text,
              "后八位号 000,01000（000 0000001000）已写在 001 0000001000 "
              "上：按后八位号读卡的门禁会把两张卡当成一张");
    EXPECT_EQ(eight.no, "不写入");
    const auto ten = words::questionWords(
        commands::sharedViewQuestion(tenDigit(1000), {Notation::WG34, earlier, inPresentZone(1)}));
    EXPECT_EQ(ten.text,
              "前十位号 0000001000（000 0000001000）已写在 001 0000001000 上：按前十位号读卡的"
              "门禁会把两张卡当成一张");
}

// Before a single write: the ten-digit view's write is named when both views have one.
TEST(ViewCollision, NamesTheTenDigitViewFirstAndNothingForTheNumberItself) {
    const testing_support::ScratchFolder scratch;
    journal::Journal journal(scratch.path() / "written-tags.csv");
    const CardNumber asked = tenDigit(1000);
    EXPECT_EQ(commands::viewCollision(asked, journal), std::nullopt);
    const commands::JournalEntry own{"已写卡", true, asked, reader::TagChip::T5577, false, {}};
    ASSERT_EQ(journal.append(own), std::nullopt);
    EXPECT_EQ(commands::viewCollision(asked, journal), std::nullopt);
    auto other = own;
    other.number = tenDigit(0x02000000U + 1000);
    ASSERT_EQ(journal.append(other), std::nullopt);
    ASSERT_TRUE(commands::viewCollision(asked, journal).has_value());
    EXPECT_EQ(commands::viewCollision(asked, journal)->view, Notation::WG26);
    other.number = tenDigit(1000, 3);
    ASSERT_EQ(journal.append(other), std::nullopt);
    ASSERT_TRUE(commands::viewCollision(asked, journal).has_value());
    EXPECT_EQ(commands::viewCollision(asked, journal)->view, Notation::WG34);
    EXPECT_EQ(commands::viewCollision(asked, journal)->number, other.number);
}

// The guard before a write asks only when a view is shared, and goes on only on a yes.
TEST(ViewsAllowWrite, AskWithTheCollisionQuestionAndNoMeansNo) {
    const testing_support::ScratchFolder scratch;
    journal::Journal journal(scratch.path() / "written-tags.csv");
    std::vector<std::string> asked;
    bool answer = false;
    const commands::Confirm confirm = [&](const commands::WriteQuestion& question) {
        asked.push_back(words::questionWords(question).text);
        return answer;
    };
    const CardNumber number = eightDigit(0, 1000);
    EXPECT_TRUE(commands::viewsAllowWrite(number, journal, confirm));
    EXPECT_TRUE(asked.empty());
    const commands::JournalEntry other{
        "已写卡", true, tenDigit(0x01000000U + 1000), reader::TagChip::T5577, false, {}};
    ASSERT_EQ(journal.append(other), std::nullopt);
    EXPECT_FALSE(commands::viewsAllowWrite(number, journal, confirm));
    answer = true;
    EXPECT_TRUE(commands::viewsAllowWrite(number, journal, confirm));
    EXPECT_FALSE(commands::viewsAllowWrite(number, journal, {}));
    ASSERT_EQ(asked.size(), 2U);
    EXPECT_EQ(
        asked[0],
        "后八位号 000,01000（000 0000001000）已写在 000 0016778216 上：按后八位号读卡的门禁会把"
        "两张卡当成一张");
}

}  // namespace

// --- The dialog's form ------------------------------------------------------------------------

namespace {

struct Entering {
    const char* name;
    commands::BatchForm form;
    std::optional<CardNumber> first;  // the order's first number, or nothing: refused
    std::string refusal;              // the words when refused
    friend void PrintTo(const Entering& c, std::ostream* os) { *os << c.name; }
};

commands::BatchForm form(std::string first, Notation notation, std::string count = "500",
                         std::string b4 = "1", std::string name = " 客户甲 ") {
    return commands::BatchForm{std::move(name),
                               std::move(first),
                               std::move(count),
                               std::move(b4),
                               notation,
                               reader::TagChip::EM4305,
                               true};
}

class BatchForms : public ::testing::TestWithParam<Entering> {};

TEST_P(BatchForms, GiveTheOrderOrSayWhatIsWrong) {
    const auto made = commands::orderFrom(GetParam().form);
    ASSERT_EQ(made.has_value(), GetParam().first.has_value())
        << (made ? "" : words::formErrorText(made.error()));
    if (!made) {
        EXPECT_EQ(words::formErrorText(made.error()), GetParam().refusal);
        return;
    }
    EXPECT_EQ(made->first, *GetParam().first);
    EXPECT_EQ(made->name, "客户甲");
    EXPECT_EQ(made->count, 500U);
    EXPECT_EQ(made->notation, GetParam().form.notation);
    EXPECT_EQ(made->chip, reader::TagChip::EM4305);
    EXPECT_TRUE(made->lock);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BatchForms,
    ::testing::Values(
        Entering{"TenDigit", form("0000001000", Notation::WG34), tenDigit(1000, 1), ""},
        Entering{"EightDigit", form("012,01000", Notation::WG26), eightDigit(12, 1000, 1), ""},
        Entering{"EightDigitWithAFullWidthCommaAndBlanks",
                 form("\xE3\x80\x80"
                      "12\xEF\xBC\x8C"
                      "1000 ",
                      Notation::WG26, " 500\t"),
                 eightDigit(12, 1000, 1), ""},
        Entering{"EightDigitWithoutItsComma", form("01201000", Notation::WG26), std::nullopt,
                 "起始号码须写成 xxx,xxxxx，如 000,01000"},
        Entering{"EightDigitPartOutOfRange", form("012,65536", Notation::WG26), std::nullopt,
                 "起始号码无效：后八位号的后五位须为 0~65535 的整数"},
        Entering{"TenDigitOutOfRange", form("4294967296", Notation::WG34), std::nullopt,
                 "起始号码无效：前十位号须为 0~4294967295 的整数"},
        Entering{"VersionOutOfRange", form("1000", Notation::WG34, "500", "256"), std::nullopt,
                 "版本或客户号须为 0~255 的整数"},
        // Strict: what is not wholly digits is refused, never read as far as it goes.
        Entering{"TenDigitLetters", form("abc", Notation::WG34), std::nullopt,
                 "起始号码无效：前十位号须为 0~4294967295 的整数"},
        Entering{"TenDigitWithACommaOfTheOtherNotation", form("012,01000", Notation::WG34),
                 std::nullopt, "起始号码无效：前十位号须为 0~4294967295 的整数"},
        Entering{"TenDigitInFullWidthDigits",
                 form("\xEF\xBC\x91\xEF\xBC\x90\xEF\xBC\x90\xEF\xBC\x90", Notation::WG34,
                      "\xEF\xBC\x95\xEF\xBC\x90\xEF\xBC\x90", "\xEF\xBC\x91"),
                 tenDigit(1000, 1), ""},
        Entering{"EightDigitOfThreeParts", form("1,2,3", Notation::WG26), std::nullopt,
                 "起始号码无效：后八位号的后五位须为 0~65535 的整数"},
        Entering{"EightDigitEndingInALetter", form("12,3x", Notation::WG26), std::nullopt,
                 "起始号码无效：后八位号的后五位须为 0~65535 的整数"},
        Entering{"EightDigitFrontNotANumber", form("x12,01000", Notation::WG26), std::nullopt,
                 "起始号码无效：后八位号的前三位须为 0~255 的整数"},
        Entering{"VersionLetters", form("1000", Notation::WG34, "500", "abc"), std::nullopt,
                 "版本或客户号须为 0~255 的整数"},
        Entering{"VersionTwoNumbers", form("1000", Notation::WG34, "500", "1 2"), std::nullopt,
                 "版本或客户号须为 0~255 的整数"},
        Entering{"VersionEndingInALetter", form("1000", Notation::WG34, "500", "12x"), std::nullopt,
                 "版本或客户号须为 0~255 的整数"},
        Entering{"VersionEmpty", form("1000", Notation::WG34, "500", " "), std::nullopt,
                 "版本或客户号须为 0~255 的整数"},
        Entering{"CountTwoNumbers", form("1000", Notation::WG34, "5 00"), std::nullopt,
                 "张数须为整数，如 500"},
        Entering{"CountPastSixtyFourBits", form("1000", Notation::WG34, "18446744073709551616"),
                 std::nullopt, "张数须为整数，如 500"},
        Entering{"NoFirstNumber", form(" ", Notation::WG34), std::nullopt, "请填写起始号码"},
        Entering{"CountNotAWholeNumber", form("1000", Notation::WG34, "5e2"), std::nullopt,
                 "张数须为整数，如 500"},
        Entering{"CountNegative", form("1000", Notation::WG34, "-1"), std::nullopt,
                 "张数须为整数，如 500"},
        Entering{"NoName", form("1000", Notation::WG34, "500", "1", "\xE3\x80\x80"), std::nullopt,
                 "请填写名称（客户或订单）"},
        Entering{"NameOfTwoLines", form("1000", Notation::WG34, "500", "1", "甲\n乙"), std::nullopt,
                 "名称不能分行"},
        Entering{"NameOfASharedBatch",
                 form("1000", Notation::WG34, "500", "1", "客户甲（共享批次 3）"), std::nullopt,
                 "名称不能以“（共享批次 …）”结尾：写卡记录用它记共享批次"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace

TEST(RangeQuestion, CountsAndNamesWhatWasFoundAndIsNotAskedWhenClear) {
    const BatchOrder batch = order(eightDigit(0, 1000), Notation::WG26, 10);
    commands::RangeCheck check;
    EXPECT_EQ(words::rangeQuestion(batch, check), std::nullopt);
    check.written = 7;
    check.firstWritten = {{0, eightDigit(0, 1000), "2024-05-01T10:00:01+08:00"}};
    check.colliding = 1;
    check.firstColliding = {
        {2, eightDigit(0, 1002), {Notation::WG26, tenDigit(1002, 1), "2024-05-01T10:00:02+08:00"}}};
    const auto question = words::rangeQuestion(batch, check);
    ASSERT_TRUE(question);
    EXPECT_NE(question->text.find("7 个号码以前写过：000,01000（"), std::string::npos)
        << question->text;
    EXPECT_NE(question->text.find("）等。"), std::string::npos) << question->text;
    EXPECT_NE(question->text.find("后八位号 000,01002 已写在 001 0000001002 上。"),
              std::string::npos)
        << question->text;
    EXPECT_EQ(question->no, "不开始");
}
