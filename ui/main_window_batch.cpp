// The window's side of batches: the 批次 button and dialog, the panel, and a press that writes the
// batch's next number. What a batch is and does is the batch use case's (commands/batch*).
#include "card/number_text.h"
#include "commands/bag_check_text.h"
#include "commands/batch.h"
#include "commands/batch_text.h"
#include "commands/field_texts.h"
#include "commands/outcome_text.h"
#include "ui/batch_dialog.h"
#include "ui/batch_list_export.h"
#include "ui/batch_list_print.h"
#include "ui/batch_panel.h"
#include "ui/command_gate.h"
#include "ui/main_window.h"
#include "ui/question_box.h"
#include "ui/station_link.h"
#include "ui/status_line.h"
#include "ui/window_layout.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>

namespace ui {

void MainWindow::makeBatchControls(QHBoxLayout& row) {
    batchButton_ = new QToolButton(row.parentWidget());
    batchButton_->setText(QStringLiteral("批次…"));
    batchButton_->setObjectName(QStringLiteral("批次"));
    batchButton_->setAccessibleName(QStringLiteral("批次"));
    batchButton_->setToolTip(
        QStringLiteral("按订单写一批连号的卡：进度、续写、核对、清单（Ctrl+B）"));
    batchButton_->setAccessibleDescription(batchButton_->toolTip());
    row.addWidget(batchButton_);
    connect(batchButton_, &QToolButton::clicked, this, &MainWindow::showBatchDialog);
    auto* batchKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+B")), this);
    connect(batchKey, &QShortcut::activated, this, &MainWindow::showBatchDialog);

    batchPanel_ = new BatchPanel(this);
    batchPanel_->hide();
    connect(batchPanel_, &BatchPanel::endAsked, this, &MainWindow::endBatchEarly);
    connect(batchPanel_, &BatchPanel::voidAsked, station_, &StationLink::voidOtherStationsBlock);
    connect(batchPanel_, &BatchPanel::closeAsked, this, &MainWindow::leaveBatch);
    connect(batchPanel_, &BatchPanel::checkingToggled, this, &MainWindow::checkBag);
    connect(batchPanel_, &BatchPanel::exportAsked, this, &MainWindow::exportBatch);
    connect(batchPanel_, &BatchPanel::printAsked, this, &MainWindow::printBatch);
    makeHandsFreeControls();
}

commands::BatchForm MainWindow::batchFormFromFields() const {
    const commands::WriteForm write = writeForm();
    commands::BatchForm form;
    form.notation = write.notation;
    form.chip = write.chip;
    form.lock = write.lock;
    form.b4Text = commands::textOf(write.texts, card::Field::B4);
    if (const auto request = commands::requestFrom(write)) {
        form.firstText = card::notationText(request->number, write.notation);
    }
    return form;
}

void MainWindow::showBatchDialog() {
    if (life_->commandUnderWay()) {
        return;
    }
    if (writing() != nullptr && !writing()->finished()) {
        status_->showMessage(writing()->status() +
                             (sharedBatch() != nullptr ? "：关闭本批次后，才能开始新的批次"
                                                       : "：写完或结束本批次后，才能开始新的批次"));
        batchPanel_->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    // An unfinished batch left in the journal comes first: only the newest is ever offered.
    if (writing() == nullptr) {
        if (auto open = commands::BatchSession::resume(*journal_); open && !open->ended()) {
            offerUnfinishedBatch();
            return;
        }
    }
    BatchDialog dialog(
        batchFormFromFields(),
        [this](const commands::BatchForm& form, const StationSettings& sharing) {
            return beginBatch(form, sharing);
        },
        this);
    dialog.offerSharing(StationSettings{station_->databaseUrl(), station_->settings().station},
                        [this](const StationSettings& sharing) {
                            station_->keepSharing(sharing);
                            if (writing() != nullptr) {
                                leaveBatch();  // one written in full or ended
                            }
                            station_->connectStation(true);
                        });
    QStringList earlier;
    for (const std::string& name : journal_->batchNames()) {
        earlier << fromUtf8(name);
    }
    dialog.offerEarlier(earlier, [this](const std::string& name) -> std::optional<std::string> {
        auto session = commands::BatchSession::reopen(*journal_, name);
        if (!session) {
            return "写卡记录中找不到批次 " + name;
        }
        station_->close();
        enterBatch(std::move(*session));
        status_->showMessage(commands::batchStatus(*batch_));
        return std::nullopt;
    });
    inDialog([&dialog] { return dialog.exec(); });
}

std::optional<std::string> MainWindow::beginBatch(const commands::BatchForm& form,
                                                  const StationSettings& sharing) {
    station_->keepSharing(sharing);
    const auto order = commands::orderFrom(form);
    if (!order) {
        return order.error();
    }
    const auto batch = commands::Batch::create(*order);
    if (!batch) {
        return commands::refusalText(batch.error());
    }
    // Every number of the range against the journal, before the first is written.
    journal_->prepareViews();
    const commands::RangeCheck check = commands::rangeCheck(*batch, *journal_);
    if (const auto question = commands::rangeQuestion(*order, check);
        question &&
        !ask(QApplication::activeModalWidget() != nullptr ? *QApplication::activeModalWidget()
                                                          : static_cast<QWidget&>(*this),
             *life_, *question)) {
        return std::string("批次没有开始");
    }
    station_->close();
    if (!station_->databaseUrl().empty()) {
        return station_->begin(*order);
    }
    auto session = commands::BatchSession::start(*batch, *journal_);
    if (!session) {
        return session.error();
    }
    enterBatch(std::move(*session));
    status_->showMessage(commands::batchStatus(*batch_));
    return std::nullopt;
}

void MainWindow::offerUnfinishedBatch() {
    // The reading knows whether a batch was left open: a journal without one is not read again.
    if (writing() != nullptr || !life_->idle() || !journal_->batchLeftOpen()) {
        return;
    }
    auto open = commands::BatchSession::resume(*journal_);
    if (!open || open->ended() || !open->nextNumber()) {
        return;
    }
    offer(*this, *life_,
          commands::resumeQuestion(open->batch().order(), open->verified(), *open->nextNumber()),
          [this](bool taken) {
              if (!taken || writing() != nullptr) {
                  // A station that did not go on alone may join the others.
                  station_->connectStation();
                  return;
              }
              // Read again: the journal may have moved on while the offer waited.
              if (auto session = commands::BatchSession::resume(*journal_);
                  session && !session->ended()) {
                  enterBatch(std::move(*session));
                  status_->showMessage(commands::batchStatus(*batch_));
              }
          });
}

void MainWindow::enterBatch(commands::BatchSession session) {
    stopHandsFree({}, commands::Tone::Neutral);  // it writes the batch it was begun on
    batchPanel_->setChecking(false);             // a check is of the batch it was begun on
    batch_.emplace(std::move(session));
    showBatchEntered();
}

commands::BatchWriting* MainWindow::writing() {
    if (station_->session() != nullptr) {
        return station_->session();
    }
    return batch_ ? &*batch_ : nullptr;
}

const commands::SharedBatchSession* MainWindow::sharedBatch() const {
    return station_->session();
}

void MainWindow::useDatabase(const std::string& url) {
    station_->useDatabase(url);
}

std::string MainWindow::batchJournalName() const {
    return sharedBatch() != nullptr ? sharedBatch()->localName() : batch_->batch().order().name;
}

void MainWindow::showBatchEntered() {
    const commands::BatchOrder& order = writing()->batch().order();
    // The options are the batch's, and stay so while it is in the window.
    tenDigitOption_->setChecked(order.notation == card::Notation::WG34);
    em4305Option_->setChecked(order.chip == reader::TagChip::EM4305);
    for (QRadioButton* option : tenDigitOption_->parentWidget()->findChildren<QRadioButton*>()) {
        option->setEnabled(false);
    }
    for (QRadioButton* option : em4305Option_->parentWidget()->findChildren<QRadioButton*>()) {
        option->setEnabled(false);
    }
    lockBox_->setChecked(order.lock);
    lockBox_->setEnabled(false);
    advanceBox_->setEnabled(false);
    for (QLineEdit* edit : fields_) {
        edit->setReadOnly(true);
    }
    batchPanel_->show();
    showBatch();
    fitWindow();
}

void MainWindow::leaveBatch() {
    if (life_->commandUnderWay()) {
        return;
    }
    stopHandsFree({}, commands::Tone::Neutral);
    batchPanel_->setChecking(false);
    batch_.reset();
    station_->close();
    for (QRadioButton* option : findChildren<QRadioButton*>()) {
        option->setEnabled(true);
    }
    lockBox_->setEnabled(true);
    advanceBox_->setEnabled(true);
    for (QLineEdit* edit : fields_) {
        edit->setReadOnly(false);
    }
    batchPanel_->hide();
    fitWindow();
    writeButton_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showBatch() {
    if (const auto next = writing()->nextNumber()) {
        const commands::FieldTexts texts = commands::fieldTexts(*next);
        for (const card::Field which : kFields) {
            setFieldText(which, commands::textOf(texts, which));
        }
    }
    batchPanel_->showProgress(fromUtf8(writing()->status()), writing()->finished());
}

void MainWindow::showBatchPress(const commands::BatchPress& press) {
    std::string message;
    commands::Tone tone = commands::Tone::Neutral;
    std::string verdict;
    switch (press.result) {
        case commands::BatchPress::Result::Finished:
            message = writing()->finished() ? "未写卡：本批次不再写卡" : "未写卡：本站暂无号码可写";
            break;
        case commands::BatchPress::Result::Declined:
            message = "未写卡";
            verdict = "未写卡";
            break;
        case commands::BatchPress::Result::Wrote:
            tone = commands::toneOf(*press.write);
            verdict = commands::verdict(*press.write);
            // A tag done is said in its few words, so that where the batch stands fits beside
            // them; anything else in full.
            message = tone == commands::Tone::Done
                          ? verdict
                          : commands::describeWrite(*press.write, source_->readerInUse());
            if (press.write->verified()) {
                countTag(*press.write);
            }
            break;
    }
    message += "；" + writing()->status();
    status_->showOutcome(message, tone, verdict);
    outcomeShown_ = true;
    if (press.journalError) {
        status_->showNote(*press.journalError);
    } else if (journal_->holdProblem()) {
        status_->showNote(*journal_->holdProblem());
    }
    showBatch();
    if (tone == commands::Tone::Failed) {
        QApplication::beep();
    }
}

void MainWindow::endBatchEarly() {
    if (!batch_ || batch_->ended() || life_->commandUnderWay()) {
        return;
    }
    stopHandsFree({}, commands::Tone::Neutral);
    if (!ask(*this, *life_,
             commands::endEarlyQuestion(batch_->batch().order(), batch_->verified()))) {
        return;
    }
    if (const auto trouble = batch_->endEarly()) {
        status_->showOutcome(*trouble + "：批次没有结束", commands::Tone::Failed, {});
        return;
    }
    status_->showMessage(commands::batchStatus(*batch_));
    showBatch();
    if (journalWindow_ != nullptr) {
        journalWindow_->followAppends();
    }
}

void MainWindow::checkBag(bool on) {
    if (on) {
        stopHandsFree({}, commands::Tone::Neutral);  // a read in 核对 checks, never writes
    }
    bagCheck_.reset();
    if (!on || writing() == nullptr) {
        batchPanel_->showCheck({});
        fitWindow();
        if (writing() != nullptr) {
            status_->showMessage(writing()->status());
        }
        return;
    }
    // A shared batch's tags written at this station: those in this station's bag.
    bagCheck_ = commands::BagCheck::open(*journal_, batchJournalName());
    if (!bagCheck_) {
        batchPanel_->setChecking(false);
        status_->showOutcome("不能核对：写卡记录中找不到批次 " + batchJournalName(),
                             commands::Tone::Failed, {});
        return;
    }
    status_->showMessage("核对批次 " + batchJournalName() + "：逐张按读卡号；" +
                         commands::checkCountsText(bagCheck_->counts()));
    showCheckState();
    fitWindow();
    readButton_->setFocus(Qt::OtherFocusReason);  // one key per tag
}

void MainWindow::checkRead(const commands::ReadOutcome& outcome) {
    if (outcome.result != commands::ReadOutcome::Result::Read) {
        status_->showOutcome(commands::describeRead(outcome, source_->readerInUse()),
                             commands::toneOf(outcome), commands::verdict(outcome));
        outcomeShown_ = true;
        return;
    }
    const commands::CheckFinding finding = bagCheck_->check(outcome.tag);
    using Kind = commands::CheckFinding::Kind;
    // A tag that is not the batch's must be taken out of the bag: it is told as a failure is,
    // with the computer's warning sound beside the reader's beep.
    const bool wrong = finding.kind == Kind::Foreign ||
                       (finding.kind == Kind::Again && !finding.written) || finding.journalError;
    const commands::Tone tone = wrong                           ? commands::Tone::Failed
                                : finding.kind == Kind::Belongs ? commands::Tone::Done
                                                                : commands::Tone::Neutral;
    const std::string message = commands::checkText(finding, bagCheck_->counts());
    status_->showOutcome(message, tone, message.substr(0, message.find("：")));
    outcomeShown_ = true;
    showCheckState();
    if (wrong) {
        QApplication::beep();
    }
}

void MainWindow::exportBatch() {
    if (writing() == nullptr || life_->commandUnderWay()) {
        return;
    }
    const std::string name = batchJournalName();
    if (const auto path = exportBatchList(this, journal_->batchLog(name))) {
        status_->showMessage("已导出批次 " + name + " 的清单：" + path->toStdString());
    }
}

void MainWindow::printBatch() {
    if (writing() == nullptr || life_->commandUnderWay()) {
        return;
    }
    const std::string name = batchJournalName();
    if (printBatchList(this, journal_->batchLog(name))) {
        status_->showMessage("已打印批次 " + name + " 的清单");
    }
}

void MainWindow::fitWindow() {
    if (batchPanel_->isHidden()) {
        setFixedSize(aloneSize_);  // as it always was outside a batch
        return;
    }
    // Hiding the panel asks the widgets above it to lay out again only by posted requests, one
    // level at a time; until each is handled its least size stays the one it had with the panel.
    // Laid out now from the panel up, the window's size hint is the one it has without.
    for (QWidget* level = batchPanel_->parentWidget(); level != nullptr;
         level = level->parentWidget()) {
        // The status bar works out its height only on its request.
        QCoreApplication::sendPostedEvents(level, QEvent::LayoutRequest);
        if (QLayout* laidOut = level->layout()) {
            laidOut->invalidate();
            laidOut->activate();
        }
    }
    setFixedSize(sizeHint());
}

void MainWindow::showCheckState() {
    batchPanel_->showCheck(fromUtf8(commands::checkCountsText(bagCheck_->counts()) + "；" +
                                    commands::unseenText(bagCheck_->batch(), bagCheck_->unseen())));
}

}  // namespace ui
