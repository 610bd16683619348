#include "ui/main_window.h"

#include "card/number_text.h"
#include "commands/field_texts.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "ui/batch_control.h"
#include "ui/batch_panel.h"
#include "ui/client_area.h"
#include "ui/command_gate.h"
#include "ui/first_paint.h"
#include "ui/hands_free_control.h"
#include "ui/journal_window.h"
#include "ui/question_box.h"
#include "ui/station_link.h"
#include "ui/status_line.h"
#include "ui/window_layout.h"
#include "words/batch_text.h"
#include "words/outcome_text.h"
#include "words/reader_words.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <map>
#include <utility>
#include <vector>

namespace ui {

namespace {

// What the journal found at start-up that the user should know.
words::JournalAtStart startFacts(const journal::Journal& journal) {
    words::JournalAtStart facts;
    if (const auto interrupted = journal.interruptedWrite()) {
        facts.interrupted = words::JournalAtStart::Write{interrupted->number, interrupted->time};
    }
    if (const auto last = journal.lastWrite()) {
        facts.last = words::JournalAtStart::Write{last->number, last->time};
    }
    facts.anotherCopyOpen = journal.anotherCopyOpen();
    return facts;
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<reader::ReaderSource> source, QWidget* parent)
    : MainWindow(std::move(source), journal::Journal::openDefault(), parent) {}

MainWindow::MainWindow(std::unique_ptr<reader::ReaderSource> source,
                       std::unique_ptr<journal::Journal> journal, QWidget* parent)
    : QMainWindow(parent), source_(std::move(source)), journal_(std::move(journal)) {
    setObjectName(QString::fromLatin1(kWindowName));
    setWindowTitle(QString::fromLatin1(kWindowCaption));

    auto* client = new QWidget(this);
    const ClientControls controls = makeClientControls(*client);
    setCentralWidget(client);
    fields_ = controls.fields;
    tenDigitOption_ = controls.tenDigitOption;
    em4305Option_ = controls.em4305Option;
    advanceBox_ = controls.advanceBox;
    lockBox_ = controls.lockBox;
    readButton_ = controls.readButton;
    writeButton_ = controls.writeButton;
    connect(readButton_, &QPushButton::clicked, this, &MainWindow::readPressed);
    connect(writeButton_, &QPushButton::clicked, this, &MainWindow::writePressed);
    // Enter in a number field presses 写卡号, as a dialog's default button; the focus stays in
    // the field, whose number the write may have advanced.
    for (QLineEdit* edit : fields_) {
        connect(edit, &QLineEdit::returnPressed, this, [this, edit] {
            writeButton_->click();
            edit->setFocus(Qt::OtherFocusReason);
        });
    }
    gate_ = new CommandGate(this, {readButton_, writeButton_});
    connect(this, &MainWindow::questionAnswered, this, &MainWindow::answered, Qt::QueuedConnection);
    connect(gate_, &CommandGate::pressDropped, this, &MainWindow::showPressDropped);

    // Made after the controls, so that it follows them among the window's children.
    status_ = new StatusLine(this);  // NOLINT(cppcoreguidelines-prefer-member-initializer)
    // The message has the status line's whole width, so that every message fits its two lines;
    // the library indicator and 写卡记录 sit in a row beneath it.
    auto* bar = new QWidget(this);
    auto* indicators = new QWidget(bar);
    readerInUse_ = new QLabel(indicators);
    readerInUse_->setObjectName(QStringLiteral("readerInUse"));
    readerInUse_->setContentsMargins(0, 0, 4, 0);
    statusBar()->setSizeGripEnabled(false);
    auto* rows = new QVBoxLayout(bar);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(status_);
    rows->addWidget(indicators);
    statusBar()->addWidget(bar, 1);
    showReaderInUse();
    // At once, not when the command ends: a write's question may wait long after the load.
    source_->whenLoaded([this] {
        showReaderInUse();
        readerInUse_->repaint();  // the library's next call holds up the event loop
    });
    // The journal at hand, by mouse, Tab and the shortcut; the window's own controls untouched.
    auto* journalButton = new QToolButton(indicators);
    journalButton->setText(QStringLiteral("写卡记录"));
    journalButton->setObjectName(QStringLiteral("写卡记录"));
    journalButton->setToolTip(QStringLiteral("查看写卡记录、导出为 Excel 工作簿（Ctrl+J）"));
    journalButton->setAccessibleName(journalButton->text());
    journalButton->setAccessibleDescription(journalButton->toolTip());
    auto* row = new QHBoxLayout(indicators);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addStretch(1);
    row->addWidget(readerInUse_);
    makeBatchControls(*row);
    row->addWidget(journalButton);
    rows->insertWidget(0, batchPanel_);
    QWidget::setTabOrder(readButton_, batchButton_);
    QWidget::setTabOrder(batchButton_, journalButton);
    connect(journalButton, &QToolButton::clicked, this, &MainWindow::showJournal);
    auto* journalKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+J")), this);
    // A chord held down opens it once: its repeats (a key left held as another window took the
    // focus) open nothing.
    journalKey->setAutoRepeat(false);
    connect(journalKey, &QShortcut::activated, this, &MainWindow::showJournal);
    // The journal is read beside the window once the window has been painted, so that a long one
    // does not hold up its first sight (a command asks for it sooner if it needs it); a journal
    // that cannot be read is told once that is known.
    auto* journalRead = new QTimer(this);
    connect(journalRead, &QTimer::timeout, this, [this, journalRead] {
        if (!journal_->isLoaded()) {
            return;
        }
        journalRead->deleteLater();
        life_->whenIdle([this] { showStartFacts(); });
    });
    afterFirstPaint(
        *qApp,
        [this, journalRead] {
            journal_->startReading();
            journalRead->start(20);
        },
        this);

    // The window keeps the size of its client area and status line.
    setFixedSize(sizeHint());
    aloneSize_ = size();
    lockBox_->setFocus();
}

void MainWindow::showStartFacts() {
    if (!outcomeShown_) {  // else the outcome is newer than anything the journal has to say
        // A write cut off, and a journal that cannot be read, are warnings, told as failures are.
        if (journal_->loadError()) {
            status_->showOutcome(*journal_->loadError() + "：写卡时不能提醒重复的号码",
                                 words::Tone::Failed, {});
        } else if (const auto facts = startFacts(*journal_);
                   const auto message = words::journalAtStart(facts)) {
            if (facts.interrupted) {
                status_->showOutcome(*message, words::Tone::Failed, {});
            } else {
                status_->showMessage(*message);
            }
        }
    }
    batches_->offerUnfinished();
    batches_->station().connectStation();
}

MainWindow::~MainWindow() {
    // A window closed or not, what this station leaves unwritten goes back to the others.
    handsFree_->stop({}, words::Tone::Neutral);
    batches_->station().close();
}

QLineEdit* MainWindow::field(card::Field field) const {
    return fields_.at(static_cast<std::size_t>(field));
}

commands::WriteForm MainWindow::writeForm() const {
    commands::WriteForm form;
    for (const card::Field which : kFields) {
        commands::textOf(form.texts, which) = field(which)->text().toStdString();
    }
    form.chip = em4305Option_->isChecked() ? reader::TagChip::EM4305 : reader::TagChip::T5577;
    form.notation = tenDigitOption_->isChecked() ? card::Notation::WG34 : card::Notation::WG26;
    form.lock = lockBox_->isChecked();
    form.advance = advanceBox_->isChecked();
    return form;
}

QString MainWindow::statusMessage() const {
    return status_->fullText();
}

void MainWindow::setFieldText(card::Field which, std::string_view text) {
    field(which)->setText(fromUtf8(text));
}

void MainWindow::waitForAnswer(const commands::WriteQuestion& question,
                               std::function<void()> declined) {
    life_->handle(WindowEvent::QuestionAsked);
    declined_ = std::move(declined);
    QMessageBox* box = showWriteQuestion(*this, question);
    QAbstractButton* yesButton = box->buttons().value(0);
    // The second click of a double-click, or a key held down, must not answer it. The window's
    // own input is dropped all the same while the command runs.
    gate_->guardDialog(box);
    // The write goes on once the box's own click is done with, not inside it (a queued call).
    connect(box, &QMessageBox::finished, this,
            [this, box, yesButton] { Q_EMIT questionAnswered(box->clickedButton() == yesButton); });
    question_ = box;
    // The tag has been read and nothing is written while the question waits.
    status_->showMessage("等待回答：尚未写卡");
}

void MainWindow::answered(bool yes) {
    question_ = nullptr;
    life_->handle(WindowEvent::Answered);
    if (yes && life_->state() == WindowState::Command) {
        answers_.answerYes();
        status_->showMessage("正在写卡…");
        readButton_->parentWidget()->repaint();  // before the library holds the thread again
        runWrite();
        return;
    }
    std::exchange(declined_, {})();
    endCommand();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The focus mark shows from the start, not only once a key has moved the focus (Qt hides it
    // whenever a window is shown): the first Space ticks the lock box, for good.
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    handsFree_->stop({}, words::Tone::Neutral);  // ticks run on this thread: none is under way
    life_->handle(WindowEvent::CloseAsked);
    if (life_->state() == WindowState::Closing) {
        if (question_ != nullptr) {
            question_->reject();  // the default answer: nothing is written
        }
        event->ignore();
        return;
    }
    life_->dropWaiting();
    batches_->station().close();  // the others may write what this station leaves unwritten
    QMainWindow::closeEvent(event);
}

bool MainWindow::startCommand(QPushButton* pressed, const QString& busyText) {
    if (!gate_->mayStart()) {
        return false;
    }
    if (!life_->allows(WindowEvent::Press)) {
        // An offer or a dialog waits (a screen reader's action reaches the window past its
        // modality): the press is dropped, and told, naming what waits.
        const WindowState now = life_->state();
        if (now == WindowState::Offer || now == WindowState::Dialog) {
            status_->showOutcome(words::pressWhileAskedText(now == WindowState::Offer),
                                 words::Tone::Failed, {});
            status_->addDropped(1);
        }
        return false;
    }
    life_->handle(WindowEvent::Press);
    pressed_ = pressed;
    gate_->begin();
    droppedInCommand_ = 0;
    readButton_->setEnabled(false);
    writeButton_->setEnabled(false);
    // Shown before the command's first library call, which blocks the event loop.
    status_->showMessage(busyText.toStdString());
    readButton_->parentWidget()->repaint();
    return true;
}

void MainWindow::endCommand() {
    showReaderInUse();
    gate_->end();
    if (droppedInCommand_ > 0) {
        status_->addDropped(droppedInCommand_);
    }
    readButton_->setEnabled(true);
    writeButton_->setEnabled(true);
    // Disabling the focused button moved the focus on; one key per tag goes on working.
    pressed_->setFocus(Qt::OtherFocusReason);
    if (journalWindow_ != nullptr) {
        journalWindow_->followAppends();  // a read may have settled a write
    }
    const bool closing = life_->state() == WindowState::Closing;
    life_->handle(WindowEvent::CommandEnded);
    if (closing) {
        close();
    }
}

void MainWindow::readPressed() {
    if (!startCommand(readButton_, QStringLiteral("正在读卡…"))) {
        return;
    }
    // Through a batch being written, whose number of unknown outcome the tag may settle.
    const auto outcome = writing() != nullptr
                             ? writing()->read(*source_, commands::BatchWriting::Sound::Beep)
                             : commands::readTag(*source_, *journal_);
    if (batches_->checking()) {
        batches_->checkRead(outcome);
    } else {
        std::string message = words::describeRead(
            outcome, source_->readerInUse(),
            writing() != nullptr ? std::optional(writing()->batch().order().notation)
                                 : std::nullopt);
        if (writing() != nullptr) {
            // The fields keep the batch's next number: the next write is still that one.
            message += "；" + words::batchStatus(*writing());
        } else if (const auto texts = commands::fieldTextsAfter(outcome)) {
            for (const card::Field which : kFields) {
                setFieldText(which, commands::textOf(*texts, which));
            }
        }
        status_->showOutcome(message, words::toneOf(outcome), words::verdict(outcome));
        outcomeShown_ = true;
    }
    endCommand();
}

void MainWindow::writePressed() {
    if (!startCommand(writeButton_, QStringLiteral("正在写卡…"))) {
        return;
    }
    answers_.clear();
    runWrite();
}

void MainWindow::runWrite() {
    const commands::Confirm confirm = answers_.confirm();
    if (writing() != nullptr) {
        commands::BatchPress press = writing()->press(*source_, confirm, std::nullopt);
        if (const auto& question = answers_.unanswered()) {
            waitForAnswer(*question, [this, press = std::move(press)] { showBatchPress(press); });
            return;
        }
        showBatchPress(press);
    } else {
        commands::WriteOutcome outcome =
            commands::writeTag(writeForm(), *source_, *journal_, confirm);
        if (const auto& question = answers_.unanswered()) {
            waitForAnswer(*question, [this, outcome = std::move(outcome)] { showWrite(outcome); });
            return;
        }
        showWrite(outcome);
    }
    endCommand();
}

void MainWindow::showWrite(const commands::WriteOutcome& outcome) {
    if (const auto next = commands::numberAfter(outcome)) {
        const card::Field counting = card::countingField(outcome.request.notation);
        setFieldText(counting, card::fieldText(*next, counting));
    }
    std::string message = words::describeWrite(outcome, source_->readerInUse());
    const words::Tone tone = words::toneOf(outcome);
    sessionTags_.count(outcome);
    if (tone == words::Tone::Done) {
        message += words::sessionCount(static_cast<int>(sessionTags_.size()));
    }
    status_->showOutcome(message, tone, words::verdict(outcome));
    outcomeShown_ = true;
    if (journal_->holdProblem()) {
        status_->showNote(*journal_->holdProblem());
    }
    // The reader beeps only for a tag done; a failure must not pass in silence.
    if (tone == words::Tone::Failed) {
        QApplication::beep();
    }
}

void MainWindow::showJournal() {
    if (journalWindow_ == nullptr) {
        journalWindow_ = new JournalWindow(*journal_, started_, this);
    }
    journalWindow_->show();
    journalWindow_->raise();
    journalWindow_->activateWindow();
}

void MainWindow::showPressDropped(bool busy) {
    if (busy) {
        ++droppedInCommand_;
    } else {
        status_->addDropped(1);
    }
}

void MainWindow::showReaderInUse() {
    const reader::ReaderInUse inUse = source_->readerInUse();
    readerInUse_->setText(QString::fromStdString(words::readerInUseText(inUse)));
    readerInUse_->setToolTip(QString::fromStdString(words::readerInUseDetail(inUse)));
}

}  // namespace ui
