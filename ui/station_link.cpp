// This station's side of shared batches: the connection to the shared database, the offer of an
// open batch, and its progress over all stations. What a station does in a shared batch is the
// shared session's (commands/shared_batch_session.*).
#include "ui/station_link.h"
#include "commands/shared_batch_name.h"

#include "journal/journal_history.h"
#include "store/store_ledger.h"
#include "ui/command_life.h"
#include "ui/database_link.h"
#include "ui/database_trouble.h"
#include "ui/question_box.h"
#include "ui/status_line.h"
#include "ui/wait_cursor.h"
#include "words/batch_text.h"
#include "words/shared_text.h"
#include "words/station_text.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QSysInfo>
#include <QTimer>
#include <QUuid>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace ui {

namespace {

// How long closing waits for the outcomes not yet sent: the journal keeps them in any case, and
// the next join sends them.
constexpr std::chrono::milliseconds kCloseWait{1500};
// No wait on the database goes past this, from the start of a close, so that a server stopped,
// paused or cut off never holds the program open; what is not given back stays this station's.
constexpr std::chrono::milliseconds kCloseLimit{2000};
// How often the panel shows what the session's worker last heard of the other stations.
constexpr std::chrono::milliseconds kProgressEvery{1000};

}  // namespace

StationLink::StationLink(QWidget& window, CommandLife& life, StatusLine& status,
                         journal::Journal& journal, std::function<bool()> batchInWindow)
    : QObject(&window),
      window_(window),
      life_(life),
      status_(status),
      journal_(journal),
      batchInWindow_(std::move(batchInWindow)),
      run_(QUuid::createUuid().toString(QUuid::Id128).left(16).toStdString()) {}

StationLink::~StationLink() {
    close();
}

void StationLink::keepSharing(const StationSettings& sharing) {
    // What the dialog says of sharing is kept, so that the next start joins the same database.
    if (sharing.database == databaseUrl() && sharing.station == station_.station) {
        return;
    }
    if (sharing.database != databaseUrl()) {
        password_.reset();
    }
    const bool newDatabase = sharing.database != databaseUrl() && !sharing.database.empty();
    station_ = sharing;
    databaseForRun_.reset();
    // A URL is kept only once it has worked: one mistyped would fail at every start.
    unsaved_ = true;
    if (!newDatabase) {
        saveWhatWorked();
    }
}

void StationLink::saveWhatWorked() {
    if (!std::exchange(unsaved_, false)) {
        return;
    }
    if (const auto trouble = saveStationSettings(station_)) {
        status_.showNote(*trouble);
    }
}

void StationLink::showTrouble(const store::StoreError& error, const std::string& after) {
    const DatabaseTrouble trouble = troubleOf(error);
    status_.showFailure(trouble.words + after, trouble.details);
}

bool StationLink::askPassword(bool wrong) {
    password_.reset();
    if (!window_.isVisible()) {
        return false;
    }
    bool given = false;
    const QString password = [&] {
        const DialogOpen open(life_);
        return QInputDialog::getText(
            &window_, window_.windowTitle(),
            (wrong ? QStringLiteral("密码不对，请重新输入。") : QString()) +
                QStringLiteral("共享数据库 %1 的密码（只在本次运行中使用，不保存）：")
                    .arg(fromUtf8(databaseUrl())),
            QLineEdit::Password, {}, &given);
    }();
    if (!given || password.isEmpty()) {
        return false;
    }
    password_ = password.toStdString();
    return true;
}

std::string StationLink::databaseUrl() const {
    return databaseForRun_ ? *databaseForRun_ : station_.database;
}

void StationLink::connectStation(bool chooseAmong) {
    // Not while an offer waits (its answer connects), nor in a dialog other than the batch
    // dialog's 加入共享批次.
    const WindowState state = life_.state();
    chooseAmong_ = chooseAmong_ || chooseAmong;
    if (databaseUrl().empty() || batchInWindow_() || state == WindowState::Offer ||
        (state == WindowState::Dialog && !chooseAmong)) {
        return;
    }
    if (link_ == nullptr) {
        link_ = new DatabaseLink(this);
        connect(link_, &DatabaseLink::found, this, &StationLink::connected);
        connect(link_, &DatabaseLink::failed, this, [this] { notConnected(link_->error()); });
    }
    if (link_->opening()) {
        return;
    }
    const auto station = identity();
    if (!station) {
        status_.showOutcome(station.error() + "：本站单独写卡", words::Tone::Failed, {});
        return;
    }
    status_.showMessage("正在连接共享数据库…");
    link_->open(databaseUrl(), *station, password_);
}

void StationLink::connected() {
    // The answer may come while a write waits for a question's answer, or while an offer or a
    // dialog is open: it is taken up once the window is idle again, so that no batch comes into
    // the window in the middle of a command.
    if (!life_.idle()) {
        life_.whenIdle([this] { connected(); });
        return;
    }
    DatabaseFound found = link_->take();
    if (found.store) {
        saveWhatWorked();
    }
    if (batchInWindow_() || !found.store) {
        return;  // a batch came into the window meanwhile
    }
    if (found.open.empty()) {
        status_.showMessage("已连接共享数据库（本站 " + station_.station +
                            "）：没有未写完的共享批次");
        return;
    }
    const bool asked = std::exchange(chooseAmong_, false);
    if (asked && found.open.size() > 1) {
        choose(std::move(found));
        return;
    }
    // The one this station wrote in last, else the newest: the one an operator most likely
    // came to help with.
    const DatabaseFound::OpenBatch* offered = &found.open.back();
    for (const std::string& name : journal_.batchNames()) {  // newest first
        const auto mine = std::find_if(
            found.open.begin(), found.open.end(), [&name](const DatabaseFound::OpenBatch& open) {
                return commands::sharedBatchName(open.batch.order.name, open.batch.id) == name;
            });
        if (mine != found.open.end()) {
            offered = &*mine;
            break;
        }
    }
    if (offered->heldHere > 0) {
        status_.showNote(words::stillHeldText(offered->batch.order.name, offered->heldHere));
    }
    offerBatch(std::move(*found.store), offered->batch, offered->verified);
}

void StationLink::choose(DatabaseFound found) {
    QStringList choices;
    for (const DatabaseFound::OpenBatch& open : found.open) {
        choices << fromUtf8(words::sharedBatchChoice(open.batch.order, open.verified));
    }
    bool chosen = false;
    // The start-up's own connection waits for the answer (the Dialog state).
    const QString choice = [&] {
        const DialogOpen open(life_);
        return QInputDialog::getItem(&window_, window_.windowTitle(),
                                     QStringLiteral("加入哪个共享批次？"), choices,
                                     static_cast<int>(choices.size() - 1), false, &chosen);
    }();
    const auto index = choices.indexOf(choice);
    if (!chosen || index < 0 || batchInWindow_()) {
        status_.showMessage("本站单独写卡：要加入共享批次，按 批次…");
        return;
    }
    if (const auto trouble = join(std::move(*found.store),
                                  found.open.at(static_cast<std::size_t>(index)).batch.id)) {
        status_.showOutcome(*trouble, words::Tone::Failed, {});
    }
}

void StationLink::notConnected(const store::StoreError& error) {
    if (!life_.idle()) {
        life_.whenIdle([this, error] { notConnected(error); });
        return;
    }
    // A password refused is asked for again, as often as the operator gives one.
    if (error.kind == store::StoreError::Kind::NeedsPassword &&
        askPassword(error.problem == store::DatabaseProblem::WrongPassword)) {
        connectStation(chooseAmong_);
        return;
    }
    showTrouble(error, "：本站单独写卡");
}

void StationLink::offerBatch(store::SharedStore connection, const store::SharedBatch& batch,
                             std::uint64_t verified) {
    auto held = std::make_shared<store::SharedStore>(std::move(connection));
    offer(window_, life_, words::joinQuestion(batch.order, verified, station_.station),
          [this, held, id = batch.id](bool taken) {
              if (!taken || batchInWindow_()) {
                  status_.showMessage("本站单独写卡：要加入共享批次，按 批次…");
                  return;
              }
              if (const auto trouble = join(std::move(*held), id)) {
                  status_.showOutcome(*trouble, words::Tone::Failed, {});
              }
          });
}

std::optional<std::string> StationLink::join(store::SharedStore connection, std::int64_t id) {
    const WaitCursor waiting;
    store::SharedWaitLimit waits = connection.waitLimit();
    auto session = commands::SharedBatchSession::join(
        id, journal_, journal::JournalHistory(journal_),
        std::make_unique<store::StoreLedger>(std::move(connection), stationId()));
    if (!session) {
        return "不能加入共享批次：" + session.error();
    }
    Q_EMIT joining();
    shared_ = std::move(*session);
    sharedWaits_ = std::move(waits);
    offline_ = false;
    refusalsShown_ = 0;
    if (progressTimer_ == nullptr) {
        progressTimer_ = new QTimer(this);
        progressTimer_->setInterval(kProgressEvery);
        connect(progressTimer_, &QTimer::timeout, this, &StationLink::showProgress);
    }
    progressTimer_->start();
    Q_EMIT joined();
    status_.showStanding(words::batchStatus(*shared_), words::batchStatusWarns(*shared_));
    return std::nullopt;
}

std::optional<std::string> StationLink::begin(const commands::BatchOrder& order) {
    const auto station = identity();
    if (!station) {
        return station.error();
    }
    auto connection = [&] {
        const WaitCursor waiting;
        return store::SharedStore::connect(databaseUrl(), *station, password_);
    }();
    while (!connection && connection.error().kind == store::StoreError::Kind::NeedsPassword &&
           askPassword(connection.error().problem == store::DatabaseProblem::WrongPassword)) {
        const WaitCursor waiting;
        connection = store::SharedStore::connect(databaseUrl(), *station, password_);
    }
    if (!connection) {
        const DatabaseTrouble trouble = troubleOf(connection.error());
        return trouble.words;
    }
    saveWhatWorked();
    const WaitCursor waiting;
    const auto id = connection->createBatch(order);
    if (!id) {
        return "共享批次没有建立：" + troubleOf(id.error()).words;
    }
    return join(std::move(*connection), *id);
}

void StationLink::showProgress() {
    if (!shared_) {
        return;
    }
    Q_EMIT progressed();
    // A refusal comes after the write's own words, when the worker heard it: said at once, as a
    // failure is, for the tag is still in reach.
    const std::vector<commands::RefusedWrite> refused = shared_->refusals();
    if (refused.size() > refusalsShown_ && !life_.commandUnderWay()) {
        const commands::RefusedWrite& last = refused.back();
        refusalsShown_ = refused.size();
        status_.showOutcome(words::refusedWriteText(last.position, last.number,
                                                    shared_->batch().order().notation, last.words),
                            words::Tone::Failed, {});
        QApplication::beep();
    }
    const bool offline = shared_->progress().offline;
    if (offline != offline_ && !life_.commandUnderWay() &&
        life_.state() != WindowState::HandsFree) {
        status_.showStanding(words::batchStatus(*shared_), words::batchStatusWarns(*shared_));
    }
    offline_ = offline;
}

void StationLink::voidOtherStationsBlock() {
    if (!shared_ || life_.commandUnderWay()) {
        return;
    }
    Q_EMIT joining();  // hands-free writing stops while the operator chooses
    std::optional<store::SharedStore> connection;
    std::vector<store::LeaseAccount> held;
    {
        const WaitCursor waiting;
        const auto station = identity();
        if (!station) {
            status_.showOutcome(station.error() + "：没有作废", words::Tone::Failed, {});
            return;
        }
        auto connected = store::SharedStore::connect(databaseUrl(), *station, password_);
        if (!connected) {
            showTrouble(connected.error(), "：没有作废");
            return;
        }
        auto accounts = connected->accounting(shared_->id());
        if (!accounts) {
            showTrouble(accounts.error(), "：没有作废");
            return;
        }
        for (const store::LeaseAccount& account : *accounts) {
            if (account.outstanding > 0 && account.stationId != stationId()) {
                held.push_back(account);
            }
        }
        connection = std::move(*connected);
    }
    if (held.empty()) {
        status_.showMessage("别的电脑没有未写完的号段；" + words::batchStatus(*shared_));
        return;
    }
    const auto blockOf = [](const store::LeaseAccount& account) {
        return words::HeldBlock{account.station, account.firstPosition, account.issued};
    };
    QStringList choices;
    for (const store::LeaseAccount& account : held) {
        choices << fromUtf8(
            words::heldLeaseText(shared_->batch(), blockOf(account), account.outstanding));
    }
    bool chosen = false;
    const QString choice = [&] {
        const DialogOpen open(life_);
        return QInputDialog::getItem(&window_, window_.windowTitle(),
                                     QStringLiteral("作废哪台电脑的号段？"), choices, 0, false,
                                     &chosen);
    }();
    const auto index = choices.indexOf(choice);
    if (!chosen || index < 0) {
        return;
    }
    const store::LeaseAccount& account = held.at(static_cast<std::size_t>(index));
    if (!ask(window_, life_,
             words::voidLeaseQuestion(shared_->batch(), blockOf(account), account.outstanding,
                                      station_.station))) {
        return;
    }
    const auto voided = connection->voidLease(account.lease, station_.station);
    if (!voided) {
        showTrouble(voided.error(), "：没有作废");
        return;
    }
    status_.showMessage(words::leaseVoidedText(shared_->batch(), blockOf(account), *voided) + "；" +
                        words::batchStatus(*shared_));
}

bool StationLink::endSharedBatch() {
    if (!shared_ || life_.commandUnderWay()) {
        return false;
    }
    Q_EMIT joining();  // hands-free writing stops while the operator chooses
    const std::int64_t id = shared_->id();
    const commands::BatchOrder order = shared_->batch().order();
    const auto station = identity();
    if (!station) {
        status_.showOutcome(station.error() + "：批次没有结束", words::Tone::Failed, {});
        return false;
    }
    auto connection = [&] {
        const WaitCursor waiting;
        return store::SharedStore::connect(databaseUrl(), *station, password_);
    }();
    if (!connection) {
        showTrouble(connection.error(), "：批次没有结束");
        return false;
    }
    const auto before = connection->progress(id);
    if (!before) {
        showTrouble(before.error(), "：批次没有结束");
        return false;
    }
    if (!ask(window_, life_, words::endSharedQuestion(order, before->verified, station_.station))) {
        return false;
    }
    // This station's writes reach the server first: a number written is never voided.
    progressTimer_->stop();
    std::optional<std::string> trouble;
    {
        const WaitCursor waiting;
        trouble = shared_->close(kCloseWait);
    }
    shared_.reset();
    Q_EMIT left();
    if (trouble) {
        status_.showOutcome(*trouble + "：批次没有结束", words::Tone::Failed, {});
        return true;
    }
    const WaitCursor waiting;
    const auto accounts = connection->accounting(id);
    if (!accounts) {
        showTrouble(accounts.error(), "：批次没有结束");
        return true;
    }
    for (const store::LeaseAccount& account : *accounts) {
        if (account.outstanding == 0) {
            continue;
        }
        if (const auto voided = connection->voidLease(account.lease, station_.station); !voided) {
            showTrouble(voided.error(), "：批次没有结束");
            return true;
        }
    }
    if (const auto ended = connection->endBatch(id, station_.station); !ended) {
        showTrouble(ended.error(), "：批次没有结束");
        return true;
    }
    const auto after = connection->progress(id);
    status_.showMessage(words::sharedEndedText(order, after ? after->verified : before->verified,
                                               station_.station));
    return true;
}

void StationLink::close() {
    if (!shared_) {
        return;
    }
    progressTimer_->stop();
    if (sharedWaits_) {
        sharedWaits_->endWaitsAt(store::WaitLimit::Clock::now() + kCloseLimit);
    }
    std::optional<std::string> trouble;
    {
        const WaitCursor waiting;
        trouble = shared_->close(kCloseWait);
    }
    const std::string name = shared_->batch().order().name;
    shared_.reset();
    sharedWaits_.reset();
    Q_EMIT left();
    if (trouble) {
        status_.showOutcome(*trouble, words::Tone::Failed, {});
    } else {
        status_.showMessage("已离开共享批次 " + name + "：本站未写的号码已交回");
    }
}

util::Expected<store::StationIdentity, std::string> StationLink::identity() const {
    if (const auto fault = store::stationNameFault(station_.station)) {
        return util::Unexpected{words::stationNameFaultText(*fault)};
    }
    return store::StationIdentity{stationId(), station_.station,
                                  QSysInfo::machineHostName().toStdString(), run_};
}

const std::string& StationLink::stationId() const {
    if (!stationId_) {
        stationId_ = loadStationId();
    }
    return *stationId_;
}

}  // namespace ui
