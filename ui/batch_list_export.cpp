#include "ui/batch_list_export.h"

#include "ui/wait_cursor.h"

#include "exports/handover_export.h"
#include "exports/handover_list.h"
#include "platform/local_path.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStandardPaths>

namespace ui {

namespace {

// What Windows refuses in a file name, and what would make a folder of it elsewhere.
QString fileNamePart(QString text) {
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c)) {
            c = QLatin1Char('_');
        }
    }
    return text.trimmed();
}

}  // namespace

QString proposedBatchListPath(const journal::BatchLog& log, QDate date) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // Not where the program was started from: the dialog would open there.
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = QDir::homePath();
    }
    const QString name =
        log.newest ? fileNamePart(QString::fromStdString(log.newest->order.name)) : QString();
    const quint64 count = log.newest ? log.newest->order.count : 0;
    return QDir(folder).filePath(QStringLiteral("%1-%2张-%3.xlsx")
                                     .arg(name.isEmpty() ? QStringLiteral("批次") : name)
                                     .arg(count)
                                     .arg(date.toString(QStringLiteral("yyyy-MM-dd"))));
}

std::optional<QString> writeBatchList(const QString& path, const journal::BatchLog& log) {
    if (!log.newest) {
        return QStringLiteral("没有批次记录，无法导出交接清单");
    }
    const exports::ExportResult result =
        exports::exportHandoverList(platform::localPath(path), exports::HandoverList(log));
    if (result.kind == exports::ExportResult::Kind::Written) {
        return std::nullopt;
    }
    return QString::fromStdString(result.reason);
}

std::optional<QString> exportBatchList(QWidget* parent, const journal::BatchLog& log) {
    if (!log.newest) {
        return std::nullopt;
    }
    QFileDialog dialog(
        parent,
        QStringLiteral("导出交接清单：%1").arg(QString::fromStdString(log.newest->order.name)),
        proposedBatchListPath(log, QDate::currentDate()), QStringLiteral("Excel 工作簿 (*.xlsx)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    // The dialog asks before an existing file is replaced.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = dialog.selectedFiles().constFirst();
    std::optional<QString> failure;
    {
        const WaitCursor waiting;
        failure = writeBatchList(path, log);
    }
    if (failure) {
        QMessageBox::warning(parent, QStringLiteral("导出交接清单"),
                             QStringLiteral("未能导出到 %1\n\n%2\n\n可换一个位置再试。")
                                 .arg(QDir::toNativeSeparators(path), *failure));
        return std::nullopt;
    }
    return path;
}

}  // namespace ui
