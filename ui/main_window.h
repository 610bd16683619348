#pragma once

#include "commands/panel.h"
#include "reader/reader_source.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QLabel;
class QLineEdit;
class QRadioButton;
class QCheckBox;

namespace ui {

// frmRW: the program's only window. Shows the controls, forwards the two button clicks to the
// commands, and tells the user in its status line how a command went.
class MainWindow final : public QMainWindow, public commands::Panel {
    Q_OBJECT

public:
    // `source` hands the commands the reader.
    explicit MainWindow(std::unique_ptr<reader::ReaderSource> source, QWidget* parent = nullptr);
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

    // The message in the status line beneath the client area, in full.
    [[nodiscard]] QString statusMessage() const;

private:
    void cmdIDRead_Click();
    void cmdIDWrite_Click();
    void showStatus(const std::string& utf8Message);
    void showReaderInUse();
    [[nodiscard]] QLineEdit* field(card::Field field) const;

    std::unique_ptr<reader::ReaderSource> source_;
    std::array<QLineEdit*, 4> fields_{};  // indexed by card::Field
    QRadioButton* optIDWG34_ = nullptr;
    QRadioButton* optIDEM4305_ = nullptr;
    QCheckBox* chkIDADD1_ = nullptr;
    QCheckBox* chkIDLOCK_ = nullptr;
    class ElidedLabel* statusMessage_ = nullptr;
    QLabel* readerInUse_ = nullptr;
};

}  // namespace ui
