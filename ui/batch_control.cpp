// The batch in the window. What a batch is and does is the batch use case's (commands/batch*)
// and, shared, the station's (ui/station_link.*).
#include "ui/batch_control.h"

#include "card/number_text.h"
#include "commands/batch.h"
#include "ui/batch_dialog.h"
#include "ui/batch_list_export.h"
#include "ui/batch_list_printing.h"
#include "ui/batch_panel.h"
#include "ui/command_life.h"
#include "ui/question_box.h"
#include "ui/station_link.h"
#include "ui/status_line.h"
#include "words/bag_check_text.h"
#include "words/batch_text.h"
#include "words/outcome_text.h"

#include <QApplication>
#include <QWidget>

#include <utility>

namespace ui {

BatchControl::BatchControl(QWidget& window, CommandLife& life, StatusLine& status,
                           BatchPanel& panel, journal::Journal& journal,
                           const reader::ReaderSource& source,
                           std::function<commands::BatchForm()> formFromFields)
    : QObject(&window),
      window_(window),
      life_(life),
      status_(status),
      panel_(panel),
      journal_(journal),
      source_(source),
      formFromFields_(std::move(formFromFields)),
      station_(
          new StationLink(window, life, status, journal, [this] { return writing() != nullptr; })) {
    connect(&panel_, &BatchPanel::endAsked, this, &BatchControl::endEarly);
    connect(&panel_, &BatchPanel::voidAsked, station_, &StationLink::voidOtherStationsBlock);
    connect(&panel_, &BatchPanel::closeAsked, this, &BatchControl::leave);
    connect(&panel_, &BatchPanel::checkingToggled, this, &BatchControl::checkBag);
    connect(&panel_, &BatchPanel::exportAsked, this, &BatchControl::exportList);
    connect(&panel_, &BatchPanel::printAsked, this, &BatchControl::printList);
    connect(station_, &StationLink::joining, this, [this] {
        Q_EMIT stopping();
        panel_.setChecking(false);
    });
    connect(station_, &StationLink::joined, this, [this] {
        panel_.setShared(true);
        Q_EMIT entered();
    });
    connect(station_, &StationLink::progressed, this, [this] {
        if (writing() != nullptr) {
            Q_EMIT changed();
        }
    });
    connect(station_, &StationLink::left, this, [this] { panel_.setShared(false); });
}

void BatchControl::showDialog() {
    if (life_.commandUnderWay()) {
        return;
    }
    if (writing() != nullptr && !writing()->finished()) {
        status_.showMessage(words::batchStatus(*writing()) +
                            (station_->session() != nullptr
                                 ? "：关闭本批次后，才能开始新的批次"
                                 : "：写完或结束本批次后，才能开始新的批次"));
        panel_.setFocus(Qt::ShortcutFocusReason);
        return;
    }
    // What the range check reads is made on this thread; the check itself runs beside it.
    journal_.prepareViews();
    BatchDialog dialog(
        formFromFields_(),
        [this](const commands::Batch& batch, const commands::CheckProgress& goOn) {
            return commands::rangeCheck(batch, journal_, goOn);
        },
        [this](const commands::BatchForm& form, const StationSettings& sharing,
               const commands::RangeCheck& check) { return begin(form, sharing, check); },
        &window_);
    dialog.offerSharing(StationSettings{station_->databaseUrl(), station_->settings().station},
                        [this](const StationSettings& sharing) {
                            station_->keepSharing(sharing);
                            if (writing() != nullptr) {
                                leave();  // one written in full or ended
                            }
                            station_->connectStation(true);
                        });
    QStringList earlier;
    for (const std::string& name : journal_.batchNames()) {
        earlier << fromUtf8(name);
    }
    dialog.offerEarlier(earlier, [this](const std::string& name) -> std::optional<std::string> {
        auto session = commands::BatchSession::reopen(journal_, name);
        if (!session) {
            return "写卡记录中找不到批次 " + name;
        }
        station_->close();
        enter(std::move(*session));
        status_.showMessage(words::batchStatus(*batch_));
        return std::nullopt;
    });
    QStringList unfinished;
    for (const std::string& name : journal_.unfinishedBatchNames()) {
        if (writing() == nullptr || name != journalName()) {
            unfinished << fromUtf8(name);
        }
    }
    dialog.offerUnfinished(unfinished, [this](const std::string& name) { return goOnWith(name); });
    const DialogOpen open(life_);
    dialog.exec();
}

std::optional<std::string> BatchControl::goOnWith(const std::string& name) {
    auto session = commands::BatchSession::reopen(journal_, name);
    if (!session || session->finished()) {
        return "批次 " + name + " 已经写完或结束";
    }
    station_->close();
    enter(std::move(*session));
    status_.showMessage(words::batchStatus(*batch_));
    return std::nullopt;
}

std::optional<std::string> BatchControl::begin(const commands::BatchForm& form,
                                               const StationSettings& sharing,
                                               const commands::RangeCheck& check) {
    station_->keepSharing(sharing);
    const auto order = commands::orderFrom(form);
    if (!order) {
        return words::formErrorText(order.error());
    }
    const auto batch = commands::Batch::create(*order);
    if (!batch) {
        return words::refusalText(batch.error());
    }
    if (const auto question = words::rangeQuestion(*order, check);
        question &&
        !ask(QApplication::activeModalWidget() != nullptr ? *QApplication::activeModalWidget()
                                                          : window_,
             life_, *question)) {
        return std::string("批次没有开始");
    }
    station_->close();
    if (!station_->databaseUrl().empty()) {
        return station_->begin(*order);
    }
    auto session = commands::BatchSession::start(*batch, journal_);
    if (!session) {
        return session.error();
    }
    enter(std::move(*session));
    status_.showMessage(words::batchStatus(*batch_));
    return std::nullopt;
}

void BatchControl::offerUnfinished() {
    // The reading knows whether a batch was left open: a journal without one is not read again.
    if (writing() != nullptr || !life_.idle() || !journal_.batchLeftOpen()) {
        return;
    }
    auto open = commands::BatchSession::resume(journal_);
    if (!open || open->ended() || !open->nextNumber()) {
        return;
    }
    offer(window_, life_,
          words::resumeQuestion(open->batch().order(), open->verified(), *open->nextNumber()),
          [this](bool taken) {
              if (!taken || writing() != nullptr) {
                  // A station that did not go on alone may join the others.
                  station_->connectStation();
                  return;
              }
              // Read again: the journal may have moved on while the offer waited. Where the
              // batch stands is the panel's to say: the status line keeps what the journal
              // warned of at start-up.
              if (auto session = commands::BatchSession::resume(journal_);
                  session && !session->ended()) {
                  enter(std::move(*session));
              }
          });
}

void BatchControl::enter(commands::BatchSession session) {
    Q_EMIT stopping();          // it writes the batch it was begun on
    panel_.setChecking(false);  // a check is of the batch it was begun on
    batch_.emplace(std::move(session));
    Q_EMIT entered();
}

commands::BatchWriting* BatchControl::writing() {
    if (station_->session() != nullptr) {
        return station_->session();
    }
    return batch_ ? &*batch_ : nullptr;
}

std::string BatchControl::journalName() const {
    return station_->session() != nullptr ? station_->session()->localName()
                                          : batch_->batch().order().name;
}

void BatchControl::leave() {
    if (life_.commandUnderWay()) {
        return;
    }
    Q_EMIT stopping();
    panel_.setChecking(false);
    // A shared batch's station says its own leaving.
    const std::optional<std::string> closed = batch_ && station_->session() == nullptr
                                                  ? std::optional(batch_->batch().order().name)
                                                  : std::nullopt;
    batch_.reset();
    station_->close();
    panel_.hide();
    if (closed) {
        status_.showMessage(words::batchClosedText(*closed));  // its words go with it
    }
    Q_EMIT left();
}

void BatchControl::endEarly() {
    if (station_->session() != nullptr) {
        if (station_->endSharedBatch()) {
            leave();
        }
        return;
    }
    if (!batch_ || batch_->ended() || life_.commandUnderWay()) {
        return;
    }
    Q_EMIT stopping();
    if (!ask(window_, life_,
             words::endEarlyQuestion(batch_->batch().order(), batch_->verified()))) {
        return;
    }
    if (const auto trouble = batch_->endEarly()) {
        status_.showOutcome(words::journalTroubleText(*trouble) + "：批次没有结束",
                            words::Tone::Failed, {});
        return;
    }
    status_.showMessage(words::batchStatus(*batch_));
    Q_EMIT changed();
    Q_EMIT appended();
}

void BatchControl::checkBag(bool on) {
    if (on) {
        Q_EMIT stopping();  // a read in 核对 checks, never writes
    }
    bagCheck_.reset();
    if (!on || writing() == nullptr) {
        panel_.showCheck({});
        Q_EMIT resized();
        if (writing() != nullptr) {
            status_.showMessage(words::batchStatus(*writing()));
        }
        return;
    }
    // A shared batch's tags written at this station: those in this station's bag.
    bagCheck_ = commands::BagCheck::open(journal_, journalName());
    if (!bagCheck_) {
        panel_.setChecking(false);
        status_.showOutcome("不能核对：写卡记录中找不到批次 " + journalName(), words::Tone::Failed,
                            {});
        return;
    }
    status_.showMessage("核对批次 " + journalName() + "：逐张按读卡号；" +
                        words::checkCountsText(bagCheck_->counts()));
    showCheckState();
    Q_EMIT resized();
    Q_EMIT readNext();  // one key per tag
}

void BatchControl::checkRead(const commands::ReadOutcome& outcome) {
    if (outcome.result != commands::ReadOutcome::Result::Read) {
        status_.showOutcome(words::describeRead(outcome, source_.readerInUse()),
                            words::toneOf(outcome), words::verdict(outcome));
        Q_EMIT told();
        return;
    }
    const commands::CheckFinding finding = bagCheck_->check(outcome.tag);
    using Kind = commands::CheckFinding::Kind;
    // A tag that is not the batch's must be taken out of the bag: it is told as a failure is,
    // with the computer's warning sound beside the reader's beep.
    const bool wrong = finding.kind == Kind::Foreign ||
                       (finding.kind == Kind::Again && !finding.written) || finding.journalError;
    const words::Tone tone = wrong                           ? words::Tone::Failed
                             : finding.kind == Kind::Belongs ? words::Tone::Done
                                                             : words::Tone::Neutral;
    const std::string message = words::checkText(finding, bagCheck_->counts());
    status_.showOutcome(message, tone, words::checkVerdict(finding));
    Q_EMIT told();
    showCheckState();
    if (wrong) {
        QApplication::beep();
    }
}

void BatchControl::exportList() {
    if (writing() == nullptr || life_.commandUnderWay()) {
        return;
    }
    const std::string name = journalName();
    if (const auto path = exportBatchList(&window_, journal_.batchLog(name))) {
        status_.showMessage("已导出批次 " + name + " 的清单：" + path->toStdString());
    }
}

void BatchControl::printList() {
    if (writing() == nullptr || life_.commandUnderWay()) {
        return;
    }
    const std::string name = journalName();
    static_cast<void>(printBatchList(&window_, journal_.batchLog(name), [this, name](PrintEnd end) {
        if (end == PrintEnd::Printed) {
            status_.showMessage("已打印批次 " + name + " 的清单");
        }
    }));
}

void BatchControl::showCheckState() {
    panel_.showCheck(fromUtf8(words::checkCountsText(bagCheck_->counts()) + "；" +
                              words::unseenText(bagCheck_->batch(), bagCheck_->unseen())));
}

}  // namespace ui
