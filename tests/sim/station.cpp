#include "station.h"

#include "card/number_text.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "killed.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>
#include <utility>

namespace sim {

namespace {

using Result = commands::WriteOutcome::Result;

std::uint64_t valueOf(const card::CardNumber& number) {
    return card::numberValue(number);
}

// A write the operator cannot tell the outcome of: the tag may hold the number or not.
bool unknownOutcome(const commands::WriteOutcome& outcome) {
    return outcome.writeSent() && !outcome.verified() && outcome.result != Result::NotWritten;
}

commands::SharedBatchSession::Options sharedOptions() {
    commands::SharedBatchSession::Options options;
    // Refreshed only when joining, and retried at once: the run's order then depends on its
    // seed, not on the worker's clock.
    options.refresh = std::chrono::hours(1);
    options.retry = std::chrono::milliseconds(2);
    return options;
}

}  // namespace

Station::Station(StationSetup setup, TagField& field, SimDisk& disk, SharedDatabase* database,
                 Oracle& oracle)
    : setup_(std::move(setup)),
      field_(field),
      disk_(disk),
      database_(database),
      oracle_(oracle),
      reader_(field, setup_.index, [this] { swapHand(); }),
      plainNext_(valueOf(setup_.order.first)) {
    start();
}

Station::~Station() {
    kill();
}

void Station::kill() {
    writer_.reset();
    shared_.reset();
    local_.reset();
    history_.reset();
    journal_.reset();
}

void Station::start() {
    journal_ = std::make_unique<journal::Journal>(setup_.folder / journal::kFileName);
    history_ = std::make_unique<journal::JournalHistory>(*journal_);
    // The window waits for its journal before the first question: the run must not depend on
    // how fast the machine reads it.
    static_cast<void>(journal_->waitLoaded(std::chrono::minutes(1)));
    if (setup_.mode == Mode::Batch || setup_.mode == Mode::HandsFree) {
        if (!batchStarted_) {
            auto started =
                commands::BatchSession::start(*commands::Batch::create(setup_.order), *journal_);
            if (started) {
                local_.emplace(std::move(*started));
                batchStarted_ = true;
            }
        } else {
            local_ = commands::BatchSession::resume(*journal_);
            if (!local_) {
                finished_ = true;
            }
        }
    } else if (shared()) {
        joinShared();
    }
    if (handsFree() && batch() != nullptr) {
        writer_ = std::make_unique<commands::HandsFreeWriter>(*batch(), *journal_, reader_);
        const auto lifted = field_.lay(setup_.index, std::nullopt);
        static_cast<void>(writer_->teachBlank());  // an empty reader: blanks send nothing
        field_.lay(setup_.index, lifted);
    }
}

void Station::joinShared() {
    auto ledger = std::make_unique<MemoryLedger>(*database_, setup_.name, setup_.identity);
    if (ledger->refused()) {
        if (setup_.identityCloned) {
            finished_ = true;  // told at once: this copy writes nothing shared
        } else if (setup_.nameTaken) {
            setup_.name += "乙";  // told the name is taken: goes on under another
            setup_.nameTaken = false;
        }
        return;
    }
    auto joined = commands::SharedBatchSession::join(setup_.sharedBatch, *journal_, *history_,
                                                     std::move(ledger), sharedOptions());
    if (joined) {
        shared_ = std::move(*joined);
        awaitServer();
    }
}

commands::BatchWriting* Station::batch() {
    if (local_) {
        return &*local_;
    }
    return shared_.get();
}

void Station::lay(Lay what) {
    std::optional<TagId> tag;
    switch (what) {
        case Lay::Blank:
            tag = field_.newBlank();
            break;
        case Lay::Foreign:
            // Numbers this shop never gives: B4 0xFE, and a view of their own.
            tag = field_.newForeign(0xFE00F00000ULL + field_.size());
            break;
        case Lay::PutBack:
            tag = lastLifted_ ? lastLifted_ : field_.newBlank();
            break;
    }
    field_.lay(setup_.index, tag);
}

void Station::lift() {
    if (const auto lifted = field_.lay(setup_.index, std::nullopt)) {
        lastLifted_ = lifted;
        bag_.push_back(*lifted);
    }
}

void Station::swapHand() {
    // The tag just written is taken off and another, holding a number, laid in its place.
    lift();
    swappedAway_ = lastLifted_;
    const TagId other = bag_.size() > 1 ? bag_[bag_.size() / 2]
                                        : field_.newForeign(0xFE00E00000ULL + field_.size());
    field_.lay(setup_.index, other);
}

commands::Confirm Station::operatorAnswers(const StepFaults& faults) {
    return [this, careless = faults.carelessYes](const commands::WriteQuestion& question) {
        std::optional<std::uint64_t> named;
        switch (question.kind) {
            case commands::WriteQuestion::Kind::WrittenBefore:
            case commands::WriteQuestion::Kind::Both:
                named = valueOf(question.number);
                break;
            case commands::WriteQuestion::Kind::TagNumbered:
                named = valueOf(question.onTag);
                break;
            case commands::WriteQuestion::Kind::SharedView:
                named = valueOf(question.shared.number);
                break;
        }
        // Yes to a write the operator checked reached no tag, or out of carelessness.
        const bool yes = careless || checkedAbsent_.contains(valueOf(question.number));
        if (yes && named) {
            oracle_.answeredYes(*named);
        }
        return yes;
    };
}

void Station::told(const commands::WriteOutcome& outcome) {
    if (outcome.verified()) {
        oracle_.toldVerified(setup_.index, valueOf(outcome.request.number),
                             field_.onReader(setup_.index));
    } else if (unknownOutcome(outcome)) {
        checkUnknown(valueOf(outcome.request.number));
    }
}

void Station::checkUnknown(std::uint64_t number) {
    // The tag the write was meant for is the one on the reader, unless a hand swapped it: then
    // the operator puts back the one just taken (请把刚取下的卡放回核对).
    if (swappedAway_) {
        field_.lay(setup_.index, std::exchange(swappedAway_, std::nullopt));
    }
    readAtWindow();
    const auto checked = field_.onReader(setup_.index);
    if (!checked || field_.tag(*checked).number != number) {
        checkedAbsent_.insert(number);
    }
}

void Station::readAtWindow() {
    // In a batch, 读卡号 is the batch's read: a write of unknown outcome it finds counts there.
    commands::BatchWriting* session = batch();
    const auto read = session != nullptr
                          ? session->read(reader_, commands::BatchWriting::Sound::Beep)
                          : commands::readTag(reader_, *journal_);
    if (read.settledWrite) {
        oracle_.settledOnTag(setup_.index, valueOf(read.tag));
        checkedAbsent_.erase(valueOf(read.tag));
    }
}

void Station::awaitServer() {
    if (!shared_) {
        return;
    }
    // The worker sends what a press queued; the next step waits for it while the server is up,
    // so that the run follows its seed.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    // And for a lease, when the station's are used up: the worker takes one as soon as it can.
    const auto waiting = [this] {
        return shared_->progress().unsent > 0 || (!shared_->nextNumber() && !shared_->done());
    };
    for (int tries = 0;
         database_->reachable() && waiting() && std::chrono::steady_clock::now() < limit; ++tries) {
        // A send takes microseconds: the worker is given the core before the poll backs off.
        if (tries < 100) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    }
}

void Station::press(const StepFaults& faults) {
    commands::BatchWriting* session = batch();
    if (session == nullptr) {
        return;
    }
    const auto pressed = session->press(reader_, operatorAnswers(faults), std::nullopt);
    if (pressed.write) {
        told(*pressed.write);
    }
    awaitServer();
}

void Station::writePlain(const StepFaults& faults) {
    commands::WriteRequest request;
    request.notation = setup_.order.notation;
    request.advance = true;
    std::uint64_t number = plainNext_;
    const bool slip = faults.viewTwin && !plainWritten_.empty();
    if (slip) {
        // Another B4 or B3: the same eight-digit view.
        number = plainWritten_[plainWritten_.size() / 2] + (std::uint64_t{1} << 24U);
    }
    request.number = card::tagNumberFromValue(number);
    const auto outcome = commands::writeTag(request, reader_, *journal_, operatorAnswers(faults));
    told(outcome);
    if (outcome.verified()) {
        plainWritten_.push_back(number);
        if (!slip) {
            plainNext_ = valueOf(*commands::numberAfter(outcome));
        }
    }
}

void Station::handsFreeTurn() {
    using Kind = commands::HandsFreeStep::Kind;
    for (int tick = 0; tick < 6; ++tick) {
        const auto step = writer_->tick();
        if (step.write) {
            told(*step.write);
        }
        if (step.kind == Kind::Stopped) {
            pressAtWindow_ = true;
            break;
        }
        if (step.kind != Kind::Blank && step.kind != Kind::NoTag) {
            break;
        }
    }
    awaitServer();
    // The hand takes the tag away; the writer watches until it has left.
    lift();
    for (int tick = 0; tick < 4 && writer_->running() && !pressAtWindow_; ++tick) {
        if (writer_->tick().kind == Kind::NoTag) {
            break;
        }
    }
}

void Station::step(const StepFaults& faults) {
    if (finished_) {
        return;
    }
    swappedAway_.reset();
    lay(faults.lay);
    reader_.plan(faults.reader);
    if (faults.diskFullAppends > 0) {
        disk_.fill(setup_.folder, faults.diskFullAppends, faults.tornBytes);
    }
    if (faults.killInAppend) {
        disk_.killDuringNextAppend(setup_.folder, *faults.killInAppend);
    }
    try {
        if (shared() && !shared_) {
            joinShared();
        }
        awaitServer();  // the server may be back
        if (setup_.mode == Mode::Plain) {
            writePlain(faults);
        } else if (handsFree() && writer_ && !pressAtWindow_) {
            handsFreeTurn();
        } else {
            press(faults);
            if (pressAtWindow_ && writer_) {
                pressAtWindow_ = false;
                writer_ = std::make_unique<commands::HandsFreeWriter>(*batch(), *journal_, reader_);
                const auto lifted = field_.lay(setup_.index, std::nullopt);
                static_cast<void>(writer_->teachBlank());
                field_.lay(setup_.index, lifted);
            }
        }
    } catch (const Killed&) {
        ++kills_;
        reader_.plan({});
        disk_.calm(setup_.folder);
        kill();
        start();
        // After a kill the guide says: the tag back on the reader, 读卡号. The operator knows the
        // program died, whatever its journal makes of it.
        const auto interrupted = journal_->interruptedWrite();
        if (interrupted) {
            checkUnknown(valueOf(interrupted->number));
        } else {
            if (swappedAway_) {
                field_.lay(setup_.index, std::exchange(swappedAway_, std::nullopt));
            }
            readAtWindow();
        }
    }
    reader_.plan({});
    disk_.calm(setup_.folder);
    if (commands::BatchWriting* session = batch()) {
        const auto next = session->nextNumber();
        oracle_.offered(setup_.index, next ? std::optional(valueOf(*next)) : std::nullopt);
        if (local_ && local_->finished()) {
            finished_ = true;
        }
    }
    lift();
}

void Station::close() {
    if (shared_) {
        static_cast<void>(shared_->close(std::chrono::seconds(20)));
    }
    kill();
}

std::set<std::uint64_t> Station::journalNumbers() const {
    std::set<std::uint64_t> numbers;
    std::ifstream in(setup_.folder / journal::kFileName, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ',' || text[i] == '\n' || text[i] == '"') {
            if (i - start == card::kHexDigits) {
                if (const auto value =
                        card::parseHexValue(std::string_view(text).substr(start, i - start))) {
                    numbers.insert(*value);
                }
            }
            start = i + 1;
        }
    }
    return numbers;
}

}  // namespace sim
