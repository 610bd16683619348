// The window's side of shared batches: the station's connection to the shared database, the
// offer of an open batch, and its progress over all stations. What a station does in a shared
// batch is the shared session's (commands/shared_batch_session.*).
#include "commands/shared_text.h"
#include "journal/journal_history.h"
#include "store/store_ledger.h"
#include "ui/batch_panel.h"
#include "ui/command_gate.h"
#include "ui/database_link.h"
#include "ui/main_window.h"
#include "ui/status_line.h"
#include "ui/wait_cursor.h"

#include <QApplication>

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace ui {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// How long closing waits for the outcomes not yet sent: the journal keeps them in any case, and
// the next join sends them.
constexpr std::chrono::milliseconds kCloseWait{3000};
// How often the panel shows what the session's worker last heard of the other stations.
constexpr std::chrono::milliseconds kProgressEvery{1000};

}  // namespace

void MainWindow::useDatabase(const std::string& url) {
    databaseForRun_ = url;
}

void MainWindow::keepSharing(const StationSettings& sharing) {
    // What the dialog says of sharing is kept, so that the next start joins the same database.
    if (sharing.database == databaseUrl() && sharing.station == station_.station) {
        return;
    }
    if (sharing.database != databaseUrl()) {
        password_.reset();
    }
    station_ = sharing;
    databaseForRun_.reset();
    if (const auto trouble = saveStationSettings(station_)) {
        status_->showNote(*trouble);
    }
}

std::string MainWindow::databaseUrl() const {
    return databaseForRun_ ? *databaseForRun_ : station_.database;
}

void MainWindow::connectStation() {
    // Not while an offer waits (its answer connects), nor in a dialog other than the batch
    // dialog's 加入共享批次.
    const WindowState state = life_->state();
    if (databaseUrl().empty() || writing() != nullptr || state == WindowState::Offer ||
        (state == WindowState::Dialog && !joinAsked_)) {
        return;
    }
    if (link_ == nullptr) {
        link_ = new DatabaseLink(this);
        connect(link_, &DatabaseLink::found, this, &MainWindow::stationConnected);
        connect(link_, &DatabaseLink::failed, this, &MainWindow::stationNotConnected);
    }
    if (link_->opening()) {
        return;
    }
    status_->showMessage("正在连接共享数据库…");
    link_->open(databaseUrl(), station_.station, password_);
}

void MainWindow::stationConnected() {
    // The answer may come while a write waits for a question's answer, or while an offer or a
    // dialog is open: it is taken up once the window is idle again, so that no batch comes into
    // the window in the middle of a command.
    if (!life_->idle()) {
        life_->whenIdle([this] { stationConnected(); });
        return;
    }
    DatabaseFound found = link_->take();
    if (writing() != nullptr || !found.store) {
        return;  // a batch came into the window meanwhile
    }
    if (found.open.empty()) {
        status_->showMessage("已连接共享数据库（本站 " + station_.station +
                             "）：没有未写完的共享批次");
        return;
    }
    const bool asked = std::exchange(joinAsked_, false);
    if (asked && found.open.size() > 1) {
        chooseSharedBatch(std::move(found));
        return;
    }
    // The one this station wrote in last, else the newest: the one an operator most likely
    // came to help with.
    const DatabaseFound::OpenBatch* offered = &found.open.back();
    for (const std::string& name : journal_->batchNames()) {  // newest first
        const auto mine = std::find_if(
            found.open.begin(), found.open.end(), [&name](const DatabaseFound::OpenBatch& open) {
                return commands::sharedBatchName(open.batch.order.name, open.batch.id) == name;
            });
        if (mine != found.open.end()) {
            offered = &*mine;
            break;
        }
    }
    offerSharedBatch(std::move(*found.store), offered->batch, offered->verified);
}

void MainWindow::chooseSharedBatch(DatabaseFound found) {
    QStringList choices;
    for (const DatabaseFound::OpenBatch& open : found.open) {
        choices << fromUtf8(commands::sharedBatchChoice(open.batch.order, open.verified));
    }
    bool chosen = false;
    // The start-up's own connection waits for the answer (the Dialog state).
    const QString choice = inDialog([&] {
        return QInputDialog::getItem(this, windowTitle(), QStringLiteral("加入哪个共享批次？"),
                                     choices, static_cast<int>(choices.size() - 1), false, &chosen);
    });
    const auto index = choices.indexOf(choice);
    if (!chosen || index < 0 || writing() != nullptr) {
        status_->showMessage("本站单独写卡：要加入共享批次，按 批次…");
        return;
    }
    if (const auto trouble = joinSharedBatch(
            std::move(*found.store), found.open.at(static_cast<std::size_t>(index)).batch.id)) {
        status_->showOutcome(*trouble, commands::Tone::Failed, {});
    }
}

void MainWindow::stationNotConnected(const QString& words, bool needsPassword) {
    if (!life_->idle()) {
        life_->whenIdle(
            [this, words, needsPassword] { stationNotConnected(words, needsPassword); });
        return;
    }
    if (needsPassword && isVisible()) {
        bool given = false;
        const QString password = inDialog([&] {
            return QInputDialog::getText(
                this, windowTitle(),
                QStringLiteral("共享数据库 %1 的密码（只在本次运行中使用，不保存）：")
                    .arg(fromUtf8(databaseUrl())),
                QLineEdit::Password, {}, &given);
        });
        if (given && !password.isEmpty()) {
            password_ = password.toStdString();
            connectStation();
            return;
        }
    }
    status_->showOutcome(words.toStdString() + "：本站单独写卡", commands::Tone::Failed, {});
}

void MainWindow::offerSharedBatch(store::SharedStore store, const store::SharedBatch& batch,
                                  std::uint64_t verified) {
    QPushButton* join = openOffer(commands::joinQuestion(batch.order, verified, station_.station));
    QMessageBox* box = resumeOffer_;
    auto held = std::make_shared<store::SharedStore>(std::move(store));
    connect(box, &QMessageBox::finished, this, [this, box, join, held, id = batch.id] {
        if (box->clickedButton() != join || writing() != nullptr) {
            status_->showMessage("本站单独写卡：要加入共享批次，按 批次…");
            return;
        }
        if (const auto trouble = joinSharedBatch(std::move(*held), id)) {
            status_->showOutcome(*trouble, commands::Tone::Failed, {});
        }
    });
}

std::optional<std::string> MainWindow::joinSharedBatch(store::SharedStore store, std::int64_t id) {
    const WaitCursor waiting;
    auto joined = commands::SharedBatchSession::join(
        id, *journal_, journal::JournalHistory(*journal_),
        std::make_unique<store::StoreLedger>(std::move(store), station_.station));
    if (!joined) {
        return "不能加入共享批次：" + joined.error();
    }
    stopHandsFree({}, commands::Tone::Neutral);
    batchPanel_->setChecking(false);
    shared_ = std::move(*joined);
    sharedOffline_ = false;
    refusalsShown_ = 0;
    if (sharedTimer_ == nullptr) {
        sharedTimer_ = new QTimer(this);
        sharedTimer_->setInterval(kProgressEvery);
        connect(sharedTimer_, &QTimer::timeout, this, &MainWindow::showSharedProgress);
    }
    sharedTimer_->start();
    batchPanel_->setShared(true);
    showBatchEntered();
    status_->showMessage(shared_->status());
    return std::nullopt;
}

std::optional<std::string> MainWindow::beginSharedBatch(const commands::BatchOrder& order) {
    const WaitCursor waiting;
    auto store = store::SharedStore::connect(databaseUrl(), station_.station, password_);
    if (!store) {
        return store.error().words;
    }
    const auto id = store->createBatch(order);
    if (!id) {
        return "共享批次没有建立：" + id.error().words;
    }
    return joinSharedBatch(std::move(*store), *id);
}

void MainWindow::showSharedProgress() {
    if (!shared_) {
        return;
    }
    showBatch();
    // A refusal comes after the write's own words, when the worker heard it: said at once, as a
    // failure is, for the tag is still in reach.
    const std::vector<commands::RefusedWrite> refused = shared_->refusals();
    if (refused.size() > refusalsShown_ && !life_->commandUnderWay()) {
        const commands::RefusedWrite& last = refused.back();
        refusalsShown_ = refused.size();
        status_->showOutcome(
            commands::refusedWriteText(last.position, last.number,
                                       shared_->batch().order().notation, last.words),
            commands::Tone::Failed, {});
        QApplication::beep();
    }
    const bool offline = shared_->progress().offline;
    if (offline != sharedOffline_ && !life_->commandUnderWay() && !handsFreeRuns()) {
        status_->showMessage(shared_->status());
    }
    sharedOffline_ = offline;
}

void MainWindow::voidOtherStationsBlock() {
    if (!shared_ || life_->commandUnderWay()) {
        return;
    }
    stopHandsFree({}, commands::Tone::Neutral);
    std::optional<store::SharedStore> store;
    std::vector<store::LeaseAccount> held;
    {
        const WaitCursor waiting;
        auto connected = store::SharedStore::connect(databaseUrl(), station_.station, password_);
        if (!connected) {
            status_->showOutcome(connected.error().words + "：没有作废", commands::Tone::Failed,
                                 {});
            return;
        }
        auto accounts = connected->accounting(shared_->id());
        if (!accounts) {
            status_->showOutcome(accounts.error().words + "：没有作废", commands::Tone::Failed, {});
            return;
        }
        for (const store::LeaseAccount& account : *accounts) {
            if (account.outstanding > 0 && account.station != station_.station) {
                held.push_back(account);
            }
        }
        store = std::move(*connected);
    }
    if (held.empty()) {
        status_->showMessage("别的电脑没有未写完的号段；" + shared_->status());
        return;
    }
    QStringList choices;
    for (const store::LeaseAccount& account : held) {
        choices << fromUtf8(
            commands::heldLeaseText(account.station, account.lease, account.outstanding));
    }
    bool chosen = false;
    const QString choice = inDialog([&] {
        return QInputDialog::getItem(this, windowTitle(), QStringLiteral("作废哪台电脑的号段？"),
                                     choices, 0, false, &chosen);
    });
    const auto index = choices.indexOf(choice);
    if (!chosen || index < 0) {
        return;
    }
    const store::LeaseAccount& account = held.at(static_cast<std::size_t>(index));
    if (!ask(commands::voidLeaseQuestion(account.station, account.lease, account.outstanding,
                                         station_.station),
             this)) {
        return;
    }
    const auto voided = store->voidLease(account.lease, station_.station);
    if (!voided) {
        status_->showOutcome(voided.error().words + "：没有作废", commands::Tone::Failed, {});
        return;
    }
    status_->showMessage("已作废 " + account.station + " 的号段 " + std::to_string(account.lease) +
                         " 中未写的 " + std::to_string(*voided) + " 个号码；" + shared_->status());
}

void MainWindow::closeSharedBatch() {
    if (!shared_) {
        return;
    }
    sharedTimer_->stop();
    std::optional<std::string> trouble;
    {
        const WaitCursor waiting;
        trouble = shared_->close(kCloseWait);
    }
    const std::string name = shared_->batch().order().name;
    shared_.reset();
    batchPanel_->setShared(false);
    if (trouble) {
        status_->showOutcome(*trouble, commands::Tone::Failed, {});
    } else {
        status_->showMessage("已离开共享批次 " + name + "：本站未写的号码已交回");
    }
}

}  // namespace ui
