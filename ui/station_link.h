#pragma once

#include "commands/batch.h"
#include "commands/shared_batch_session.h"
#include "journal/journal.h"
#include "store/shared_store.h"
#include "ui/station_settings.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QTimer;
class QWidget;

namespace ui {

class CommandLife;
class DatabaseLink;
class StatusLine;
struct DatabaseFound;

// This station's side of the shared database: the connection made beside the window, the
// password asked for, the open batches offered or chosen, this station's part of a shared batch
// and where it stands over all stations. The window shows what it says and forwards to it.
class StationLink final : public QObject {
    Q_OBJECT

public:
    // `batchInWindow` tells whether a batch (local or shared) is in the window now.
    StationLink(QWidget& window, CommandLife& life, StatusLine& status, journal::Journal& journal,
                std::function<bool()> batchInWindow);
    // What this station leaves unwritten goes back to the others.
    ~StationLink() override;
    StationLink(const StationLink&) = delete;
    StationLink& operator=(const StationLink&) = delete;
    StationLink(StationLink&&) = delete;
    StationLink& operator=(StationLink&&) = delete;

    // The shared database for this run (--database), in place of the settings' one; empty: none.
    void useDatabase(const std::string& url) { databaseForRun_ = url; }
    [[nodiscard]] std::string databaseUrl() const;
    [[nodiscard]] const StationSettings& settings() const noexcept { return station_; }
    // Keeps what the batch dialog says of sharing in the settings.
    void keepSharing(const StationSettings& sharing);

    // Connects to the shared database, if there is one, and offers its open batch; `chooseAmong`
    // (加入共享批次) lets the operator choose when several are open.
    void connectStation(bool chooseAmong = false);
    // Creates the batch of the order in the shared database and joins it; why not (UTF-8).
    [[nodiscard]] std::optional<std::string> begin(const commands::BatchOrder& order);
    // This station's part of the shared batch in the window, if any.
    [[nodiscard]] commands::SharedBatchSession* session() const { return shared_.get(); }
    // Voids, after a question, the unwritten numbers of another station's block: one gone for
    // good would hold them back from the batch for ever.
    void voidOtherStationsBlock();
    // Gives this station's unwritten numbers back; says so when not all reached the server.
    void close();
    // Ends the shared batch for every station, after a question naming what stays unwritten,
    // which is voided in this station's name. Whether this station has left it.
    [[nodiscard]] bool endSharedBatch();

Q_SIGNALS:
    // A shared batch is about to come into the window: hands-free writing and the check stop.
    void joining();
    void joined();
    // Where the shared batch stands may have changed.
    void progressed();
    void left();

private:
    void connected();
    void notConnected(const store::StoreError& error);
    // Asks for the database's password (after one refused when `wrong`); whether one was given.
    [[nodiscard]] bool askPassword(bool wrong);
    // The settings the operator gave, kept in zeld.ini once their database has answered.
    void saveWhatWorked();
    // A database's failure in the status line, `after` said after its words.
    void showTrouble(const store::StoreError& error, const std::string& after = {});
    void choose(DatabaseFound found);
    void offerBatch(store::SharedStore connection, const store::SharedBatch& batch,
                    std::uint64_t verified);
    [[nodiscard]] std::optional<std::string> join(store::SharedStore connection, std::int64_t id);
    // From what the session's worker last heard: the panel, and the status line when the server
    // went away or came back or a write was refused.
    void showProgress();
    // Who this station is to the database; why not in words, when its name cannot be.
    [[nodiscard]] util::Expected<store::StationIdentity, std::string> identity() const;

    QWidget& window_;
    CommandLife& life_;
    StatusLine& status_;
    journal::Journal& journal_;
    std::function<bool()> batchInWindow_;
    StationSettings station_ = loadStationSettings();
    // Made (and kept in zeld.ini) when the station first meets a shared database: a station that
    // only ever writes alone keeps no settings file.
    [[nodiscard]] const std::string& stationId() const;
    mutable std::optional<std::string> stationId_;
    std::optional<std::string> databaseForRun_;  // --database
    const std::string run_;                      // this run's mark on its connections
    std::optional<std::string> password_;        // typed once, kept in memory only
    DatabaseLink* link_ = nullptr;
    std::unique_ptr<commands::SharedBatchSession> shared_;
    store::SharedWaitLimit sharedWaits_;  // of the shared session's store: closing ends them
    QTimer* progressTimer_ = nullptr;
    bool offline_ = false;           // as last shown
    std::size_t refusalsShown_ = 0;  // of the session's refusals
    bool chooseAmong_ = false;       // 加入共享批次 pressed: the operator picks among several
    bool unsaved_ = false;           // station_ is not yet in zeld.ini: its database never answered
};

}  // namespace ui
