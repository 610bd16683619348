#pragma once

#include <QDate>
#include <QWidget>

#include <chrono>
#include <optional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace journal {
class Journal;
}

namespace ui {

class JournalModel;

// 写卡记录: the journal of written tags as a table, newest first, with its filters and counts;
// copies the selected rows (Ctrl+C) and exports the rows shown, or the selected ones, as .xlsx.
// It follows the journal while it is open: followAppends() after every write.
class JournalWindow final : public QWidget {
    Q_OBJECT

public:
    // `journal` outlives the window.
    JournalWindow(journal::Journal& journal, std::chrono::system_clock::time_point sessionStart,
                  QWidget* parent = nullptr);
    ~JournalWindow() override;
    JournalWindow(const JournalWindow&) = delete;
    JournalWindow& operator=(const JournalWindow&) = delete;
    JournalWindow(JournalWindow&&) = delete;
    JournalWindow& operator=(JournalWindow&&) = delete;

    [[nodiscard]] JournalModel& model() const noexcept { return *model_; }
    [[nodiscard]] QTableView& table() const noexcept { return *table_; }
    void followAppends();

    // The selected rows, top to bottom; empty when none is selected.
    [[nodiscard]] QList<int> selectedRows() const;
    // Puts the selected rows (all shown ones when none is) on the clipboard, tab-separated.
    void copyRows();
    // Writes the selected rows (all shown ones when none is) to `path`; says how it went in the
    // window and returns the reason when it failed. A failure changes nothing on the disk.
    std::optional<QString> exportTo(const QString& path, QDate date = QDate::currentDate());
    // The file name the save dialog proposes: 写卡记录-<date>.xlsx in the documents folder.
    [[nodiscard]] static QString proposedPath(QDate date);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void exportWithDialog();
    void showCounts();

    JournalModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QButtonGroup* period_ = nullptr;
    QLineEdit* search_ = nullptr;
    QLabel* searchHint_ = nullptr;
    QLabel* counts_ = nullptr;
    QLabel* exported_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* export_ = nullptr;
};

}  // namespace ui
