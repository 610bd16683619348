#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace ui {

// The strip above the status line while a batch is in the window: where the batch stands, and
// what can be done with it. Hidden outside a batch, so that the window is as it always was.
class BatchPanel final : public QWidget {
    Q_OBJECT

public:
    explicit BatchPanel(QWidget* parent = nullptr);

    // Where the batch stands; `ended` once it is done or ended early: nothing more is written in
    // it, and it can be closed.
    void showProgress(const QString& text, bool ended);
    [[nodiscard]] QString progress() const;
    // Whether reads check tags against the batch (核对).
    [[nodiscard]] bool checking() const;
    void setChecking(bool on);
    // Where the bag check stands and the tags not seen yet; nothing hides it.
    void showCheck(const QString& text);
    // Whether hands-free writing (自动写卡) runs: the box shows it, and 停止 is there while it
    // does. Setting it says nothing back.
    void setAutoWriting(bool on);
    // A batch shared with other stations: it is closed, never ended, from here.
    void setShared(bool shared);

Q_SIGNALS:
    void checkingToggled(bool on);
    void autoWriteToggled(bool on);
    void stopAsked();
    void exportAsked();
    void printAsked();
    void endAsked();
    void voidAsked();
    void closeAsked();

private:
    QLabel* progress_ = nullptr;
    class ElidedLabel* checkState_ = nullptr;
    QPushButton* check_ = nullptr;
    QCheckBox* autoWrite_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* end_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* void_ = nullptr;
    bool shared_ = false;
};

}  // namespace ui
