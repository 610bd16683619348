#pragma once

#include <QDate>
#include <QWidget>

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QTableView;
class QTimer;

namespace exports {
class ExportJob;
}  // namespace exports
namespace journal {
class Journal;
}  // namespace journal

namespace ui {

class JournalModel;

// 写卡记录: the journal of written tags as a table, newest first, with its filters (period,
// number, batch) and counts;
// copies the selected rows (Ctrl+C) and exports the rows shown (导出…), or the selected ones
// (导出所选…), as .xlsx, off the window's thread.
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
    // Shows only the writes made in the batch named `name`, as choosing it under 批次 does; it is
    // offered there even before the journal was read as far as its opening. An empty name shows
    // every batch's rows and the others again (全部批次).
    void showBatch(const QString& name);

    // The selected rows, top to bottom; empty when none is selected.
    [[nodiscard]] QList<int> selectedRows() const;
    // Puts the selected rows (all shown ones when none is) on the clipboard, tab-separated.
    void copyRows();
    enum class Rows { Shown, Selected };
    // Starts writing the rows shown, or the selected ones, to `path` on a thread of its own, with
    // a progress dialog that can cancel it; says how it went in the window when it ends
    // (exportEnded). A failure or a cancel changes nothing on the disk. False when an export is
    // running already or there is nothing to export.
    bool startExport(const QString& path, Rows rows, QDate date = QDate::currentDate());
    // Whether an export is running.
    [[nodiscard]] bool isExporting() const noexcept { return job_ != nullptr; }
    // Cancels the running export, if any.
    void cancelExport();
    // startExport, waiting for the end; the reason when it failed or was cancelled.
    std::optional<QString> exportTo(const QString& path, Rows rows,
                                    QDate date = QDate::currentDate());
    // The file name the save dialog proposes: 写卡记录-<date>-<rows>行.xlsx in the documents
    // folder, so that the file tells how many rows it holds.
    [[nodiscard]] static QString proposedPath(QDate date, int rows);

Q_SIGNALS:
    // An export ended: nothing when the file was written, else the reason.
    void exportEnded(const std::optional<QString>& failure);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void exportWithDialog(Rows rows);
    void showProgress();
    void endExport();
    void showCounts();
    // Offers the batches the journal has opened, newest first, when there are others than before.
    void listBatches();
    // The item of `name` under 批次, added when it is not there.
    int batchItem(const QString& name);
    [[nodiscard]] int rowsFor(Rows rows) const;

    journal::Journal& journal_;
    JournalModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QButtonGroup* period_ = nullptr;
    QLineEdit* search_ = nullptr;
    QLabel* searchHint_ = nullptr;
    QComboBox* batch_ = nullptr;
    std::optional<std::size_t> batchOpenings_;  // the journal's when the batches were listed
    QLabel* counts_ = nullptr;
    QLabel* exported_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* exportSelected_ = nullptr;

    std::unique_ptr<exports::ExportJob> job_;
    QString exportPath_;
    QProgressDialog* progress_ = nullptr;
    QTimer* exportPoll_ = nullptr;
};

}  // namespace ui
