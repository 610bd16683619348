// A batch written through the real loader and the emulated reader, and resumed from its journal.
#include "card/number_text.h"
#include "commands/batch_session.h"
#include "commands/read_command.h"
#include "journal/batch_lines.h"
#include "journal/journal.h"
#include "journal/journal_line.h"
#include "reader/reader_source.h"
#include "support/emulator_control.h"
#include "support/recording_reader.h"
#include "support/scratch_folder.h"
#include "words/batch_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using card::CardNumber;
using card::Notation;
using commands::Batch;
using commands::BatchOrder;
using commands::BatchPress;
using commands::BatchSession;
using TagKind = emulator::TagKind;

constexpr CardNumber kBlank{0, {0, 0, 0, 0}};

CardNumber tenDigit(std::uint32_t value, std::uint8_t b4 = 0) {
    return card::withCountingValue(CardNumber{b4, {}}, Notation::WG34, value);
}

BatchOrder anOrder(std::uint64_t count) {
    return BatchOrder{"客户甲", tenDigit(1000),         Notation::WG34,
                      count,    reader::TagChip::T5577, false};
}

bool sayNo(const commands::WriteQuestion& /*unused*/) {
    return false;
}
bool sayYes(const commands::WriteQuestion& /*unused*/) {
    return true;
}

std::string wholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& file, std::string_view text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

struct Station {
    testing_support::ScratchFolder scratch;
    std::filesystem::path file = scratch.path() / "written-tags.csv";
    testing_support::EmulatorControl field;
    reader::LazyReaderLibrary source;

    // A fresh blank tag on the reader, pressed.
    BatchPress pressOnBlank(BatchSession& session, const commands::Confirm& confirm = sayNo) {
        field.placeTag(kBlank);
        return session.press(source, confirm);
    }
};

BatchSession started(journal::Journal& journal, const BatchOrder& order) {
    auto session = BatchSession::start(*Batch::create(order), journal);
    if (!session) {
        throw std::runtime_error(session.error());
    }
    return std::move(*session);
}

TEST(BatchSession, WritesItsNumbersInOrderAndNothingOnceDone) {
    Station station;
    journal::Journal journal(station.file);
    auto session = started(journal, anOrder(3));
    for (std::uint32_t n = 0; n < 3; ++n) {
        EXPECT_EQ(words::batchStatus(session.batch().order(), session.verified(),
                                     session.nextNumber(), session.ended()),
                  "批次 客户甲：第 " + std::to_string(n + 1) + "/3 张，下一张 000000" +
                      std::to_string(1000 + n));
        const auto press = station.pressOnBlank(session);
        ASSERT_EQ(press.result, BatchPress::Result::Wrote);
        ASSERT_TRUE(press.write->verified());
        EXPECT_EQ(station.field.tagNumber(), tenDigit(1000 + n));
    }
    EXPECT_TRUE(session.done());
    EXPECT_EQ(words::batchStatus(session.batch().order(), session.verified(), session.nextNumber(),
                                 session.ended()),
              "批次 客户甲：已写完 3 张");
    const auto beeps = station.field.beepCount();
    EXPECT_EQ(station.pressOnBlank(session).result, BatchPress::Result::Finished);
    EXPECT_EQ(station.field.tagNumber(), kBlank);
    EXPECT_EQ(station.field.beepCount(), beeps);
    EXPECT_EQ(journal.unfinishedBatch(), std::nullopt);

    const auto log = journal.batchLog("客户甲");
    ASSERT_EQ(log.rows.size(), 3U);
    EXPECT_EQ(log.rows[2].number, tenDigit(1002));
    EXPECT_TRUE(log.rows[2].verified);
    EXPECT_EQ(log.rows[2].result.find("批次"), std::string::npos);
    EXPECT_EQ(log.voided, 0U);
    // The batch's own lines are no lines the table could not read.
    journal.readAppended();
    EXPECT_EQ(journal.table().unreadable, 0U);
    const journal::Journal reread(station.file);
    ASSERT_TRUE(reread.waitLoaded(std::chrono::seconds(10)));
    EXPECT_EQ(reread.table().unreadable, 0U);
}

TEST(BatchSession, InTheEightDigitNotationCountsItsLastFiveDigitsAndResumesThere) {
    Station station;
    const CardNumber first =
        card::withCountingValue(CardNumber{3, {0, 5, 0, 0}}, Notation::WG26, 65534);
    const BatchOrder order{"客户丙", first, Notation::WG26, 2, reader::TagChip::T5577, false};
    {
        journal::Journal journal(station.file);
        auto session = started(journal, order);
        ASSERT_TRUE(station.pressOnBlank(session).write->verified());
        EXPECT_EQ(station.field.tagNumber(), first);
    }
    journal::Journal journal(station.file);
    auto resumed = BatchSession::resume(journal);
    ASSERT_TRUE(resumed);
    EXPECT_EQ(
        words::batchStatus(order, resumed->verified(), resumed->nextNumber(), resumed->ended()),
        "批次 客户丙：第 2/2 张，下一张 005,65535");
    ASSERT_TRUE(station.pressOnBlank(*resumed).write->verified());
    EXPECT_EQ(station.field.tagNumber(), card::withCountingValue(first, Notation::WG26, 65535));
    EXPECT_TRUE(resumed->done());
}

TEST(BatchSession, RetriesAFailedWriteWithTheSameNumberAndKeepsItsPlaceOverAReadInBetween) {
    Station station;
    journal::Journal journal(station.file);
    auto session = started(journal, anOrder(3));
    ASSERT_TRUE(station.pressOnBlank(session).write->verified());

    station.field.placeTag(TagKind::EM4100, tenDigit(77));  // takes no write
    const auto failed = session.press(station.source, sayNo);
    ASSERT_EQ(failed.result, BatchPress::Result::Wrote);
    EXPECT_FALSE(failed.write->verified());
    EXPECT_EQ(session.nextNumber(), tenDigit(1001));

    station.field.placeTag(tenDigit(5000));
    EXPECT_EQ(commands::readTag(station.source, journal).result,
              commands::ReadOutcome::Result::Read);
    EXPECT_EQ(session.nextNumber(), tenDigit(1001));

    ASSERT_TRUE(station.pressOnBlank(session).write->verified());
    EXPECT_EQ(station.field.tagNumber(), tenDigit(1001));
    EXPECT_EQ(session.verified(), 2U);
    // The failed write is in the batch's list, not among its verified numbers.
    const auto log = journal.batchLog("客户甲");
    ASSERT_EQ(log.rows.size(), 3U);
    EXPECT_FALSE(log.rows[1].verified);
}

TEST(BatchSession, AWriteCutOffThatAReadFindsOnItsTagCountsAndMovesOnAlsoAfterARestart) {
    Station station;
    {
        journal::Journal journal(station.file);
        auto session = started(journal, anOrder(3));
        commands::JournalEntry cut;
        cut.number = tenDigit(1000);
        ASSERT_EQ(journal.beginWrite(cut), std::nullopt);  // killed during the write
    }
    journal::Journal journal(station.file);
    auto session = BatchSession::resume(journal);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->nextNumber(), tenDigit(1000));
    ASSERT_TRUE(journal.waitLoaded(std::chrono::seconds(10)));  // what it holds unsettled is read
    station.field.placeTag(tenDigit(1000));                     // the tag put back on the reader
    EXPECT_TRUE(session->read(station.source, commands::BatchWriting::Sound::Beep).settledWrite);
    EXPECT_EQ(session->nextNumber(), tenDigit(1001));
    EXPECT_EQ(session->verified(), 1U);
    // A blank next is asked nothing: the settled number is no longer the next.
    ASSERT_TRUE(station.pressOnBlank(*session).write->verified());
    EXPECT_EQ(station.field.tagNumber(), tenDigit(1001));

    journal::Journal reread(station.file);
    const auto resumed = BatchSession::resume(reread);
    ASSERT_TRUE(resumed);
    EXPECT_EQ(resumed->verified(), 2U);
    EXPECT_EQ(resumed->nextNumber(), tenDigit(1002));
    const auto log = reread.batchLog("客户甲");
    ASSERT_EQ(log.rows.size(), 2U);
    EXPECT_TRUE(log.rows[0].verified);
    EXPECT_EQ(log.rows[0].number, tenDigit(1000));
}

TEST(BatchSession, ATagSwappedBeforeItsReadBackLeavesItsNumberUnknownAndTheBatchGoesOn) {
    Station station;
    journal::Journal journal(station.file);
    ASSERT_TRUE(journal.waitLoaded(std::chrono::seconds(10)));
    auto session = started(journal, anOrder(2));
    testing_support::FakeSource swapping;
    swapping.device.writesReachTheTag = false;
    swapping.device.onGetsnr = [&device = swapping.device, reads = 0](
                                   reader::ShortBuffer& s, reader::LongBuffer& l) mutable {
        // A blank before the write; another numbered tag at the read-back.
        device.getsnrStatus = reads++ == 0 ? 2 : 0;
        device.tag = {0, 0, 0, 0, 9};
        s.bytes[0] = device.tag[0];
        std::copy(device.tag.begin() + 1, device.tag.end(), l.bytes.begin());
    };
    const auto swapped = session.press(swapping, sayYes);
    ASSERT_TRUE(swapped.write);
    EXPECT_EQ(swapped.write->result, commands::WriteOutcome::Result::Swapped);
    EXPECT_EQ(session.unknownPositions(), std::vector<std::uint64_t>{0});
    EXPECT_EQ(session.nextNumber(), tenDigit(1001));
    ASSERT_TRUE(station.pressOnBlank(session).write->verified());
    EXPECT_EQ(station.field.tagNumber(), tenDigit(1001));

    // At the end the unknown number comes back, asked about as unknown.
    EXPECT_EQ(session.nextNumber(), tenDigit(1000));
    std::optional<commands::WriteQuestion> asked;
    const auto declined = station.pressOnBlank(session, [&asked](const auto& question) {
        asked = question;
        return false;
    });
    ASSERT_TRUE(asked);
    EXPECT_TRUE(asked->earlierUnknown);
    EXPECT_EQ(declined.write->result, commands::WriteOutcome::Result::Declined);
    EXPECT_EQ(station.field.tagNumber(), kBlank);
    // The tag taken away, put back and read, settles it.
    station.field.placeTag(tenDigit(1000));
    EXPECT_TRUE(session.read(station.source, commands::BatchWriting::Sound::Beep).settledWrite);
    EXPECT_TRUE(session.done());
}

TEST(BatchSession, AsksBeforeANumberSharingAViewWithAnotherTagAndNoWritesNothing) {
    Station station;
    journal::Journal journal(station.file);
    commands::JournalEntry other;
    other.number = tenDigit(1000, 1);  // the same ten-digit view, another version byte
    other.verified = true;
    other.result = "已写卡";
    ASSERT_EQ(journal.append(other), std::nullopt);
    auto session = started(journal, anOrder(2));

    EXPECT_EQ(station.pressOnBlank(session, sayNo).result, BatchPress::Result::Declined);
    EXPECT_EQ(station.field.tagNumber(), kBlank);
    EXPECT_EQ(session.nextNumber(), tenDigit(1000));
    const auto yes = station.pressOnBlank(session, sayYes);
    ASSERT_EQ(yes.result, BatchPress::Result::Wrote);
    EXPECT_TRUE(yes.write->verified());
}

TEST(BatchSession, EndedEarlyVoidsTheRestAsOneRangeAndWritesNoMore) {
    Station station;
    journal::Journal journal(station.file);
    auto session = started(journal, anOrder(4));
    ASSERT_TRUE(station.pressOnBlank(session).write->verified());
    EXPECT_EQ(session.endEarly(), std::nullopt);

    EXPECT_EQ(station.pressOnBlank(session).result, BatchPress::Result::Finished);
    EXPECT_EQ(words::batchStatus(session.batch().order(), session.verified(), session.nextNumber(),
                                 session.ended()),
              "批次 客户甲：已结束，写了 1 张，作废 3 张");
    EXPECT_EQ(journal.unfinishedBatch(), std::nullopt);
    const auto log = journal.batchLog("客户甲");
    EXPECT_EQ(log.voidFrom, 1U);
    EXPECT_EQ(log.voided, 3U);
    const std::string text = wholeFile(station.file);
    EXPECT_NE(text.find(",作废,000000"), std::string::npos);
    EXPECT_EQ(text.find("作废", text.find("作废") + 1), std::string::npos);  // one line
}

// A journal cut where a kill or a power failure may leave it: the batch resumes where the lines
// that survived say it stood.
TEST(BatchResume, AfterAJournalCutAtEveryLineBoundaryAndWithinEveryLine) {
    Station station;
    {
        journal::Journal journal(station.file);
        auto session = started(journal, anOrder(3));
        ASSERT_TRUE(station.pressOnBlank(session).write->verified());
        station.field.placeTag(TagKind::EM4100, tenDigit(77));
        ASSERT_FALSE(session.press(station.source, sayNo).write->verified());
        ASSERT_TRUE(station.pressOnBlank(session).write->verified());
        ASSERT_TRUE(station.pressOnBlank(session).write->verified());
        ASSERT_TRUE(session.done());
    }
    const std::string whole = wholeFile(station.file);
    std::vector<std::size_t> ends;  // where each line ends, its line end included
    for (std::size_t at = whole.find('\n'); at != std::string::npos;
         at = whole.find('\n', at + 1)) {
        ends.push_back(at + 1);
    }
    // header, open, start, 1000, start, failed 1001, start, 1001, start, 1002, end
    ASSERT_EQ(ends.size(), 11U);
    struct Expected {
        bool open;
        std::uint64_t verified;
    };
    // What the first k whole lines say.
    const std::array<Expected, 12> afterLines{{{false, 0},
                                               {false, 0},
                                               {true, 0},
                                               {true, 0},
                                               {true, 1},
                                               {true, 1},
                                               {true, 1},
                                               {true, 1},
                                               {true, 2},
                                               {true, 2},
                                               {true, 3},
                                               {false, 3}}};
    for (std::size_t lines = 0; lines <= ends.size(); ++lines) {
        const std::size_t cut = lines == 0 ? 0 : ends[lines - 1];
        std::vector<std::size_t> cuts{cut};
        if (lines < ends.size()) {
            cuts.push_back((cut + ends[lines]) / 2);  // within the next line
            cuts.push_back(ends[lines] - 1);          // all but its last byte
        }
        for (const std::size_t at : cuts) {
            SCOPED_TRACE("cut at byte " + std::to_string(at) + " after " + std::to_string(lines) +
                         " lines");
            const Expected& expected = afterLines[lines];
            writeFile(station.file, std::string_view(whole).substr(0, at));
            journal::Journal journal(station.file);
            auto resumed = BatchSession::resume(journal);
            ASSERT_EQ(resumed.has_value(), expected.open);
            if (!resumed) {
                continue;
            }
            EXPECT_EQ(resumed->batch().order(), anOrder(3));
            EXPECT_EQ(resumed->verified(), expected.verified);
            if (expected.verified == 3) {
                EXPECT_TRUE(resumed->done());
                EXPECT_EQ(resumed->nextNumber(), std::nullopt);
                EXPECT_FALSE(BatchSession::resume(journal).has_value());  // its end recorded
                continue;
            }
            EXPECT_EQ(resumed->nextNumber(),
                      tenDigit(1000 + static_cast<std::uint32_t>(expected.verified)));
        }
    }
}

TEST(BatchSession, IsNotStartedUnderANameALineCannotHold) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    journal::Journal journal(file);
    for (const char* name : {"", "客户\n甲", "客户\r甲"}) {
        BatchOrder order = anOrder(2);
        order.name = name;
        const auto session = BatchSession::start(*Batch::create(order), journal);
        ASSERT_FALSE(session.has_value()) << name;
        EXPECT_EQ(session.error(), "批次的名称不能为空，也不能分行");
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    // A comma or a quote is only quoted.
    BatchOrder quoted = anOrder(2);
    quoted.name = "客户 \"甲\", 乙";
    ASSERT_TRUE(BatchSession::start(*Batch::create(quoted), journal).has_value());
    const auto resumed = BatchSession::resume(journal);
    ASSERT_TRUE(resumed);
    EXPECT_EQ(resumed->batch().order(), quoted);
}

TEST(BatchSession, IsNotStartedUnderTheNameOfOneNotEndedButBesideAnotherThatWaits) {
    Station station;
    journal::Journal journal(station.file);
    auto first = started(journal, anOrder(2));
    const auto again = BatchSession::start(*Batch::create(anOrder(3)), journal);
    ASSERT_FALSE(again.has_value());
    EXPECT_EQ(again.error(), "批次 客户甲 还没有写完：先继续它，或提前结束它");
    BatchOrder second = anOrder(2);
    second.name = "客户乙";
    second.first = tenDigit(5000);
    auto beside = BatchSession::start(*Batch::create(second), journal);
    ASSERT_TRUE(beside.has_value());
    EXPECT_EQ(journal.unfinishedBatchNames(), (std::vector<std::string>{"客户乙", "客户甲"}));
    EXPECT_EQ(BatchSession::resume(journal)->batch().order(), second);
    // Once the newer one ends, the older one waits to be continued where it stood.
    ASSERT_EQ(beside->endEarly(), std::nullopt);
    EXPECT_EQ(journal.unfinishedBatchNames(), (std::vector<std::string>{"客户甲"}));
    const auto waiting = BatchSession::resume(journal);
    ASSERT_TRUE(waiting);
    EXPECT_EQ(waiting->batch().order(), anOrder(2));
    EXPECT_EQ(waiting->nextNumber(), tenDigit(1000));
    ASSERT_EQ(first.endEarly(), std::nullopt);
    EXPECT_TRUE(journal.unfinishedBatchNames().empty());
    EXPECT_TRUE(BatchSession::start(*Batch::create(anOrder(3)), journal).has_value());
}

TEST(BatchResume, ContinuesWithTheNextNumberAndEndsTheBatch) {
    Station station;
    {
        journal::Journal journal(station.file);
        auto session = started(journal, anOrder(2));
        ASSERT_TRUE(station.pressOnBlank(session).write->verified());
    }
    journal::Journal journal(station.file);
    auto resumed = BatchSession::resume(journal);
    ASSERT_TRUE(resumed);
    EXPECT_EQ(resumed->nextNumber(), tenDigit(1001));
    ASSERT_TRUE(station.pressOnBlank(*resumed).write->verified());
    EXPECT_EQ(station.field.tagNumber(), tenDigit(1001));
    EXPECT_TRUE(resumed->done());
    EXPECT_FALSE(BatchSession::resume(journal).has_value());
}

// Journals with no batch, of every shape the program wrote, and a newer one's batch lines.
struct OldJournal {
    const char* name;
    const char* text;
    bool open;
    friend void PrintTo(const OldJournal& c, std::ostream* os) { *os << c.name; }
};

class BatchInJournal : public ::testing::TestWithParam<OldJournal> {};

TEST_P(BatchInJournal, IsFoundOnlyWhereItsOpeningIs) {
    const testing_support::ScratchFolder scratch;
    const auto file = scratch.path() / "written-tags.csv";
    writeFile(file, GetParam().text);
    journal::Journal journal(file);
    EXPECT_EQ(BatchSession::resume(journal).has_value(), GetParam().open);
    ASSERT_TRUE(journal.waitLoaded(std::chrono::seconds(10)));
    EXPECT_TRUE(journal.lastVerifiedWrite(tenDigit(1000)).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, BatchInJournal,
    ::testing::Values(
        OldJournal{"EightColumns",
                   "时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护\r\n"
                   "2024-05-01T14:03:22+08:00,已写卡,00000003E8,000,0000001000,\"000,01000\","
                   "T5577,否\r\n",
                   false},
        OldJournal{"TenColumns",
                   "时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护,核对,原卡号\r\n"
                   "2024-05-01T14:03:22+08:00,已写卡,00000003E8,000,0000001000,\"000,01000\","
                   "T5577,否,是,\r\n",
                   false},
        // A write naming a batch whose opening line is gone is a write all the same.
        OldJournal{"BatchWriteWithoutItsOpening",
                   "2024-05-01T14:03:22+08:00,已写卡；批次 客户甲,00000003E8,000,0000001000,"
                   "\"000,01000\",T5577,否,是,\r\n",
                   false},
        OldJournal{"OpenedBatch",
                   "2024-05-01T14:03:20+08:00,批次开始,,客户甲,00000003E8,前十位号,3,T5577,否,\r\n"
                   "2024-05-01T14:03:22+08:00,已写卡；批次 客户甲,00000003E8,000,0000001000,"
                   "\"000,01000\",T5577,否,是,\r\n",
                   true}),
    [](const ::testing::TestParamInfo<OldJournal>& shape) {
        return std::string(shape.param.name);
    });

}  // namespace
