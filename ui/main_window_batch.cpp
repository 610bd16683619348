// The window's side of batches: the 批次 button and dialog, the panel, and a press that writes the
// batch's next number. What a batch is and does is the batch use case's (commands/batch*).
#include "card/number_text.h"
#include "commands/batch.h"
#include "commands/field_texts.h"
#include "ui/batch_control.h"
#include "ui/batch_dialog.h"
#include "ui/batch_list_export.h"
#include "ui/batch_list_print.h"
#include "ui/batch_panel.h"
#include "ui/command_gate.h"
#include "ui/hands_free_control.h"
#include "ui/journal_window.h"
#include "ui/main_window.h"
#include "ui/question_box.h"
#include "ui/station_link.h"
#include "ui/status_line.h"
#include "ui/window_layout.h"
#include "words/bag_check_text.h"
#include "words/batch_text.h"
#include "words/outcome_text.h"

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
    batchKey->setAutoRepeat(false);  // as Ctrl+J: a chord held down opens it once
    connect(batchKey, &QShortcut::activated, this, &MainWindow::showBatchDialog);

    batchPanel_ = new BatchPanel(this);
    batchPanel_->hide();
    batches_ = new BatchControl(*this, *life_, *status_, *batchPanel_, *journal_, *source_,
                                [this] { return batchFormFromFields(); });
    connect(batches_, &BatchControl::stopping, this,
            [this] { handsFree_->stop({}, words::Tone::Neutral); });
    connect(batches_, &BatchControl::entered, this, &MainWindow::showBatchEntered);
    connect(batches_, &BatchControl::changed, this, &MainWindow::showBatch);
    connect(batches_, &BatchControl::left, this, &MainWindow::showBatchLeft);
    connect(batches_, &BatchControl::resized, this, &MainWindow::fitWindow);
    connect(batches_, &BatchControl::told, this, [this] { outcomeShown_ = true; });
    connect(batches_, &BatchControl::readNext, this,
            [this] { readButton_->setFocus(Qt::OtherFocusReason); });
    connect(batches_, &BatchControl::appended, this, [this] {
        if (journalWindow_ != nullptr) {
            journalWindow_->followAppends();
        }
    });
    handsFree_ = new HandsFreeControl(*this, *life_, *status_, *batchPanel_, *journal_, *source_,
                                      [this] { return writing(); });
    connect(handsFree_, &HandsFreeControl::readerUsed, this, &MainWindow::showReaderInUse);
    connect(handsFree_, &HandsFreeControl::told, this, [this] { outcomeShown_ = true; });
    connect(handsFree_, &HandsFreeControl::wrote, this,
            [this](const commands::WriteOutcome& write) {
                sessionTags_.count(write);
                showBatch();
                if (journalWindow_ != nullptr) {
                    journalWindow_->followAppends();
                }
            });
    connect(handsFree_, &HandsFreeControl::stopped, this,
            [this] { writeButton_->setFocus(Qt::OtherFocusReason); });
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

commands::BatchWriting* MainWindow::writing() const {
    return batches_->writing();
}

const commands::BatchSession* MainWindow::batch() const {
    return batches_->local();
}

const commands::SharedBatchSession* MainWindow::sharedBatch() const {
    return batches_->station().session();
}

void MainWindow::useDatabase(const std::string& url) {
    batches_->station().useDatabase(url);
}

void MainWindow::showBatchDialog() {
    batches_->showDialog();
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

void MainWindow::showBatchLeft() {
    for (QRadioButton* option : findChildren<QRadioButton*>()) {
        option->setEnabled(true);
    }
    lockBox_->setEnabled(true);
    advanceBox_->setEnabled(true);
    for (QLineEdit* edit : fields_) {
        edit->setReadOnly(false);
    }
    fitWindow();
    writeButton_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showBatch() {
    const commands::Batch& batch = writing()->batch();
    // Once none is left to write, the fields move past the range: a new batch, or a write
    // after this one is closed, starts after its last number.
    const std::optional<card::CardNumber> next =
        writing()->finished() ? std::optional(card::nextTagNumber(batch.number(batch.count() - 1),
                                                                  batch.order().notation))
                              : writing()->nextNumber();
    if (next) {
        const commands::FieldTexts texts = commands::fieldTexts(*next);
        for (const card::Field which : kFields) {
            setFieldText(which, commands::textOf(texts, which));
        }
    }
    batchPanel_->showProgress(fromUtf8(words::batchStatus(*writing())), writing()->finished());
}

void MainWindow::showBatchPress(const commands::BatchPress& press) {
    std::string message;
    words::Tone tone = words::Tone::Neutral;
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
            tone = words::toneOf(*press.write);
            verdict = words::verdict(*press.write);
            // A tag done is said in its few words, so that where the batch stands fits beside
            // them; anything else in full.
            message = tone == words::Tone::Done
                          ? verdict
                          : words::describeWrite(*press.write, source_->readerInUse());
            sessionTags_.count(*press.write);
            break;
    }
    message += "；" + words::batchStatus(*writing());
    status_->showOutcome(message, tone, verdict);
    outcomeShown_ = true;
    if (press.journalError) {
        status_->showNote(words::journalTroubleText(*press.journalError));
    } else if (journal_->holdProblem()) {
        status_->showNote(*journal_->holdProblem());
    }
    showBatch();
    if (tone == words::Tone::Failed) {
        QApplication::beep();
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

}  // namespace ui
