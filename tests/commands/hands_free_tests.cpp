// Hands-free writing in a batch, driven tick by tick through the real loader and the emulated
// reader, as the window's timer would drive it.
#include "card/number_text.h"
#include "commands/batch_session.h"
#include "commands/hands_free.h"
#include "journal/journal.h"
#include "platform/durable_append.h"
#include "reader/reader_source.h"
#include "support/emulator_control.h"
#include "support/field_feeder.h"
#include "support/scratch_folder.h"
#include "words/batch_text.h"
#include "words/hands_free_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using card::CardNumber;
using card::Notation;
using commands::HandsFreeStep;
using commands::HandsFreeWriter;
using Kind = commands::HandsFreeStep::Kind;
using TagKind = emulator::TagKind;

// What a step says to the operator, in a batch of ten-digit numbers.
std::string said(const HandsFreeStep& step) {
    return words::stepWords(step, Notation::WG34);
}
using testing_support::EmulatorControl;

CardNumber tenDigit(std::uint32_t value, std::uint8_t b4 = 0) {
    return card::withCountingValue(CardNumber{b4, {}}, Notation::WG34, value);
}

commands::BatchOrder anOrder(std::uint64_t count, reader::TagChip chip = reader::TagChip::T5577) {
    return commands::BatchOrder{"客户甲", tenDigit(1000), Notation::WG34, count, chip, false};
}

// A verified write outside the batch, as an earlier day's work left it in the journal.
void journalWrite(journal::Journal& journal, const CardNumber& number) {
    commands::JournalEntry entry;
    entry.number = number;
    entry.verified = true;
    entry.result = "已写卡";
    ASSERT_EQ(journal.append(entry), std::nullopt);
}

struct Station {
    explicit Station(const commands::BatchOrder& order) {
        auto started = commands::BatchSession::start(*commands::Batch::create(order), journal);
        if (!started) {
            throw std::runtime_error(started.error());
        }
        session.emplace(std::move(*started));
        writer.emplace(*session, journal, source);
    }

    // Ticks until the writer does something other than watch an empty field or a tag leave.
    HandsFreeStep tickUntilSomething() {
        for (int n = 0; n < 10; ++n) {
            HandsFreeStep step = writer->tick();
            if (step.kind != Kind::NoTag && step.kind != Kind::WaitingForLeave) {
                return step;
            }
        }
        throw std::runtime_error("nothing happened in ten ticks");
    }
    // Takes the tag away and ticks until the writer has seen it leave.
    void takeAway() {
        field.removeTag();
        EXPECT_EQ(writer->tick().kind, Kind::WaitingForLeave);  // one empty read is not enough
        EXPECT_EQ(writer->tick().kind, Kind::NoTag);
    }

    testing_support::ScratchFolder scratch;
    journal::Journal journal{scratch.path() / "written-tags.csv"};
    EmulatorControl field;
    reader::LazyReaderLibrary source;
    std::optional<commands::BatchSession> session;
    std::optional<HandsFreeWriter> writer;
};

// A disk that takes `room` appends and then is full.
class FillingDisk : public platform::AppendMedium {
public:
    explicit FillingDisk(int room) : room_(room) {}
    std::error_code write(const std::filesystem::path& /*file*/, std::intptr_t /*native*/,
                          std::string_view /*bytes*/) override {
        return room_-- > 0 ? std::error_code{}
                           : std::make_error_code(std::errc::no_space_on_device);
    }

private:
    int room_;
};

// A full disk stops hands-free writing before the next tag is lost alike. Full after the write's
// start line: the tag is written and verified, its line lost, and the batch never offers the
// number again. Full before it: nothing is sent, and the number stays the batch's next.
TEST(HandsFree, StopsWhenTheDiskIsFull) {
    struct Row {
        int room;
        std::string said;
        std::optional<CardNumber> onTag;
        CardNumber next;
    };
    const std::vector<Row> rows{
        {1, "自动写卡已停止：磁盘已满：已写卡 0000001000 未记录；请腾出空间后继续", tenDigit(1000),
         tenDigit(1001)},
        {0, "自动写卡已停止：未写卡；未记录：磁盘已满", std::nullopt, tenDigit(1000)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.room);
        Station station(anOrder(3));
        station.field.placeEmptyTag(TagKind::T5577);
        ASSERT_EQ(station.tickUntilSomething().kind, Kind::Blank);
        FillingDisk disk(row.room);
        platform::useAppendMedium(&disk);
        const HandsFreeStep step = station.writer->tick();
        platform::useAppendMedium(nullptr);
        ASSERT_EQ(step.kind, Kind::Stopped);
        EXPECT_EQ(said(step), row.said);
        EXPECT_EQ(station.field.tagNumber(), row.onTag);
        EXPECT_EQ(station.session->nextNumber(), row.next);
    }
}

TEST(HandsFree, WritesBlanksAndLeavesEveryOtherTagAsItIs) {
    struct Row {
        const char* name;
        std::function<void(Station&)> prepare;  // the journal and the taught blank
        std::function<void(const EmulatorControl&)> place;
        bool written;
        std::string note;  // for a tag left as it is: how the note starts
    };
    const auto teach = [](const CardNumber& blank) {
        return [blank](Station& station) {
            station.field.placeTag(blank);
            ASSERT_EQ(station.writer->teachBlank(), std::nullopt);
            EXPECT_EQ(station.writer->blankNumber(), blank);
            station.field.removeTag();
        };
    };
    const auto nothing = [](Station& /*unused*/) {};
    const std::vector<Row> rows{
        {"a blank that sends nothing", nothing,
         [](const EmulatorControl& f) { f.placeEmptyTag(TagKind::T5577); }, true, ""},
        {"the bag's taught blank number", teach(tenDigit(42)),
         [](const EmulatorControl& f) { f.placeTag(tenDigit(42)); }, true, ""},
        {"a blank sending nothing where the bag's send a number", teach(tenDigit(42)),
         [](const EmulatorControl& f) { f.placeEmptyTag(TagKind::T5577); }, false,
         "此卡不是空白卡：无号码，已跳过"},
        {"an unknown number, named with its B4", nothing,
         [](const EmulatorControl& f) {
             f.placeTag(CardNumber{0x11, {0x22, 0x33, 0x44, 0x55}});
         },
         false, "此卡不是空白卡：017 0573785173，已跳过"},
        {"a number the journal holds",
         [](Station& station) { journalWrite(station.journal, tenDigit(500)); },
         [](const EmulatorControl& f) { f.placeTag(tenDigit(500)); }, false,
         "此卡不是空白卡：000 0000000500，已跳过（"},
        {"the taught blank number once the journal holds it",
         [&](Station& station) {
             teach(tenDigit(42))(station);
             journalWrite(station.journal, tenDigit(42));
         },
         [](const EmulatorControl& f) { f.placeTag(tenDigit(42)); }, false,
         "此卡不是空白卡：000 0000000042，已跳过（"},
        {"a password-protected tag", nothing,
         [](const EmulatorControl& f) { f.placePasswordLockedT5577(tenDigit(9)); }, false,
         "此卡不是空白卡：000 0000000009，已跳过"},
        {"a read-only tag", nothing,
         [](const EmulatorControl& f) { f.placeTag(TagKind::EM4100, tenDigit(8)); }, false,
         "此卡不是空白卡：000 0000000008，已跳过"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Station station(anOrder(3));
        row.prepare(station);
        EXPECT_EQ(station.writer->tick().kind, Kind::NoTag);
        row.place(station.field);
        const auto before = station.field.state();
        const HandsFreeStep first = station.tickUntilSomething();
        if (row.written) {
            ASSERT_EQ(first.kind, Kind::Blank);
            const HandsFreeStep wrote = station.writer->tick();
            ASSERT_EQ(wrote.kind, Kind::Wrote);
            EXPECT_TRUE(wrote.write->verified());
            EXPECT_EQ(station.field.tagNumber(), tenDigit(1000));
            EXPECT_EQ(station.field.beepCount(), before.beeps + 1);  // the write's, not the reads'
            EXPECT_EQ(station.session->verified(), 1U);
            EXPECT_EQ(station.journal.batchLog("客户甲").rows.size(), 1U);
            continue;
        }
        ASSERT_EQ(first.kind, Kind::Skipped);
        EXPECT_EQ(said(first).rfind(row.note, 0), 0U) << said(first);
        EXPECT_EQ(station.writer->tick().kind, Kind::WaitingForLeave);
        EXPECT_EQ(station.field.state(), before);  // nothing written, selected or beeped
        EXPECT_EQ(station.session->verified(), 0U);
        EXPECT_TRUE(station.journal.batchLog("客户甲").rows.empty());
    }
}

TEST(HandsFree, WritesATagOnceAndTheNextOnlyAfterItHasLeft) {
    Station station(anOrder(3));
    station.field.placeEmptyTag(TagKind::T5577);
    ASSERT_EQ(station.tickUntilSomething().kind, Kind::Blank);
    ASSERT_EQ(station.writer->tick().kind, Kind::Wrote);
    for (int n = 0; n < 5; ++n) {
        EXPECT_EQ(station.writer->tick().kind, Kind::WaitingForLeave);
    }
    // Missed by one read and seen again: still the same tag.
    station.field.removeTag();
    EXPECT_EQ(station.writer->tick().kind, Kind::WaitingForLeave);
    station.field.placeTag(tenDigit(1000));
    EXPECT_EQ(station.writer->tick().kind, Kind::WaitingForLeave);
    EXPECT_EQ(station.session->verified(), 1U);

    station.takeAway();
    station.field.placeEmptyTag(TagKind::T5577);
    ASSERT_EQ(station.tickUntilSomething().kind, Kind::Blank);
    ASSERT_EQ(station.writer->tick().kind, Kind::Wrote);
    EXPECT_EQ(station.field.tagNumber(), tenDigit(1001));
    EXPECT_EQ(station.session->verified(), 2U);
}

TEST(HandsFree, StopsAfterThreeFailedWritesInARowAndSaysWhy) {
    Station station(anOrder(3, reader::TagChip::EM4305));  // blanks of the other chip
    for (int n = 1; n <= commands::kFailuresToStop; ++n) {
        SCOPED_TRACE(n);
        station.field.placeEmptyTag(TagKind::T5577);
        ASSERT_EQ(station.tickUntilSomething().kind, Kind::Blank);
        const HandsFreeStep step = station.writer->tick();
        ASSERT_TRUE(step.write);
        EXPECT_FALSE(step.write->verified());
        if (n < commands::kFailuresToStop) {
            ASSERT_EQ(step.kind, Kind::Failed);
            station.takeAway();
            continue;
        }
        ASSERT_EQ(step.kind, Kind::Stopped);
        EXPECT_EQ(said(step).rfind("自动写卡已停止：连续 3 张卡没有写成，最后一张：", 0), 0U)
            << said(step);
    }
    EXPECT_FALSE(station.writer->running());
    // Stopped means no more reads or writes: a blank of the right chip stays blank.
    station.field.placeEmptyTag(TagKind::EM4305);
    const auto before = station.field.state();
    EXPECT_EQ(station.writer->tick().kind, Kind::Stopped);
    EXPECT_EQ(station.field.state(), before);
    EXPECT_EQ(station.session->nextNumber(), tenDigit(1000));
}

TEST(HandsFree, StopsWhenTheBatchIsDoneOrAWriteWouldAskAQuestion) {
    {
        Station station(anOrder(1));
        station.field.placeEmptyTag(TagKind::T5577);
        ASSERT_EQ(station.tickUntilSomething().kind, Kind::Blank);
        ASSERT_EQ(station.writer->tick().kind, Kind::Wrote);
        EXPECT_FALSE(station.writer->running());
        station.field.placeEmptyTag(TagKind::T5577);
        EXPECT_EQ(station.writer->tick().kind, Kind::Done);
        EXPECT_EQ(station.field.tagNumber(), std::nullopt);
        EXPECT_TRUE(station.session->ended());
    }
    {
        // The batch's first number shows as another tag's does in the ten-digit view.
        Station station(anOrder(2));
        journalWrite(station.journal, tenDigit(1000, 1));
        station.field.placeEmptyTag(TagKind::T5577);
        ASSERT_EQ(station.tickUntilSomething().kind, Kind::Blank);
        const HandsFreeStep step = station.writer->tick();
        ASSERT_EQ(step.kind, Kind::Stopped);
        EXPECT_EQ(said(step),
                  "自动写卡已停止：前十位号 0000001000（000 0000001000）已写在 001 0000001000 上："
                  "按前十位号读卡的门禁会把两张卡当成一张");
        EXPECT_EQ(station.field.tagNumber(), std::nullopt);
    }
    {
        // A shared batch's station whose numbers are used up while the server is away: the press
        // finds none to write, yet the batch goes on. It stops and says why; it is not done.
        struct OutOfNumbers final : commands::BatchWriting {
            OutOfNumbers(const commands::BatchSession& session, commands::WriteJournal& writes)
                : local(session), journal(writes) {}
            [[nodiscard]] const commands::Batch& batch() const override { return local.batch(); }
            [[nodiscard]] std::optional<CardNumber> nextNumber() const override {
                return std::nullopt;
            }
            [[nodiscard]] bool finished() const override { return false; }
            commands::BatchPress press(
                reader::ReaderSource& /*source*/, const commands::Confirm& /*confirm*/,
                const std::optional<commands::TagSighting>& /*seen*/) override {
                return {};
            }
            [[nodiscard]] commands::BatchStanding standing() const override { return {}; }
            commands::ReadOutcome read(reader::ReaderSource& source, Sound /*sound*/) override {
                return commands::readTagQuietly(source, journal);
            }
            const commands::BatchSession& local;
            commands::WriteJournal& journal;
        };
        Station station(anOrder(2));
        OutOfNumbers shared(*station.session, station.journal);
        HandsFreeWriter writer(shared, station.journal, station.source);
        station.field.placeEmptyTag(TagKind::T5577);
        ASSERT_EQ(writer.tick().kind, Kind::Blank);
        const HandsFreeStep step = writer.tick();
        ASSERT_EQ(step.kind, Kind::Stopped);
        EXPECT_EQ(said(step), "自动写卡已停止：本站的号段已写完，服务器连上后才有新号码");
        EXPECT_EQ(station.field.tagNumber(), std::nullopt);
    }
}

// Tags laid and taken away on their own time, as an operator's hand does, while the writer ticks
// at a pace of its own: each is written once, in order, and the batch stops when done.
TEST(HandsFree, NumbersEveryBlankAHandLaysUntilTheBatchIsDone) {
    Station station(anOrder(3));
    const testing_support::FieldFeeder hand(
        station.field.fieldFile(), emulator::blankT5577(), 3,
        {std::chrono::milliseconds(300), std::chrono::milliseconds(15)});
    std::vector<CardNumber> written;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (station.writer->running() && std::chrono::steady_clock::now() < giveUp) {
        const HandsFreeStep step = station.writer->tick();
        ASSERT_NE(step.kind, Kind::Stopped) << said(step);
        ASSERT_NE(step.kind, Kind::Skipped) << said(step);
        if (step.kind == Kind::Wrote) {
            written.push_back(step.write->readBack);
        }
        if (step.kind != Kind::Blank) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    EXPECT_EQ(written, (std::vector<CardNumber>{tenDigit(1000), tenDigit(1001), tenDigit(1002)}));
    EXPECT_EQ(station.session->verified(), 3U);
    EXPECT_TRUE(station.session->ended());
}

TEST(HandsFree, TeachesTheBlankOnTheReader) {
    Station station(anOrder(1));
    station.field.placeTag(tenDigit(5));
    ASSERT_EQ(station.writer->teachBlank(), std::nullopt);
    EXPECT_EQ(station.writer->blankNumber(), tenDigit(5));
    station.field.placeEmptyTag(TagKind::T5577);
    ASSERT_EQ(station.writer->teachBlank(), std::nullopt);
    EXPECT_EQ(station.writer->blankNumber(), std::nullopt);  // taught again: sends nothing
    station.field.placeTag(tenDigit(5));
    ASSERT_EQ(station.writer->teachBlank(), std::nullopt);
    station.field.removeTag();
    ASSERT_EQ(station.writer->teachBlank(), std::nullopt);
    EXPECT_EQ(station.writer->blankNumber(), std::nullopt);  // no tag: the default again
}

}  // namespace
