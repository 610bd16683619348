#pragma once

#include "card/card_number.h"
#include "commands/answered_questions.h"
#include "commands/batch_form.h"
#include "commands/batch_session.h"
#include "commands/outcome_text.h"
#include "commands/read_command.h"
#include "commands/session_tags.h"
#include "commands/shared_batch_session.h"
#include "commands/write_command.h"
#include "commands/write_request.h"
#include "journal/journal.h"
#include "reader/reader_source.h"
#include "ui/command_life.h"
#include "ui/journal_window.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QCheckBox;
class QHBoxLayout;
class QToolButton;

namespace ui {

// frmRW: the program's only window. Shows the controls, forwards presses to the commands and the
// batch's controls, and tells the user in its status line how a command went. One press runs one
// command: while it runs (and while its question waits) both buttons are disabled and input to
// the window is dropped. Where the window stands is one value (CommandLife).
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    // `source` hands the commands the reader; writes are journalled in the user's data folder.
    explicit MainWindow(std::unique_ptr<reader::ReaderSource> source, QWidget* parent = nullptr);
    // With the journal of written tags given.
    MainWindow(std::unique_ptr<reader::ReaderSource> source,
               std::unique_ptr<journal::Journal> journal, QWidget* parent = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    MainWindow(MainWindow&&) = delete;
    MainWindow& operator=(MainWindow&&) = delete;

    // What a write pressed now would be asked for: the fields' texts and the options.
    [[nodiscard]] commands::WriteForm writeForm() const;

    // Where the window stands: idle, in a command, waiting for a question's answer, ...
    [[nodiscard]] WindowState state() const { return life_->state(); }

    // The message in the status line beneath the client area, in full.
    [[nodiscard]] QString statusMessage() const;
    // Opens 写卡记录, the journal's window (the control of that name, Ctrl+J), or raises it.
    void showJournal();
    // The journal's window once it has been opened, else nothing.
    [[nodiscard]] JournalWindow* journalWindow() const { return journalWindow_; }

    // 批次 (the control of that name, Ctrl+B): a new batch, or the unfinished one offered again.
    void showBatchDialog();
    // The local batch in the window, if any: the write button writes its next number.
    [[nodiscard]] const commands::BatchSession* batch() const;
    // This station's part of a shared batch in the window, if any.
    [[nodiscard]] const commands::SharedBatchSession* sharedBatch() const;

    // The shared database for this run (--database), in place of the settings' one; empty: none.
    void useDatabase(const std::string& url);

Q_SIGNALS:
    // The write's question was answered; the write goes on once the box's click is done with.
    void questionAnswered(bool yes);

protected:
    void showEvent(QShowEvent* event) override;
    // Closing while a command runs closes the window once the command has ended.
    void closeEvent(QCloseEvent* event) override;

private:
    void readPressed();
    void writePressed();
    // Starts a command pressed with `pressed`: the buttons disabled and `busyText` shown; false
    // when none may start now (the press is dropped).
    [[nodiscard]] bool startCommand(QPushButton* pressed, const QString& busyText);
    // The command's outcome is shown: the buttons come back, and what waited for it runs.
    void endCommand();
    // One run of the write pressed: it stops at its first question not yet answered.
    void runWrite();
    // Shows `question` in a box whose default button is `no`, and goes on once it is answered:
    // yes runs the write again, no shows `declined`. Closing the window while it is open answers
    // `no`, and the window closes once the command has ended.
    void waitForAnswer(const commands::WriteQuestion& question, std::function<void()> declined);
    void answered(bool yes);
    void showWrite(const commands::WriteOutcome& outcome);
    // Once the journal is read and the window idle: what the journal says at start-up, the
    // unfinished batch and the shared database.
    void showStartFacts();
    void setFieldText(card::Field which, std::string_view text);
    // Counts a press dropped during a command, to be said after its outcome; one dropped after
    // the outcome is said at once.
    void showPressDropped(bool busy);
    void showReaderInUse();
    [[nodiscard]] QLineEdit* field(card::Field field) const;

    // Batches (main_window_batch.cpp).
    void makeBatchControls(QHBoxLayout& row);
    // The batch a press writes in: the local one or this station's part of a shared one.
    [[nodiscard]] commands::BatchWriting* writing() const;
    // The options and the panel for the batch now in the window.
    void showBatchEntered();
    // The options and fields free again.
    void showBatchLeft();
    // The fields and the panel as the batch stands.
    void showBatch();
    // The outcome of a press in the batch.
    void showBatchPress(const commands::BatchPress& press);
    // The window's size for what it shows now: the panel comes and goes, and grows in 核对.
    void fitWindow();
    // The dialog's form as the window's fields and options stand.
    [[nodiscard]] commands::BatchForm batchFormFromFields() const;

    std::unique_ptr<reader::ReaderSource> source_;
    std::unique_ptr<journal::Journal> journal_;
    class CommandGate* gate_ = nullptr;
    CommandLife* life_ = new CommandLife(this);
    QPushButton* pressed_ = nullptr;       // of the command running
    commands::AnsweredQuestions answers_;  // the write's
    std::function<void()> declined_;       // the outcome shown when the question is answered no
    QPushButton* readButton_ = nullptr;
    QPushButton* writeButton_ = nullptr;
    std::array<QLineEdit*, 4> fields_{};  // indexed by card::Field
    QRadioButton* tenDigitOption_ = nullptr;
    QRadioButton* em4305Option_ = nullptr;
    QCheckBox* advanceBox_ = nullptr;
    QCheckBox* lockBox_ = nullptr;
    class StatusLine* status_ = nullptr;
    QPointer<QMessageBox> question_;
    int droppedInCommand_ = 0;           // presses dropped during the command running
    commands::SessionTags sessionTags_;  // 本次第 N 张
    // A command's outcome is in the status line: no older fact from the journal replaces it.
    bool outcomeShown_ = false;
    QLabel* readerInUse_ = nullptr;
    std::chrono::system_clock::time_point started_ = std::chrono::system_clock::now();
    QPointer<JournalWindow> journalWindow_;
    class BatchPanel* batchPanel_ = nullptr;
    QToolButton* batchButton_ = nullptr;
    QSize aloneSize_;  // outside a batch
    class BatchControl* batches_ = nullptr;
    class HandsFreeControl* handsFree_ = nullptr;
};

}  // namespace ui
