#include "ui/main_window.h"

#include "card/number_text.h"
#include "commands/field_texts.h"
#include "commands/read_command.h"
#include "commands/write_command.h"
#include "ui/accessibility.h"
#include "ui/batch_panel.h"
#include "ui/command_gate.h"
#include "ui/first_paint.h"
#include "ui/journal_window.h"
#include "ui/status_line.h"
#include "ui/window_layout.h"
#include "words/batch_text.h"
#include "words/outcome_text.h"
#include "words/reader_words.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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

// Whether any of kFontFamilies is installed (Windows has them all). Where none is, each of them
// would cost a fallback search of its own for each font at start-up, only to come to the
// platform's own font. Their English names are enough: Windows lists the Latin ones by them.
bool anyListedFamilyInstalled() {
    static const bool any = [] {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        const QStringList installed = QFontDatabase().families();
#else
        const QStringList installed = QFontDatabase::families();
#endif
        return std::any_of(kFontFamilies.begin(), kFontFamilies.end(), [&](const char* family) {
            return installed.contains(QString::fromLatin1(family), Qt::CaseInsensitive);
        });
    }();
    return any;
}

QFont controlFont(const ControlFont& entry) {
    // Where none of them is installed, the platform's own font (sans-serif) stands in, with the
    // fallbacks Qt has already looked up for it.
    QFont font;
    if (anyListedFamilyInstalled()) {
        QStringList families;
        for (const char* family : kFontFamilies) {
            families.append(QString::fromLatin1(family));
        }
        font = QFont(families.first());
        font.setFamilies(families);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSizeF(entry.points);
    font.setBold(entry.bold);
    return font;
}

QWidget* createControl(const ControlDescription& entry, QWidget* container) {
    const QString caption = QString::fromUtf8(entry.caption);
    QWidget* control = nullptr;
    switch (entry.kind) {
        case ControlKind::Frame:
            control = new QGroupBox(container);
            break;
        case ControlKind::Button: {
            auto* button = new QPushButton(caption, container);
            // Enter and keypad Enter press the focused button, as Space does.
            button->setAutoDefault(true);
            control = button;
            break;
        }
        case ControlKind::TextField: {
            // Its text is given below, after its font: laid out once, not twice.
            auto* edit = new QLineEdit(container);
            edit->setMaxLength(INT_MAX);  // free text: no length limit, no input filter
            control = edit;
            break;
        }
        case ControlKind::OptionButton: {
            auto* option = new QRadioButton(caption, container);
            option->setChecked(entry.initiallyOn);
            // As on Windows, Tab reaches a pair once, on its chosen button; the arrow keys move
            // within the pair and choose as they go.
            const auto tabStop = [option](bool chosen) {
                option->setFocusPolicy(chosen ? Qt::StrongFocus : Qt::ClickFocus);
            };
            tabStop(entry.initiallyOn);
            QObject::connect(option, &QRadioButton::toggled, option, tabStop);
            control = option;
            break;
        }
        case ControlKind::CheckBox: {
            auto* check = new QCheckBox(caption, container);
            check->setChecked(entry.initiallyOn);
            control = check;
            break;
        }
        case ControlKind::Label:
            control = new QLabel(caption, container);
            break;
    }
    control->setObjectName(QString::fromLatin1(entry.name));
    if (entry.font) {
        control->setFont(controlFont(*entry.font));
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(caption);
    }
    const double dpi = container->logicalDpiX();
    int width = twipsToPixels(entry.width, dpi);
    if (entry.kind == ControlKind::Label || entry.kind == ControlKind::OptionButton ||
        entry.kind == ControlKind::CheckBox) {
        // A stand-in font may be wider than MS Sans Serif: let a caption run on rather than be
        // cut off. None of them has a neighbour close enough on its right to be covered.
        width = std::max(width, control->sizeHint().width());
    }
    control->setGeometry(twipsToPixels(entry.left, dpi), twipsToPixels(entry.top, dpi), width,
                         twipsToPixels(entry.height, dpi));
    return control;
}

bool takesFocus(ControlKind kind) {
    return kind != ControlKind::Frame && kind != ControlKind::Label;
}

// Tab moves through the focusable controls in the order of their tab indexes.
void chainTabOrder(const std::map<std::string_view, QWidget*>& controls) {
    std::vector<const ControlDescription*> focusable;
    for (const auto& entry : kControls) {
        if (takesFocus(entry.kind)) {
            focusable.push_back(&entry);
        }
    }
    std::sort(focusable.begin(), focusable.end(),
              [](const ControlDescription* a, const ControlDescription* b) {
                  return a->tabIndex < b->tabIndex;
              });
    for (std::size_t i = 1; i < focusable.size(); ++i) {
        QWidget::setTabOrder(controls.at(focusable[i - 1]->name), controls.at(focusable[i]->name));
    }
}

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
    client->setObjectName(QStringLiteral("clientArea"));
    const double dpi = client->logicalDpiX();
    client->setFixedSize(twipsToPixels(kClientWidthTwips, dpi),
                         twipsToPixels(kClientHeightTwips, dpi));
    setCentralWidget(client);

    std::map<std::string_view, QWidget*> controls;
    for (const auto& entry : kControls) {
        QWidget* container = entry.container != nullptr ? controls.at(entry.container) : client;
        controls[entry.name] = createControl(entry, container);
    }
    chainTabOrder(controls);
    describeControls(controls);

    const auto played = [&controls](Role role) { return controls.at(controlFor(role).name); };
    for (const card::Field which : kFields) {
        fields_.at(static_cast<std::size_t>(which)) =
            qobject_cast<QLineEdit*>(played(fieldRole(which)));
    }
    tenDigitOption_ = qobject_cast<QRadioButton*>(played(Role::TenDigitOption));
    em4305Option_ = qobject_cast<QRadioButton*>(played(Role::EM4305Option));
    advanceBox_ = qobject_cast<QCheckBox*>(played(Role::AdvanceBox));
    lockBox_ = qobject_cast<QCheckBox*>(played(Role::LockBox));

    readButton_ = qobject_cast<QPushButton*>(played(Role::ReadButton));
    writeButton_ = qobject_cast<QPushButton*>(played(Role::WriteButton));
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
    connect(journalKey, &QShortcut::activated, this, &MainWindow::showJournal);
    // The journal is read beside the window once the window has been painted, so that a long one
    // does not hold up its first sight (a command asks for it sooner if it needs it); a journal
    // that cannot be read is told once that is known.
    auto* journalRead = new QTimer(this);
    connect(journalRead, &QTimer::timeout, this, [this, journalRead] {
        if (!journal_->isLoaded() || gate_->isBusy()) {
            return;
        }
        journalRead->deleteLater();
        if (outcomeShown_) {
            offerUnfinishedBatch();
            connectStation();
            return;  // the outcome is newer than anything the journal has to say
        }
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
        offerUnfinishedBatch();
        connectStation();
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

MainWindow::~MainWindow() {
    // A window closed or not, what this station leaves unwritten goes back to the others.
    handsFree_.reset();
    closeSharedBatch();
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

namespace {

QString fromUtf8(std::string_view text) {
    using QtSize = decltype(std::declval<QString>().size());  // int on Qt 5, qsizetype on Qt 6
    return QString::fromUtf8(text.data(), static_cast<QtSize>(text.size()));
}

}  // namespace

void MainWindow::setFieldText(card::Field which, std::string_view text) {
    field(which)->setText(fromUtf8(text));
}

namespace {

// A question as its box shows it: each sentence on lines of its own, and its last clause (the
// question itself, "改写为 … 吗？") on a line of its own that never breaks, so that no "吗？" is
// left alone.
QString questionLines(const QString& text) {
    QString html;
    const QChar fullStop(0x3002);  // 。
    for (QString sentence : text.split(fullStop, Qt::SkipEmptyParts)) {
        if (!sentence.endsWith(QChar(0xFF1F))) {  // ？
            sentence += fullStop;
        }
        const auto clause = sentence.lastIndexOf(QChar(0xFF0C)) + 1;  // after the last ，
        if (clause > 0) {
            html += QStringLiteral("<div>") + sentence.left(clause).toHtmlEscaped() +
                    QStringLiteral("</div>");
        }
        html += QStringLiteral("<div style=\"white-space:pre\">") +
                sentence.mid(clause).toHtmlEscaped() + QStringLiteral("</div>");
    }
    return html;
}

}  // namespace

bool MainWindow::confirm(const commands::WriteQuestion& asked) {
    const words::Question question = words::questionWords(asked);
    QMessageBox box(QMessageBox::Question, windowTitle(), questionLines(fromUtf8(question.text)),
                    QMessageBox::NoButton, this);
    box.setTextFormat(Qt::RichText);
    // A screen reader hears the question as it is worded.
    box.setAccessibleDescription(fromUtf8(question.text));
    QPushButton* yesButton = box.addButton(fromUtf8(question.yes), QMessageBox::YesRole);
    QPushButton* noButton = box.addButton(fromUtf8(question.no), QMessageBox::NoRole);
    box.setDefaultButton(noButton);
    box.setEscapeButton(noButton);
    // The second click of a double-click, or a key held down, must not answer it.
    gate_->guardDialog(&box);
    // Not modal to the window system: a modal box would have it drop the window's close button
    // unseen. The window's own input is dropped all the same while the command runs.
    box.setWindowModality(Qt::NonModal);
    QEventLoop answered;
    connect(&box, &QMessageBox::finished, &answered, &QEventLoop::quit);
    question_ = &box;
    // The tag has been read and nothing is written while the question waits.
    status_->showMessage("等待回答：尚未写卡");
    box.show();
    answered.exec();
    question_ = nullptr;
    const bool yes = box.clickedButton() == yesButton;
    if (yes) {
        status_->showMessage("正在写卡…");
    }
    return yes;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The focus mark shows from the start, not only once a key has moved the focus (Qt hides it
    // whenever a window is shown): the first Space ticks the lock box, for good.
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    stopHandsFree({}, words::Tone::Neutral);  // ticks run on this thread: none is under way
    if (gate_->isBusy()) {
        closeWhenDone_ = true;
        if (question_ != nullptr) {
            question_->reject();  // the default answer: nothing is written
        }
        event->ignore();
        return;
    }
    closeSharedBatch();  // the others may write what this station leaves unwritten
    QMainWindow::closeEvent(event);
}

void MainWindow::runCommand(QPushButton* pressed, const QString& busyText,
                            const std::function<void()>& command) {
    if (!gate_->mayStart()) {
        return;
    }
    gate_->begin();
    droppedInCommand_ = 0;
    readButton_->setEnabled(false);
    writeButton_->setEnabled(false);
    // Shown before the command's first library call, which blocks the event loop.
    status_->showMessage(busyText.toStdString());
    readButton_->parentWidget()->repaint();

    command();
    showReaderInUse();

    gate_->end();
    if (droppedInCommand_ > 0) {
        status_->addDropped(droppedInCommand_);
    }
    readButton_->setEnabled(true);
    writeButton_->setEnabled(true);
    // Disabling the focused button moved the focus on; one key per tag goes on working.
    pressed->setFocus(Qt::OtherFocusReason);
    if (closeWhenDone_) {
        closeWhenDone_ = false;
        close();
    }
}

void MainWindow::readPressed() {
    runCommand(readButton_, QStringLiteral("正在读卡…"), [this] {
        const auto outcome = commands::readTag(*source_, *journal_);
        if (bagCheck_) {
            checkRead(outcome);
            return;
        }
        std::string message = words::describeRead(outcome, source_->readerInUse());
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
    });
    if (journalWindow_ != nullptr) {
        journalWindow_->followAppends();  // a read may have settled a write
    }
}

void MainWindow::writePressed() {
    if (writing() != nullptr) {
        runCommand(writeButton_, QStringLiteral("正在写卡…"), [this] { writeInBatch(); });
        if (journalWindow_ != nullptr) {
            journalWindow_->followAppends();
        }
        return;
    }
    runCommand(writeButton_, QStringLiteral("正在写卡…"), [this] {
        const auto outcome =
            commands::writeTag(writeForm(), *source_, *journal_,
                               [this](const commands::WriteQuestion& q) { return confirm(q); });
        if (const auto next = commands::numberAfter(outcome)) {
            const card::Field counting = card::countingField(outcome.request.notation);
            setFieldText(counting, card::fieldText(*next, counting));
        }
        std::string message = words::describeWrite(outcome, source_->readerInUse());
        const words::Tone tone = words::toneOf(outcome);
        if (outcome.verified()) {
            countTag(outcome);
        }
        if (tone == words::Tone::Done) {
            message += words::sessionCount(static_cast<int>(onTagsThisSession_.size()));
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
    });
    if (journalWindow_ != nullptr) {
        journalWindow_->followAppends();
    }
}

void MainWindow::countTag(const commands::WriteOutcome& outcome) {
    // The read before the write tells a tag this session wrote already: it sends the number
    // written onto it then, which the new number replaces.
    if (outcome.previousNumber) {
        const auto same = std::find(onTagsThisSession_.begin(), onTagsThisSession_.end(),
                                    *outcome.previousNumber);
        if (same != onTagsThisSession_.end()) {
            *same = outcome.request.number;
            return;
        }
    }
    onTagsThisSession_.push_back(outcome.request.number);
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
