#include "ui/journal_window.h"

#include "exports/row_export.h"
#include "journal/journal.h"
#include "platform/local_path.h"
#include "ui/journal_model.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace ui {

namespace {

// Texts as wide as the widest a column usually holds, to size the columns by.
constexpr std::array<const char*, 10> kWidestTexts{
    "2024-05-01 14:03:22", "已写卡，未能保护（状态 9）", "版本或客户号", "4294967295", "255,65535",
    "FFFFFFFFFF", "EM4305", "保护",
    // 原卡号, with the version byte it may have
    "4294967295（版本或客户号 255）", "2024-05-01 客户甲"};

QString windowTitleText() {
    return QStringLiteral("写卡记录");
}

// The size the window opens at where the screen has room for it.
constexpr int kWantedWidth = 1060;
constexpr int kWantedHeight = 620;
// What the window manager's frame and a taskbar may take beyond the available area.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;
// How often a running export's progress is shown.
constexpr int kProgressIntervalMs = 50;

}  // namespace

JournalWindow::JournalWindow(journal::Journal& journal,
                             std::chrono::system_clock::time_point sessionStart, QWidget* parent)
    : QWidget(parent, Qt::Window),
      journal_(journal),
      model_(new JournalModel(journal, sessionStart, this)),
      table_(new QTableView(this)),
      period_(new QButtonGroup(this)),
      search_(new QLineEdit(this)),
      searchHint_(new QLabel(this)),
      batch_(new QComboBox(this)) {
    setObjectName(QStringLiteral("写卡记录窗口"));
    setWindowTitle(windowTitleText());
    setAccessibleName(windowTitleText());

    auto* periodLabel = new QLabel(QStringLiteral("显示："), this);
    auto* periods = new QHBoxLayout;
    periods->addWidget(periodLabel);
    const std::array<std::pair<const char16_t*, JournalModel::Period>, 3> choices{{
        {u"今天", JournalModel::Period::Today},
        {u"本次运行以来", JournalModel::Period::SinceStart},
        {u"全部", JournalModel::Period::All},
    }};
    for (const auto& [caption, period] : choices) {
        auto* option = new QRadioButton(QString::fromUtf16(caption), this);
        option->setObjectName(option->text());
        option->setChecked(period == JournalModel::Period::All);
        period_->addButton(option, static_cast<int>(period));
        periods->addWidget(option);
    }
    connect(period_, &QButtonGroup::idClicked, this,
            [this](int id) { model_->setPeriod(static_cast<JournalModel::Period>(id)); });

    auto* searchLabel = new QLabel(QStringLiteral("查找号码："), this);
    search_->setObjectName(QStringLiteral("查找号码"));
    search_->setPlaceholderText(QStringLiteral("十位号、八位号（如 000,01000）或十六进制"));
    search_->setAccessibleName(QStringLiteral("查找号码"));
    search_->setAccessibleDescription(search_->placeholderText());
    search_->setClearButtonEnabled(true);
    // Room for any number typed; the placeholder shows whole where the screen is wide enough, and
    // the tooltip says it where it is not.
    search_->setToolTip(search_->placeholderText());
    search_->setMinimumWidth(search_->fontMetrics().horizontalAdvance(QStringLiteral("000,00000")) *
                             2);
    searchLabel->setBuddy(search_);
    searchHint_->setObjectName(QStringLiteral("查找提示"));
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        const bool valid = model_->setSearch(text);
        searchHint_->setText(valid ? QString() : QStringLiteral("不是号码，显示全部"));
    });
    periods->addSpacing(16);
    periods->addWidget(searchLabel);
    periods->addWidget(search_, 1);
    periods->addWidget(searchHint_);

    auto* batchLabel = new QLabel(QStringLiteral("批次："), this);
    batch_->setObjectName(QStringLiteral("批次"));
    batch_->setAccessibleName(QStringLiteral("批次"));
    // A long name neither widens the window past a small screen nor hides the others.
    batch_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    batch_->setMinimumContentsLength(10);
    batch_->addItem(QStringLiteral("全部批次"), QString());
    batchLabel->setBuddy(batch_);
    // By the item's data, not its text: a batch may be named 全部批次 too.
    connect(batch_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int /*index*/) { model_->setBatch(batch_->currentData().toString()); });
    periods->addSpacing(16);
    periods->addWidget(batchLabel);
    periods->addWidget(batch_);

    table_->setObjectName(QStringLiteral("记录表"));
    table_->setAccessibleName(QStringLiteral("写卡记录表"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->hide();
    // Fixed row heights: a million rows cost no measuring.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    for (std::size_t c = 0; c < kWidestTexts.size(); ++c) {
        const QString widest = QString::fromUtf8(kWidestTexts.at(c));
        const QString header =
            model_->headerData(static_cast<int>(c), Qt::Horizontal, Qt::DisplayRole).toString();
        const int width = std::max(table_->fontMetrics().horizontalAdvance(widest),
                                   table_->fontMetrics().horizontalAdvance(header)) +
                          (c == 1 ? 40 : 24);
        table_->setColumnWidth(static_cast<int>(c), width);
    }
    table_->installEventFilter(this);

    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("统计"));
    counts_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // A long count wraps rather than widening the window past a small screen.
    counts_->setWordWrap(true);
    exported_ = new QLabel(this);
    exported_->setObjectName(QStringLiteral("导出结果"));
    exported_->setWordWrap(true);
    copy_ = new QPushButton(QStringLiteral("复制"), this);
    copy_->setObjectName(QStringLiteral("复制"));
    copy_->setToolTip(QStringLiteral("把所选的行（未选时为显示的全部行）复制为表格文字（Ctrl+C）"));
    copy_->setAccessibleDescription(copy_->toolTip());
    connect(copy_, &QPushButton::clicked, this, &JournalWindow::copyRows);
    export_ = new QPushButton(QStringLiteral("导出…"), this);
    export_->setObjectName(QStringLiteral("导出…"));
    export_->setToolTip(
        QStringLiteral("把显示的全部行存为 Excel 工作簿（.xlsx），不论选了哪些行；号码保持原样"));
    export_->setAccessibleDescription(export_->toolTip());
    connect(export_, &QPushButton::clicked, this, [this] { exportWithDialog(Rows::Shown); });
    exportSelected_ = new QPushButton(QStringLiteral("导出所选…"), this);
    exportSelected_->setObjectName(QStringLiteral("导出所选…"));
    exportSelected_->setToolTip(
        QStringLiteral("只把所选的行存为 Excel 工作簿（.xlsx）；号码保持原样"));
    exportSelected_->setAccessibleDescription(exportSelected_->toolTip());
    connect(exportSelected_, &QPushButton::clicked, this,
            [this] { exportWithDialog(Rows::Selected); });
    exportPoll_ = new QTimer(this);
    exportPoll_->setInterval(kProgressIntervalMs);
    connect(exportPoll_, &QTimer::timeout, this, &JournalWindow::showProgress);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(counts_, 1);
    bottom->addWidget(copy_);
    bottom->addWidget(export_);
    bottom->addWidget(exportSelected_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(periods);
    layout->addWidget(table_, 1);
    layout->addLayout(bottom);
    layout->addWidget(exported_);

    connect(model_, &JournalModel::countsChanged, this, &JournalWindow::showCounts);
    connect(model_, &JournalModel::countsChanged, this, &JournalWindow::listBatches);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &JournalWindow::showCounts);
    showCounts();
    // Within the screen it opens on, frame included (1024x768, or 1366x768 at 150 %).
    const QRect room = screen()->availableGeometry();
    resize(std::min(kWantedWidth, room.width() - kFrameWidth),
           std::min(kWantedHeight, room.height() - kFrameHeight));
}

// The export's thread is cancelled and waited for (the job's own destructor).
JournalWindow::~JournalWindow() = default;

void JournalWindow::followAppends() {
    model_->followAppends();
}

void JournalWindow::showBatch(const QString& name) {
    followAppends();  // a batch opened just now is read
    listBatches();
    batch_->setCurrentIndex(name.isEmpty() ? 0 : batchItem(name));
}

int JournalWindow::batchItem(const QString& name) {
    const int found = batch_->findData(name);
    if (found >= 0) {
        return found;
    }
    batch_->addItem(name, name);
    return batch_->count() - 1;
}

void JournalWindow::listBatches() {
    const std::size_t openings = journal_.table().batchOpenings;
    if (batchOpenings_ == openings) {
        return;
    }
    batchOpenings_ = openings;
    // The batch shown stays chosen, whatever its place now; the filter does not change.
    const QString chosen = batch_->currentData().toString();
    const QSignalBlocker quiet(batch_);
    while (batch_->count() > 1) {
        batch_->removeItem(1);
    }
    for (const std::string& name : journal_.batchNames()) {
        const QString text = QString::fromStdString(name);
        batch_->addItem(text, text);
    }
    batch_->setCurrentIndex(chosen.isEmpty() ? 0 : batchItem(chosen));
}

void JournalWindow::showCounts() {
    const auto counts = model_->counts();
    QString text = QStringLiteral("显示 %1 行：已写成并核对 %2，未写成 %3")
                       .arg(model_->shownRows())
                       .arg(counts.verified)
                       .arg(counts.failed);
    if (counts.unknown > 0) {
        text += QStringLiteral("，结果不明 %1").arg(counts.unknown);
    }
    const int selected = static_cast<int>(selectedRows().size());
    if (selected > 0) {
        text += QStringLiteral("；已选 %1 行").arg(selected);
    }
    if (model_->isReading()) {
        text += QStringLiteral("（正在读取写卡记录…）");
    }
    if (model_->skippedLines() > 0) {
        text += QStringLiteral("；%1 行不完整，未显示").arg(model_->skippedLines());
    }
    if (model_->readError()) {
        text += QStringLiteral("；") + *model_->readError();
    }
    counts_->setText(text);
    counts_->setAccessibleName(text);
    export_->setEnabled(!isExporting() && !model_->isReading() && model_->shownRows() > 0);
    exportSelected_->setEnabled(!isExporting() && !model_->isReading() && selected > 0);
    copy_->setEnabled(model_->shownRows() > 0);
}

QList<int> JournalWindow::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void JournalWindow::copyRows() {
    QGuiApplication::clipboard()->setText(model_->tabSeparated(selectedRows()));
}

bool JournalWindow::eventFilter(QObject* watched, QEvent* event) {
    const auto* key = event->type() == QEvent::KeyPress ? dynamic_cast<QKeyEvent*>(event) : nullptr;
    if (watched == table_ && key != nullptr && key->matches(QKeySequence::Copy)) {
        copyRows();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString JournalWindow::proposedPath(QDate date, int rows) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // Not where the program was started from: the dialog would open there.
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = QDir::homePath();
    }
    return QDir(folder).filePath(QStringLiteral("写卡记录-%1-%2行.xlsx")
                                     .arg(date.toString(QStringLiteral("yyyy-MM-dd")))
                                     .arg(rows));
}

int JournalWindow::rowsFor(Rows rows) const {
    return rows == Rows::Shown ? model_->shownRows() : static_cast<int>(selectedRows().size());
}

bool JournalWindow::startExport(const QString& path, Rows rows, QDate date) {
    if (isExporting() || model_->isReading()) {
        return false;
    }
    exports::ExportRequest request;
    request.target = platform::localPath(path);
    request.sheetName = date.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    // The rows as the table shows them now, rows added since the window opened included; the
    // export reads their texts from the journal on its own thread.
    request.rows = model_->journalRows(rows == Rows::Shown ? QList<int>() : selectedRows());
    if (request.rows.empty()) {
        return false;
    }
    const int total = static_cast<int>(request.rows.size());
    exportPath_ = path;
    job_ = std::make_unique<exports::ExportJob>(journal_, std::move(request));
    exported_->clear();

    progress_ = new QProgressDialog(this);
    progress_->setObjectName(QStringLiteral("导出进度"));
    progress_->setWindowTitle(QStringLiteral("导出写卡记录"));
    // Not modal: a modal one would block the main window, this window's parent, and its writes.
    progress_->setWindowModality(Qt::NonModal);
    progress_->setCancelButtonText(QStringLiteral("取消"));
    progress_->setRange(0, total);
    progress_->setValue(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    // A short export ends before the dialog would show.
    progress_->setMinimumDuration(400);
    progress_->setLabelText(QStringLiteral("正在导出 0 / %1 行…").arg(total));
    connect(progress_, &QProgressDialog::canceled, this, &JournalWindow::cancelExport);
    exportPoll_->start();
    showCounts();
    return true;
}

void JournalWindow::cancelExport() {
    if (job_) {
        job_->cancel();
        if (progress_ != nullptr) {
            progress_->setLabelText(QStringLiteral("正在取消导出…"));
        }
    }
}

void JournalWindow::showProgress() {
    if (!job_) {
        exportPoll_->stop();
        return;
    }
    if (job_->finished()) {
        endExport();
        return;
    }
    if (progress_ == nullptr || progress_->wasCanceled()) {
        return;
    }
    const auto done = static_cast<int>(job_->done());
    const auto total = static_cast<int>(job_->total());
    progress_->setValue(std::min(done, total));
    progress_->setLabelText(done < total
                                ? QStringLiteral("正在导出 %L1 / %L2 行…").arg(done).arg(total)
                                : QStringLiteral("已读出 %L1 行，正在写入文件…").arg(total));
}

void JournalWindow::endExport() {
    exportPoll_->stop();
    const exports::ExportResult result = job_->result();
    const auto total = job_->total();
    job_.reset();
    // Gone at once, its timer that would show it too: a message box about the outcome may follow.
    // Only the poll timer ends an export, never the dialog's own signals.
    delete progress_;
    progress_ = nullptr;
    const QString shown = QDir::toNativeSeparators(exportPath_);
    std::optional<QString> failure;
    switch (result.kind) {
        case exports::ExportResult::Kind::Written:
            exported_->setText(QStringLiteral("已导出 %1 行到 %2").arg(total).arg(shown));
            break;
        case exports::ExportResult::Kind::Cancelled:
            failure = QStringLiteral("已取消导出，没有写入任何文件");
            exported_->setText(*failure);
            break;
        case exports::ExportResult::Kind::Failed:
            failure = QString::fromStdString(result.reason);
            exported_->setText(QStringLiteral("未能导出到 %1：%2").arg(shown, *failure));
            break;
    }
    exported_->setAccessibleName(exported_->text());
    showCounts();
    Q_EMIT exportEnded(failure);
}

std::optional<QString> JournalWindow::exportTo(const QString& path, Rows rows, QDate date) {
    if (!startExport(path, rows, date)) {
        return QStringLiteral("没有可导出的行，或导出正在进行");
    }
    std::optional<QString> ended;
    QEventLoop loop;
    connect(this, &JournalWindow::exportEnded, &loop,
            [&ended, &loop](const std::optional<QString>& failure) {
                ended = failure;
                loop.quit();
            });
    loop.exec();
    return ended;
}

void JournalWindow::exportWithDialog(Rows rows) {
    const QDate today = QDate::currentDate();
    const int count = rowsFor(rows);
    if (count == 0 || isExporting()) {
        return;
    }
    const QString title = rows == Rows::Shown
                              ? QStringLiteral("导出写卡记录：显示的全部 %1 行").arg(count)
                              : QStringLiteral("导出写卡记录：所选的 %1 行").arg(count);
    QFileDialog dialog(this, title, proposedPath(today, count),
                       QStringLiteral("Excel 工作簿 (*.xlsx)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    // The dialog asks before an existing file is replaced.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().constFirst();
    auto* once = new QObject(this);
    connect(
        this, &JournalWindow::exportEnded, once,
        [this, once, path](const std::optional<QString>& failure) {
            once->deleteLater();
            if (failure && exported_->text().startsWith(QStringLiteral("未能导出到"))) {
                QMessageBox::warning(
                    this, windowTitleText(),
                    QStringLiteral("未能导出到 %1\n\n%2\n\n写卡记录没有改变，可换一个位置再试。")
                        .arg(QDir::toNativeSeparators(path), *failure));
            }
        });
    if (!startExport(path, rows, today)) {
        delete once;
    }
}

}  // namespace ui
