#pragma once

#include "commands/batch.h"
#include "commands/batch_session.h"
#include "commands/hands_free.h"
#include "commands/shared_batch_session.h"
#include "journal/journal.h"
#include "journal/journal_history.h"
#include "memory_ledger.h"
#include "oracle.h"
#include "sim_disk.h"
#include "sim_random.h"
#include "sim_reader.h"
#include "step_faults.h"
#include "tag_field.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sim {

// How a station numbers its tags.
enum class Mode {
    Plain,            // presses outside a batch, the window's number moving on by one
    Batch,            // presses in a local batch
    HandsFree,        // hands-free writing in a local batch
    Shared,           // presses in a batch shared through the database
    SharedHandsFree,  // hands-free writing in a shared batch
};

struct StationSetup {
    std::size_t index = 0;  // its reader, and its place among the shop's stations
    Mode mode = Mode::Plain;
    std::filesystem::path folder;  // its data folder: the journal
    std::string name;              // 站名
    std::string identity;          // its installation's station id
    commands::BatchOrder order;    // Batch, HandsFree; Plain: its first number and notation
    std::int64_t sharedBatch = 0;  // Shared, SharedHandsFree
    // Another live station has its name (it renames itself when told), or its identity (it stops).
    bool nameTaken = false;
    bool identityCloned = false;
};

// One station: a program (journal, batch, hands-free writer: all dropped when killed and made
// again from the journal) and the hands at its reader, which outlive it.
class Station {
public:
    Station(StationSetup setup, TagField& field, SimDisk& disk, SharedDatabase* database,
            Oracle& oracle);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;
    Station(Station&&) = delete;
    Station& operator=(Station&&) = delete;

    // One tag's turn: a hand lays a tag, the program writes or reads it, the hand lifts it.
    void step(const StepFaults& faults);
    // Nothing more to write here.
    [[nodiscard]] bool finished() const noexcept { return finished_; }
    // The end of the run, with the server up: what is unsent is sent, leases given back.
    void close();
    // The numbers its journal file holds anywhere, torn lines included.
    [[nodiscard]] std::set<std::uint64_t> journalNumbers() const;
    [[nodiscard]] std::size_t kills() const noexcept { return kills_; }
    [[nodiscard]] const StationSetup& setup() const noexcept { return setup_; }

private:
    void start();
    void kill();
    [[nodiscard]] bool shared() const noexcept {
        return setup_.mode == Mode::Shared || setup_.mode == Mode::SharedHandsFree;
    }
    [[nodiscard]] bool handsFree() const noexcept {
        return setup_.mode == Mode::HandsFree || setup_.mode == Mode::SharedHandsFree;
    }
    [[nodiscard]] commands::BatchWriting* batch();
    void joinShared();
    void lay(Lay what);
    void lift();
    void swapHand();
    [[nodiscard]] commands::Confirm operatorAnswers(const StepFaults& faults);
    void press(const StepFaults& faults);
    void writePlain(const StepFaults& faults);
    void handsFreeTurn();
    void told(const commands::WriteOutcome& outcome);
    // The guide after a write of unknown outcome: the tag back on the reader, 读卡号.
    void checkUnknown(std::uint64_t number);
    void readAtWindow();
    void awaitServer();

    StationSetup setup_;
    TagField& field_;
    SimDisk& disk_;
    SharedDatabase* database_;
    Oracle& oracle_;
    SimReader reader_;

    // The program: made at start, dropped when killed.
    std::unique_ptr<journal::Journal> journal_;
    std::unique_ptr<journal::JournalHistory> history_;
    std::optional<commands::BatchSession> local_;
    std::unique_ptr<commands::SharedBatchSession> shared_;
    std::unique_ptr<commands::HandsFreeWriter> writer_;

    // The operator and the hands: they outlive the program.
    bool batchStarted_ = false;
    bool finished_ = false;
    bool pressAtWindow_ = false;  // hands-free stopped on a question: the next turn presses
    std::optional<TagId> lastLifted_;
    std::optional<TagId> swappedAway_;  // taken off between this step's write and read-back
    std::vector<TagId> bag_;
    std::set<std::uint64_t> checkedAbsent_;  // unknown writes the operator found on no tag
    std::uint64_t plainNext_ = 0;
    std::vector<std::uint64_t> plainWritten_;
    std::size_t kills_ = 0;
};

}  // namespace sim
