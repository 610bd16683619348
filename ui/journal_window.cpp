#include "ui/journal_window.h"

#include "ui/journal_model.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace ui {

namespace {

// Texts as wide as the widest a column usually holds, to size the columns by.
constexpr std::array<const char*, 9> kWidestTexts{"2024-05-01 14:03:22",
                                                  "已写卡，未能保护（状态 9）",
                                                  "版本或客户号",
                                                  "4294967295",
                                                  "255,65535",
                                                  "FFFFFFFFFF",
                                                  "EM4305",
                                                  "保护",
                                                  "FFFFFFFFFF"};

QString windowTitleText() {
    return QStringLiteral("写卡记录");
}

}  // namespace

JournalWindow::JournalWindow(journal::Journal& journal,
                             std::chrono::system_clock::time_point sessionStart, QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(new JournalModel(journal, sessionStart, this)),
      table_(new QTableView(this)),
      period_(new QButtonGroup(this)),
      search_(new QLineEdit(this)),
      searchHint_(new QLabel(this)) {
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
    search_->setMinimumWidth(search_->fontMetrics().horizontalAdvance(search_->placeholderText()) +
                             40);
    searchLabel->setBuddy(search_);
    searchHint_->setObjectName(QStringLiteral("查找提示"));
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        const bool valid = model_->setSearch(text);
        searchHint_->setText(valid ? QString() : QStringLiteral("不是号码，显示全部"));
    });
    periods->addSpacing(24);
    periods->addWidget(searchLabel);
    periods->addWidget(search_, 1);
    periods->addWidget(searchHint_);

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
    export_->setToolTip(QStringLiteral(
        "把所选的行（未选时为显示的全部行）存为 Excel 工作簿（.xlsx）；号码保持原样"));
    export_->setAccessibleDescription(export_->toolTip());
    connect(export_, &QPushButton::clicked, this, &JournalWindow::exportWithDialog);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(counts_, 1);
    bottom->addWidget(copy_);
    bottom->addWidget(export_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(periods);
    layout->addWidget(table_, 1);
    layout->addLayout(bottom);
    layout->addWidget(exported_);

    connect(model_, &JournalModel::countsChanged, this, &JournalWindow::showCounts);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &JournalWindow::showCounts);
    showCounts();
    resize(1060, 620);
}

JournalWindow::~JournalWindow() = default;

void JournalWindow::followAppends() {
    model_->followAppends();
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
    export_->setEnabled(!model_->isReading() && model_->shownRows() > 0);
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

QString JournalWindow::proposedPath(QDate date) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    return QDir(folder).filePath(
        QStringLiteral("写卡记录-%1.xlsx").arg(date.toString(QStringLiteral("yyyy-MM-dd"))));
}

std::optional<QString> JournalWindow::exportTo(const QString& path, QDate date) {
    const QList<int> rows = selectedRows();
    const int count = rows.isEmpty() ? model_->shownRows() : static_cast<int>(rows.size());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto failed = model_->exportXlsx(path, rows, date);
    QApplication::restoreOverrideCursor();
    const QString shown = QDir::toNativeSeparators(path);
    if (failed) {
        exported_->setText(QStringLiteral("未能导出到 %1：%2").arg(shown, *failed));
    } else {
        exported_->setText(QStringLiteral("已导出 %1 行到 %2").arg(count).arg(shown));
    }
    exported_->setAccessibleName(exported_->text());
    return failed;
}

void JournalWindow::exportWithDialog() {
    const QDate today = QDate::currentDate();
    QFileDialog dialog(this, QStringLiteral("导出写卡记录"), proposedPath(today),
                       QStringLiteral("Excel 工作簿 (*.xlsx)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    // The dialog asks before an existing file is replaced.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().constFirst();
    if (const auto failed = exportTo(path, today)) {
        QMessageBox::warning(
            this, windowTitleText(),
            QStringLiteral("未能导出到 %1\n\n%2\n\n写卡记录没有改变，可换一个位置再试。")
                .arg(QDir::toNativeSeparators(path), *failed));
    }
}

}  // namespace ui
