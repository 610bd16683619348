#include "ui/journal_model.h"

#include <QColor>
#include <QFile>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <utility>

namespace ui {

namespace {

using journal::LineState;

constexpr std::chrono::milliseconds kPollInterval{10};
// With a filter, this many new rows are looked at on the window's thread; more are found anew.
constexpr std::size_t kTakenAtOnce = 20000;
// The rows the view is given first: many screens.
constexpr int kFirstGiven = 10000;

// A write cut off: neither a failure's red nor a tag not read back's yellow, so that the one tag
// the operator must look for stands out; its text dark enough on its tint to read.
QColor interruptedTint() {
    return {0xFF, 0xDD, 0xB8};
}
QColor interruptedText() {
    return {0x7A, 0x2E, 0x00};
}

// An icon that tells the state by its shape, not only by its colour: a tick, a cross, a dash.
QIcon stateIcon(LineState state) {
    constexpr int kSize = 16;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen;
    pen.setWidthF(2.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    QPainterPath path;
    switch (state) {
        case LineState::Verified:
            pen.setColor(QColor(0x1E, 0x7B, 0x34));
            path.moveTo(3, 8.5);
            path.lineTo(6.5, 12);
            path.lineTo(13, 4);
            break;
        case LineState::Failed:
            pen.setColor(QColor(0xB3, 0x26, 0x1E));
            path.moveTo(4, 4);
            path.lineTo(12, 12);
            path.moveTo(12, 4);
            path.lineTo(4, 12);
            break;
        case LineState::Started:
        case LineState::Unknown:
            pen.setColor(QColor(0x7A, 0x5B, 0x00));
            path.moveTo(4, 8);
            path.lineTo(12, 8);
            break;
    }
    painter.setPen(pen);
    painter.drawPath(path);
    painter.end();
    return {pixmap};
}

const QIcon& iconFor(LineState state) {
    static const std::array<QIcon, 4> kIcons{
        stateIcon(LineState::Verified), stateIcon(LineState::Failed), stateIcon(LineState::Started),
        stateIcon(LineState::Unknown)};
    return kIcons.at(static_cast<std::size_t>(state));
}

QString stateWords(const journal::JournalRow& row) {
    if (journal::interrupted(row)) {
        return QStringLiteral(
            "结果不明：写卡时程序被中断，卡上是否已是此号码未能核对，请读卡核对或搁置");
    }
    if (row.settled) {
        return row.state == LineState::Verified
                   ? QStringLiteral("后来读到一张卡上是此号码：算作已写成")
                   : QStringLiteral("此号码后来写到另一张卡上并已核对：这次不算写成");
    }
    switch (row.state) {
        case LineState::Verified:
            return QStringLiteral("已写成：读回的号码与所写相同");
        case LineState::Failed:
            return QStringLiteral("未写成");
        case LineState::Started:
        case LineState::Unknown:
            // Either the program ended during the write, or the tag could not be read back
            // after it: the tag may or may not hold the number.
            return QStringLiteral("结果不明：卡上是否已是此号码未能核对，请重读或搁置");
    }
    return {};
}

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

JournalModel::JournalModel(journal::Journal& journal,
                           std::chrono::system_clock::time_point sessionStart, QObject* parent)
    : QAbstractTableModel(parent),
      journal_(journal),
      sessionStartSeconds_(
          std::chrono::duration_cast<std::chrono::seconds>(sessionStart.time_since_epoch())
              .count()),
      today_(QDate::currentDate()),
      poll_(new QTimer(this)) {
    poll_->setInterval(kPollInterval);
    connect(poll_, &QTimer::timeout, this, &JournalModel::poll);
    if (journal_.file().empty()) {
        error_ = QStringLiteral("找不到用户数据目录，没有写卡记录可看");
        return;
    }
    // The rows are taken in on the event loop's next turn: the window shows at once, as over an
    // empty journal, then its rows.
    waitingForJournal_ = true;
    poll_->start(0);
}

JournalModel::~JournalModel() {
    // The journal may be gone already: only what the model owns is touched.
    if (scan_) {
        scan_->cancelled = true;
    }
}

journal::RowFilter JournalModel::filter() const {
    journal::RowFilter filter;
    switch (period_) {
        case Period::Today:
            // Today where the program runs now, whatever zone a row was written in.
            filter.fromSeconds = today_.startOfDay().toSecsSinceEpoch();
            filter.untilSeconds = today_.addDays(1).startOfDay().toSecsSinceEpoch();
            break;
        case Period::SinceStart:
            filter.fromSeconds = sessionStartSeconds_;
            break;
        case Period::All:
            break;
    }
    filter.query = query_;
    if (!batch_.isEmpty()) {
        filter.batch = batch_.toStdString();
    }
    return filter;
}

void JournalModel::showAnew() {
    const journal::Journal::Table table = journal_.table();
    if (scan_) {
        scan_->cancelled = true;
        scan_.reset();
    }
    beginResetModel();
    block_.reset();
    generation_ = table.generation;
    rows_ = table.rows;
    settled_ = table.settledRows;
    skipped_ = table.unreadable;
    settlements_ = table.settlements;
    error_ = table.error ? std::optional(qText(*table.error)) : std::nullopt;
    shown_.clear();
    const journal::RowFilter shown = filter();
    filtered_ = !shown.all();
    counts_ = filtered_ ? journal::RowCounts{} : table.counts;
    if (filtered_) {
        scan_ = journal_.scanRows(shown);
    }
    given_ = std::min(shownRows(), kFirstGiven);
    endResetModel();
    if (scan_) {
        if (scan_->done) {
            takeScan();
        } else {
            poll_->start();
        }
    }
    Q_EMIT countsChanged();
}

void JournalModel::poll() {
    if (poll_->interval() != kPollInterval.count()) {
        poll_->setInterval(kPollInterval);
    }
    if (waitingForJournal_ && journal_.isLoaded()) {
        waitingForJournal_ = false;
        journal_.readAppended();
        showAnew();
    }
    if (scan_ && scan_->done) {
        takeScan();
    }
    if (!waitingForJournal_ && !scan_) {
        poll_->stop();
    }
}

void JournalModel::takeScan() {
    const auto scan = std::move(scan_);
    if (scan->generation != generation_) {
        showAnew();  // the file was replaced meanwhile
        return;
    }
    beginResetModel();
    block_.reset();
    shown_ = std::move(scan->rows);
    counts_ = scan->counts;
    rows_ = scan->looked;
    // The last row looked at may have been a start held back, which a later line hides; rows
    // settled when the filter was asked for stay as they were found.
    settled_ = std::min(scan->settled, rows_);
    if (scan->error) {
        error_ = qText(*scan->error);
    }
    given_ = std::min(shownRows(), kFirstGiven);
    endResetModel();
    takeAppended(journal_.table());
}

void JournalModel::followAppends() {
    if (journal_.file().empty() || waitingForJournal_) {
        return;
    }
    journal_.readAppended();
    if (scan_) {
        return;  // what was appended is taken in when the filter was found
    }
    if (period_ == Period::Today && QDate::currentDate() != today_) {
        today_ = QDate::currentDate();
        showAnew();
        return;
    }
    takeAppended(journal_.table());
}

void JournalModel::takeAppended(const journal::Journal::Table& table) {
    if (table.generation != generation_ || table.rows < rows_) {
        showAnew();
        return;
    }
    skipped_ = table.unreadable;
    error_ = table.error ? std::optional(qText(*table.error)) : std::nullopt;
    if (table.settlements != settlements_) {
        // Rows anywhere may show another outcome now.
        if (filtered_) {
            showAnew();
            return;
        }
        settlements_ = table.settlements;
        block_.reset();
        counts_ = table.counts;
        if (given_ > 0) {
            Q_EMIT dataChanged(index(0, 0), index(given_ - 1, columnCount() - 1));
        }
    }
    if (table.rows != rows_ || table.settledRows != settled_) {
        // Rows from the last settled one on are new, or may have changed: a start held back that
        // its outcome's line now hides.
        block_.reset();
        const std::size_t before = rows_;
        if (!filtered_) {
            const auto added = static_cast<int>(table.rows - before);
            if (added > 0) {
                beginInsertRows({}, 0, added - 1);
                rows_ = table.rows;
                given_ += added;
                endInsertRows();
            }
            const auto changed = static_cast<int>(rows_ - before);
            if (settled_ < before && changed < given_) {
                Q_EMIT dataChanged(index(changed, 0),
                                   index(std::min(given_, static_cast<int>(rows_ - settled_)) - 1,
                                         columnCount() - 1));
            }
            counts_ = table.counts;
        } else {
            const auto changing = std::lower_bound(shown_.begin(), shown_.end(), settled_);
            if (changing != shown_.end() || table.rows - settled_ > kTakenAtOnce) {
                showAnew();  // a shown row changed, or too many are new: found anew
                return;
            }
            const journal::RowFilter shown = filter();
            std::vector<std::uint32_t> added;
            for (std::size_t line = settled_; line < table.rows; ++line) {
                const journal::JournalRow& row = journalRow(line);
                if (shown.accepts(row.time, card::numberValue(row.number), row.batch)) {
                    added.push_back(static_cast<std::uint32_t>(line));
                    counts_.add(row.state);
                }
            }
            rows_ = table.rows;
            if (!added.empty()) {
                beginInsertRows({}, 0, static_cast<int>(added.size()) - 1);
                shown_.insert(shown_.end(), added.begin(), added.end());
                given_ += static_cast<int>(added.size());
                endInsertRows();
            }
        }
        settled_ = table.settledRows;
    }
    Q_EMIT countsChanged();
}

void JournalModel::setPeriod(Period period) {
    period_ = period;
    today_ = QDate::currentDate();
    showAnew();
}

bool JournalModel::setSearch(const QString& text) {
    const auto query = journal::parseNumberQuery(text.trimmed().toStdString());
    const bool valid = query.has_value() || text.trimmed().isEmpty();
    query_ = query;
    showAnew();
    return valid;
}

void JournalModel::setBatch(const QString& name) {
    batch_ = name;
    showAnew();
}

int JournalModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : given_;
}

bool JournalModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && given_ < shownRows();
}

void JournalModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) {
        return;
    }
    const int more = std::min(shownRows() - given_, std::max(given_, kFirstGiven));
    beginInsertRows({}, given_, given_ + more - 1);
    given_ += more;
    endInsertRows();
}

int JournalModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(journal::kTableColumns);
}

std::size_t JournalModel::lineOf(int row) const {
    const auto fromTop = static_cast<std::size_t>(row);
    return filtered_ ? shown_[shown_.size() - 1 - fromTop] : rows_ - 1 - fromTop;
}

const journal::JournalRow& JournalModel::journalRow(std::size_t line) const {
    const auto holds = [line](const journal::RowBlock& block) {
        return line >= block.first && line - block.first < block.rows.size();
    };
    if (!block_ || !holds(*block_)) {
        block_ = journal_.rowBlock(line);
    }
    if (!block_ || !holds(*block_)) {
        static const journal::JournalRow kUnreadable;  // the file changed under the journal
        return kUnreadable;
    }
    return block_->rows[line - block_->first];
}

QVariant JournalModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount() || index.column() < 0 ||
        index.column() >= columnCount()) {
        return {};
    }
    const journal::JournalRow& row = journalRow(lineOf(index.row()));
    const auto column = static_cast<journal::Column>(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return qText(journal::cellText(row, column));
        case Qt::DecorationRole:
            if (column == journal::Column::Result) {
                return iconFor(row.state);
            }
            return {};
        case Qt::ToolTipRole:
            // The whole result, which a narrow column cuts short.
            if (column == journal::Column::Result) {
                return qText(journal::cellText(row, column)) + QLatin1Char('\n') + stateWords(row);
            }
            return {};
        case Qt::AccessibleDescriptionRole:
            if (column == journal::Column::Result) {
                return stateWords(row);
            }
            return {};
        case Qt::BackgroundRole:
            if (journal::interrupted(row)) {
                return interruptedTint();
            }
            switch (row.state) {
                case LineState::Verified:
                    return QColor(0xE6, 0xF4, 0xEA);
                case LineState::Failed:
                    return QColor(0xFD, 0xE7, 0xE9);
                case LineState::Started:
                case LineState::Unknown:
                    return QColor(0xFF, 0xF4, 0xCE);
            }
            return {};
        case Qt::ForegroundRole:
            // Dark enough on the tints above to read, whatever the palette; an interrupted
            // write in its own colour, which the tint alone would not set apart enough.
            return journal::interrupted(row) ? interruptedText() : QColor(Qt::black);
        case kStateRole:
            return static_cast<int>(row.state);
        default:
            return {};
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return qText(std::string(journal::kTableHeader.at(static_cast<std::size_t>(section))));
}

QStringList JournalModel::rowTexts(int row) const {
    QStringList texts;
    const journal::JournalRow& line = journalRow(lineOf(row));
    for (std::size_t c = 0; c < journal::kTableColumns; ++c) {
        texts << qText(journal::cellText(line, static_cast<journal::Column>(c)));
    }
    return texts;
}

QString JournalModel::tabSeparated(const QList<int>& rows) const {
    const auto clean = [](QString text) {
        // A tab or a line break inside a cell would start another cell or row.
        text.replace(QLatin1Char('\t'), QLatin1Char(' '));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return text;
    };
    QStringList header;
    for (const auto name : journal::kTableHeader) {
        header << qText(std::string(name));
    }
    QString text = header.join(QLatin1Char('\t')) + QLatin1Char('\n');
    const auto add = [&](int row) {
        QStringList cells = rowTexts(row);
        for (auto& cell : cells) {
            cell = clean(cell);
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    };
    if (rows.isEmpty()) {
        for (int row = 0; row < shownRows(); ++row) {
            add(row);
        }
    } else {
        for (const int row : rows) {
            add(row);
        }
    }
    return text;
}

std::vector<std::uint32_t> JournalModel::journalRows(const QList<int>& rows) const {
    std::vector<std::uint32_t> lines;
    if (rows.isEmpty()) {
        lines.reserve(static_cast<std::size_t>(shownRows()));
        for (int row = 0; row < shownRows(); ++row) {
            lines.push_back(static_cast<std::uint32_t>(lineOf(row)));
        }
    } else {
        lines.reserve(static_cast<std::size_t>(rows.size()));
        for (const int row : rows) {
            lines.push_back(static_cast<std::uint32_t>(lineOf(row)));
        }
    }
    return lines;
}

}  // namespace ui
