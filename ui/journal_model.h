#pragma once

#include "journal/journal_rows.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

namespace ui {

// The journal of written tags as a table, newest first, filtered by period and number. The file
// is read on a thread of its own, a batch of rows at a time, so that a journal of a million lines
// shows its first rows at once and never holds up the window; later, only what was appended is
// read. Rows are kept compactly (about 40 bytes each); texts are made when a cell is shown.
class JournalModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum class Period { Today, SinceStart, All };
    // Qt::UserRole: the row's journal::Outcome, as an int.
    static constexpr int kOutcomeRole = Qt::UserRole;

    struct Counts {
        std::size_t verified = 0;
        std::size_t failed = 0;
        std::size_t started = 0;
    };

    // The journal at `file` (empty: the data folder is unknown); "since the program started"
    // means since `sessionStart`. Starts reading at once.
    JournalModel(std::filesystem::path file, std::chrono::system_clock::time_point sessionStart,
                 QObject* parent = nullptr);
    ~JournalModel() override;
    JournalModel(const JournalModel&) = delete;
    JournalModel& operator=(const JournalModel&) = delete;
    JournalModel(JournalModel&&) = delete;
    JournalModel& operator=(JournalModel&&) = delete;

    // Reads what was appended to the file since the last read (the whole file again when it was
    // replaced by a shorter one).
    void followAppends();
    [[nodiscard]] bool isReading() const noexcept { return reading_; }

    void setPeriod(Period period);
    // Shows only rows of the number typed (journal::parseNumberQuery); false, and every row of
    // the period shown, when the text is no number. An empty text looks for nothing.
    bool setSearch(const QString& text);

    [[nodiscard]] Counts counts() const noexcept { return counts_; }
    [[nodiscard]] std::size_t totalRows() const noexcept { return rows_.size(); }
    [[nodiscard]] std::size_t skippedLines() const noexcept { return skipped_; }
    [[nodiscard]] const std::optional<QString>& readError() const noexcept { return error_; }
    [[nodiscard]] const std::filesystem::path& file() const noexcept { return file_; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

    // The texts of a shown row, one per column.
    [[nodiscard]] QStringList rowTexts(int row) const;
    // The rows (all shown ones when `rows` is empty) as tab-separated text with the header line.
    [[nodiscard]] QString tabSeparated(const QList<int>& rows) const;
    // Writes the rows (all shown ones when `rows` is empty) to an .xlsx workbook whose sheet is
    // named after `date`; the reason when it could not be written.
    [[nodiscard]] std::optional<QString> exportXlsx(const QString& path, const QList<int>& rows,
                                                    QDate date) const;

Q_SIGNALS:
    // Reading started or ended, rows came in, the filter changed: the counts may have changed.
    void countsChanged();

private:
    struct Row {
        std::int64_t utcSeconds = 0;
        journal::CivilTime local;
        journal::Outcome outcome = journal::Outcome::Failed;
        bool locked = false;
        bool hasPrevious = false;
        std::uint32_t chip = 0;
        std::uint32_t result = 0;
        card::TagNumber number;
        card::TagNumber previous;
    };
    void startReading();
    void restart();
    void takeBatch(std::vector<journal::JournalRow>& batch);
    void addRows(std::vector<journal::JournalRow>& lines);
    void readEnded(const journal::ReadResult& result);
    [[nodiscard]] bool accepts(const Row& row) const;
    void refilter();
    void count(const Row& row);
    [[nodiscard]] const Row& shownRow(int row) const;
    [[nodiscard]] journal::JournalRow expand(const Row& row) const;
    struct Texts {
        std::vector<std::string> byIndex;
        std::unordered_map<std::string, std::uint32_t> indexes;
    };
    [[nodiscard]] static std::uint32_t intern(Texts& texts, std::string&& text);
    void joinReader();

    std::filesystem::path file_;
    std::int64_t sessionStartSeconds_;
    Period period_ = Period::All;
    std::optional<journal::NumberQuery> query_;
    QDate today_;

    std::vector<Row> rows_;             // in file order
    std::vector<std::uint32_t> shown_;  // indexes into rows_, oldest first; shown newest first
    Texts results_;                     // the distinct 结果 texts
    Texts chips_;                       // the distinct 芯片 texts
    Counts counts_;
    std::size_t skipped_ = 0;
    std::optional<QString> error_;

    std::uint64_t offset_ = 0;  // where the next read starts

    // A write's start line, held back until the next line shows whether its outcome follows.

    std::optional<journal::JournalRow> pendingStart_;
    bool reading_ = false;
    bool readAgain_ = false;
    static constexpr int kBatchesInFlight = 1;
    std::mutex flight_;
    std::condition_variable landed_;
    int inFlight_ = 0;  // batches posted to the window's thread, not yet taken
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

}  // namespace ui
