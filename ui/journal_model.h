#pragma once

#include "journal/journal.h"
#include "journal/journal_rows.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace ui {

// The journal of written tags as a table, newest first, filtered by period, number and batch. It
// keeps only what it shows: the rows are the journal's (journal::Journal::rowBlock, read from the
// file when painted); a filter keeps the numbers of the rows it shows, which the journal finds on
// its reading thread. While the journal is still being read, and while a filter is being found, the
// table says so. After a write, followAppends() takes in what was appended. The view is given the
// newest rows first and more as it scrolls down (fetchMore), each time as many again: a view
// keeps a few bytes for every row it is given.
class JournalModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum class Period { Today, SinceStart, All };
    // Qt::UserRole: the row's journal::LineState, as an int.
    static constexpr int kStateRole = Qt::UserRole;

    // "since the program started" means since `sessionStart`. `journal` outlives the model.
    JournalModel(journal::Journal& journal, std::chrono::system_clock::time_point sessionStart,
                 QObject* parent = nullptr);
    ~JournalModel() override;
    JournalModel(const JournalModel&) = delete;
    JournalModel& operator=(const JournalModel&) = delete;
    JournalModel(JournalModel&&) = delete;
    JournalModel& operator=(JournalModel&&) = delete;

    // Takes in what was appended to the file since it was read (the whole file again when it was
    // replaced by a shorter one).
    void followAppends();
    [[nodiscard]] bool isReading() const noexcept { return waitingForJournal_ || scan_ != nullptr; }

    void setPeriod(Period period);
    // Shows only rows of the number typed (journal::parseNumberQuery); false, and every row of
    // the period shown, when the text is no number. An empty text looks for nothing.
    bool setSearch(const QString& text);
    // Shows only the writes made in the batch named `name`; every row again when it is empty.
    void setBatch(const QString& name);

    [[nodiscard]] journal::RowCounts counts() const noexcept { return counts_; }
    [[nodiscard]] std::size_t skippedLines() const noexcept { return skipped_; }
    [[nodiscard]] const std::optional<QString>& readError() const noexcept { return error_; }

    // The rows shown, of which the view has the first rowCount().
    [[nodiscard]] int shownRows() const noexcept {
        return static_cast<int>(filtered_ ? shown_.size() : rows_);
    }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

    // The texts of a shown row, one per column.
    [[nodiscard]] QStringList rowTexts(int row) const;
    // The rows (all shown ones when `rows` is empty) as tab-separated text with the header line.
    [[nodiscard]] QString tabSeparated(const QList<int>& rows) const;
    // The journal's rows behind the shown rows `rows` (all shown ones when `rows` is empty), top
    // to bottom: what an export writes.
    [[nodiscard]] std::vector<std::uint32_t> journalRows(const QList<int>& rows) const;

Q_SIGNALS:
    // Reading started or ended, rows came in, the filter changed: the counts may have changed.
    void countsChanged();

private:
    [[nodiscard]] journal::RowFilter filter() const;
    // Shows the journal's rows as they are now, from scratch.
    void showAnew();
    void poll();
    void takeScan();
    void takeAppended(const journal::Journal::Table& table);
    [[nodiscard]] std::size_t lineOf(int row) const;
    // The row of the journal `line` (0 the oldest); a placeholder when it cannot be read.
    [[nodiscard]] const journal::JournalRow& journalRow(std::size_t line) const;

    journal::Journal& journal_;
    std::int64_t sessionStartSeconds_;
    Period period_ = Period::All;
    std::optional<journal::NumberQuery> query_;
    QString batch_;
    QDate today_;
    QTimer* poll_;

    bool waitingForJournal_ = false;
    std::shared_ptr<journal::RowScan> scan_;  // a filter being found
    std::uint64_t generation_ = 0;
    std::size_t rows_ = 0;     // the journal's rows when last looked
    std::size_t settled_ = 0;  // of which no line to come changes
    bool filtered_ = false;
    std::vector<std::uint32_t> shown_;  // with a filter: the rows shown, oldest first
    int given_ = 0;                     // the rows the view has, from the top
    journal::RowCounts counts_;
    std::size_t skipped_ = 0;
    std::size_t settlements_ = 0;  // the journal's Table::settlements when last looked
    std::optional<QString> error_;
    mutable std::shared_ptr<const journal::RowBlock> block_;  // the rows read last
};

}  // namespace ui
