#pragma once

#include "commands/panel.h"
#include "journal/journal.h"
#include "reader/reader_source.h"
#include "ui/journal_window.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <QPointer>

#include <array>
#include <chrono>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QCheckBox;

namespace ui {

// frmRW: the program's only window. Shows the controls, forwards the two button clicks to the
// commands, and tells the user in its status line how a command went. One press runs one
// command: while it runs both buttons are disabled and input to the window is dropped.
class MainWindow final : public QMainWindow, public commands::Panel {
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

    [[nodiscard]] std::string fieldText(card::Field which) const override;
    void setFieldText(card::Field which, std::string_view text) override;
    [[nodiscard]] bool isWG34Selected() const override;
    [[nodiscard]] bool isEM4305Selected() const override;
    [[nodiscard]] bool isAdd1Checked() const override;
    [[nodiscard]] bool isLockChecked() const override;
    // A message box whose default button is `no`. Closing the window while it is open answers
    // `no`, and the window closes once the command has ended.
    [[nodiscard]] bool confirm(std::string_view question, std::string_view yes,
                               std::string_view no) override;

    // The message in the status line beneath the client area, in full.
    [[nodiscard]] QString statusMessage() const;
    // Opens 写卡记录, the journal's window (the control of that name, Ctrl+J), or raises it.
    void showJournal();
    // The journal's window once it has been opened, else nothing.
    [[nodiscard]] JournalWindow* journalWindow() const { return journalWindow_; }

protected:
    // Closing while a command runs closes the window once the command has ended.
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdIDRead_Click();
    void cmdIDWrite_Click();
    // Runs a command started by `pressed`, with the buttons disabled and `busyText` shown.
    void runCommand(QPushButton* pressed, const QString& busyText,
                    const std::function<void()>& command);
    void showPressDropped(bool busy);
    void showReaderInUse();
    [[nodiscard]] QLineEdit* field(card::Field field) const;

    std::unique_ptr<reader::ReaderSource> source_;
    std::unique_ptr<journal::Journal> journal_;
    class CommandGate* gate_ = nullptr;
    bool closeWhenDone_ = false;
    QPushButton* cmdIDRead_ = nullptr;
    QPushButton* cmdIDWrite_ = nullptr;
    std::array<QLineEdit*, 4> fields_{};  // indexed by card::Field
    QRadioButton* optIDWG34_ = nullptr;
    QRadioButton* optIDEM4305_ = nullptr;
    QCheckBox* chkIDADD1_ = nullptr;
    QCheckBox* chkIDLOCK_ = nullptr;
    class StatusLine* status_ = nullptr;
    QPointer<QMessageBox> question_;
    bool writing_ = false;  // the command running, or the last one, is a write
    int writtenThisSession_ = 0;
    QLabel* readerInUse_ = nullptr;
    std::chrono::system_clock::time_point started_ = std::chrono::system_clock::now();
    QPointer<JournalWindow> journalWindow_;
};

}  // namespace ui
