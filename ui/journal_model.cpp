#include "ui/journal_model.h"

#include "journal/xlsx_export.h"
#include "platform/local_path.h"

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

using journal::Outcome;

// An icon that tells the outcome by its shape, not only by its colour: a tick, a cross, a dash.
QIcon outcomeIcon(Outcome outcome) {
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
    switch (outcome) {
        case Outcome::Verified:
            pen.setColor(QColor(0x1E, 0x7B, 0x34));
            path.moveTo(3, 8.5);
            path.lineTo(6.5, 12);
            path.lineTo(13, 4);
            break;
        case Outcome::Failed:
            pen.setColor(QColor(0xB3, 0x26, 0x1E));
            path.moveTo(4, 4);
            path.lineTo(12, 12);
            path.moveTo(12, 4);
            path.lineTo(4, 12);
            break;
        case Outcome::Started:
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

const QIcon& iconFor(Outcome outcome) {
    static const std::array<QIcon, 3> kIcons{outcomeIcon(Outcome::Verified),
                                             outcomeIcon(Outcome::Failed),
                                             outcomeIcon(Outcome::Started)};
    return kIcons.at(static_cast<std::size_t>(outcome));
}

QString outcomeWords(Outcome outcome) {
    switch (outcome) {
        case Outcome::Verified:
            return QStringLiteral("已写成：读回的号码与所写相同");
        case Outcome::Failed:
            return QStringLiteral("未写成");
        case Outcome::Started:
            return QStringLiteral("结果不明：开始写卡后没有记下结果");
    }
    return {};
}

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

std::filesystem::path localPath(const QString& path) {
    return platform::localPath(path);
}

bool sameDay(const journal::CivilTime& time, QDate day) {
    return time.year == day.year() && time.month == day.month() && time.day == day.day();
}

}  // namespace

JournalModel::JournalModel(std::filesystem::path file,
                           std::chrono::system_clock::time_point sessionStart, QObject* parent)
    : QAbstractTableModel(parent),
      file_(std::move(file)),
      sessionStartSeconds_(
          std::chrono::duration_cast<std::chrono::seconds>(sessionStart.time_since_epoch())
              .count()),
      today_(QDate::currentDate()) {
    if (file_.empty()) {
        error_ = QStringLiteral("找不到用户数据目录，没有写卡记录可看");
        return;
    }
    startReading();
}

JournalModel::~JournalModel() {
    {
        const std::lock_guard<std::mutex> lock(flight_);
        stop_ = true;
    }
    landed_.notify_all();
    joinReader();
}

void JournalModel::joinReader() {
    if (reader_.joinable()) {
        reader_.join();
    }
}

void JournalModel::followAppends() {
    if (file_.empty()) {
        return;
    }
    if (reading_) {
        readAgain_ = true;
        return;
    }
    startReading();
}

void JournalModel::startReading() {
    joinReader();
    reading_ = true;
    Q_EMIT countsChanged();
    const std::uint64_t from = offset_;
    reader_ = std::thread([this, file = file_, from] {
        std::uint64_t offset = from;
        if (journal::fileSize(file) < offset) {
            // Replaced by a shorter file: everything is new.
            offset = 0;
            QMetaObject::invokeMethod(
                this, [this] { restart(); }, Qt::QueuedConnection);
        }
        auto result =
            journal::readRows(file, offset, [this](std::vector<journal::JournalRow>&& rows) {
                // One batch at a time waits for the window's thread: each turn of its
                // event loop takes little, and memory holds no backlog.
                std::unique_lock<std::mutex> lock(flight_);
                landed_.wait(lock, [this] { return inFlight_ < kBatchesInFlight || stop_.load(); });
                if (stop_.load()) {
                    return false;
                }
                ++inFlight_;
                lock.unlock();
                auto batch = std::make_shared<std::vector<journal::JournalRow>>(std::move(rows));
                QMetaObject::invokeMethod(
                    this,
                    [this, batch] {
                        takeBatch(*batch);
                        const std::lock_guard<std::mutex> taken(flight_);
                        --inFlight_;
                        landed_.notify_one();
                    },
                    Qt::QueuedConnection);
                return true;
            });
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)] { readEnded(result); }, Qt::QueuedConnection);
    });
}

void JournalModel::restart() {
    beginResetModel();
    rows_.clear();
    shown_.clear();
    counts_ = {};
    skipped_ = 0;
    pendingStart_.reset();
    endResetModel();
    Q_EMIT countsChanged();
}

std::uint32_t JournalModel::intern(Texts& texts, std::string&& text) {
    const auto found = texts.indexes.find(text);
    if (found != texts.indexes.end()) {
        return found->second;
    }
    const auto index = static_cast<std::uint32_t>(texts.byIndex.size());
    texts.indexes.emplace(text, index);
    texts.byIndex.push_back(std::move(text));
    return index;
}

void JournalModel::takeBatch(std::vector<journal::JournalRow>& batch) {
    // A start line whose outcome line follows it is one write: only the outcome is shown. A
    // start with no outcome after it (the program ended during the write) is shown as unknown.
    std::vector<journal::JournalRow> lines;
    lines.reserve(batch.size());
    for (auto& line : batch) {
        if (pendingStart_) {
            if (line.outcome == Outcome::Started || line.number != pendingStart_->number) {
                lines.push_back(std::move(*pendingStart_));
            }
            pendingStart_.reset();
        }
        if (line.outcome == Outcome::Started) {
            pendingStart_ = std::move(line);
        } else {
            lines.push_back(std::move(line));
        }
    }
    addRows(lines);
}

void JournalModel::addRows(std::vector<journal::JournalRow>& batch) {
    if (QDate::currentDate() != today_) {
        today_ = QDate::currentDate();
        refilter();
    }
    std::vector<std::uint32_t> shown;
    rows_.reserve(rows_.size() + batch.size());
    for (auto& line : batch) {
        Row row;
        row.utcSeconds = line.utcSeconds;
        row.local = line.local;
        row.outcome = line.outcome;
        row.locked = line.locked;
        row.hasPrevious = line.previous.has_value();
        row.previous = line.previous.value_or(card::TagNumber{});
        row.number = line.number;
        row.result = intern(results_, std::move(line.result));
        row.chip = intern(chips_, std::move(line.chip));
        if (accepts(row)) {
            shown.push_back(static_cast<std::uint32_t>(rows_.size()));
        }
        rows_.push_back(row);
    }
    if (!shown.empty()) {
        beginInsertRows({}, 0, static_cast<int>(shown.size()) - 1);
        for (const std::uint32_t index : shown) {
            shown_.push_back(index);
            count(rows_[index]);
        }
        endInsertRows();
    }
    Q_EMIT countsChanged();
}

void JournalModel::readEnded(const journal::ReadResult& result) {
    if (pendingStart_) {
        std::vector<journal::JournalRow> unclosed{std::move(*pendingStart_)};
        pendingStart_.reset();
        addRows(unclosed);
    }
    reading_ = false;
    offset_ = result.offset;
    skipped_ += result.skipped;
    if (result.error) {
        error_ = qText(*result.error);
    } else {
        error_.reset();
    }
    if (readAgain_) {
        readAgain_ = false;
        startReading();
        return;
    }
    Q_EMIT countsChanged();
}

bool JournalModel::accepts(const Row& row) const {
    switch (period_) {
        case Period::Today:
            if (!sameDay(row.local, today_)) {
                return false;
            }
            break;
        case Period::SinceStart:
            if (row.utcSeconds < sessionStartSeconds_) {
                return false;
            }
            break;
        case Period::All:
            break;
    }
    return !query_ || journal::matches(*query_, row.number);
}

void JournalModel::count(const Row& row) {
    switch (row.outcome) {
        case Outcome::Verified:
            ++counts_.verified;
            break;
        case Outcome::Failed:
            ++counts_.failed;
            break;
        case Outcome::Started:
            ++counts_.started;
            break;
    }
}

void JournalModel::refilter() {
    beginResetModel();
    shown_.clear();
    counts_ = {};
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (accepts(rows_[i])) {
            shown_.push_back(static_cast<std::uint32_t>(i));
            count(rows_[i]);
        }
    }
    endResetModel();
    Q_EMIT countsChanged();
}

void JournalModel::setPeriod(Period period) {
    period_ = period;
    today_ = QDate::currentDate();
    refilter();
}

bool JournalModel::setSearch(const QString& text) {
    const auto query = journal::parseNumberQuery(text.trimmed().toStdString());
    const bool valid = query.has_value() || text.trimmed().isEmpty();
    query_ = query;
    refilter();
    return valid;
}

int JournalModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int JournalModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(journal::kTableColumns);
}

const JournalModel::Row& JournalModel::shownRow(int row) const {
    return rows_[shown_[shown_.size() - 1 - static_cast<std::size_t>(row)]];
}

journal::JournalRow JournalModel::expand(const Row& row) const {
    journal::JournalRow line;
    line.local = row.local;
    line.utcSeconds = row.utcSeconds;
    line.result = results_.byIndex[row.result];
    line.outcome = row.outcome;
    line.number = row.number;
    line.chip = chips_.byIndex[row.chip];
    line.locked = row.locked;
    if (row.hasPrevious) {
        line.previous = row.previous;
    }
    return line;
}

QVariant JournalModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount() || index.column() < 0 ||
        index.column() >= columnCount()) {
        return {};
    }
    const Row& row = shownRow(index.row());
    const auto column = static_cast<journal::Column>(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return qText(journal::cellText(expand(row), column));
        case Qt::DecorationRole:
            if (column == journal::Column::Result) {
                return iconFor(row.outcome);
            }
            return {};
        case Qt::ToolTipRole:
            // The whole result, which a narrow column cuts short.
            if (column == journal::Column::Result) {
                return qText(results_.byIndex[row.result]) + QLatin1Char('\n') +
                       outcomeWords(row.outcome);
            }
            return {};
        case Qt::AccessibleDescriptionRole:
            if (column == journal::Column::Result) {
                return outcomeWords(row.outcome);
            }
            return {};
        case Qt::BackgroundRole:
            switch (row.outcome) {
                case Outcome::Verified:
                    return QColor(0xE6, 0xF4, 0xEA);
                case Outcome::Failed:
                    return QColor(0xFD, 0xE7, 0xE9);
                case Outcome::Started:
                    return QColor(0xFF, 0xF4, 0xCE);
            }
            return {};
        case Qt::ForegroundRole:
            // Dark enough on the tints above (and on white) to read.
            return QColor(Qt::black);
        case kOutcomeRole:
            return static_cast<int>(row.outcome);
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
    const journal::JournalRow line = expand(shownRow(row));
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
        for (int row = 0; row < rowCount(); ++row) {
            add(row);
        }
    } else {
        for (const int row : rows) {
            add(row);
        }
    }
    return text;
}

std::optional<QString> JournalModel::exportXlsx(const QString& path, const QList<int>& rows,
                                                QDate date) const {
    journal::SheetContent content;
    content.name = date.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    for (const auto name : journal::kTableHeader) {
        content.header.emplace_back(name);
    }
    content.rows = rows.isEmpty() ? shown_.size() : static_cast<std::size_t>(rows.size());
    content.row = [this, &rows](std::size_t index, std::vector<std::string>& cells) {
        const int shown =
            rows.isEmpty() ? static_cast<int>(index) : rows.at(static_cast<int>(index));
        const journal::JournalRow line = expand(shownRow(shown));
        for (std::size_t c = 0; c < cells.size(); ++c) {
            cells[c] = journal::cellText(line, static_cast<journal::Column>(c));
        }
    };
    if (auto failed = journal::exportXlsx(localPath(path), content)) {
        return qText(*failed);
    }
    return std::nullopt;
}

}  // namespace ui
