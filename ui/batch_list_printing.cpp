#include "ui/batch_list_printing.h"

#include "exports/handover_list.h"
#include "ui/batch_list_print.h"

#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <utility>

namespace ui {

namespace {

const QString kObjectName = QStringLiteral("打印交接清单");

// One print run over a window: a page each turn of its event loop, so that it repaints and the
// progress dialog's 取消 is heard between pages. Deletes itself when the run ends.
class ListPrinting final : public QObject {
public:
    ListPrinting(QWidget* parent, const journal::BatchLog& log, std::unique_ptr<QPrinter> printer,
                 std::function<void(PrintEnd)> ended)
        : QObject(parent),
          parent_(parent),
          list_(log),
          printer_(std::move(printer)),
          pages_(*printer_, list_),
          ended_(std::move(ended)) {
        setObjectName(kObjectName);
    }

    void start() {
        if (!pages_.begin()) {
            finish(PrintEnd::Failed);
            return;
        }
        progress_ = new QProgressDialog(parent_);
        progress_->setObjectName(QStringLiteral("打印进度"));
        progress_->setWindowTitle(QStringLiteral("打印交接清单"));
        // Not modal: a modal one would have each of its steps turn the event loop itself.
        progress_->setWindowModality(Qt::NonModal);
        progress_->setCancelButtonText(QStringLiteral("取消"));
        progress_->setRange(0, pages_.pagesToPrint());
        progress_->setValue(0);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        // A short list is printed before the dialog would show.
        progress_->setMinimumDuration(400);
        showProgress();
        connect(progress_, &QProgressDialog::canceled, this, [this] { cancelled_ = true; });
        connect(&turn_, &QTimer::timeout, this, &ListPrinting::printPage);
        turn_.start(0);
    }

private:
    void printPage() {
        if (cancelled_) {
            pages_.abort();
            finish(PrintEnd::Cancelled);
            return;
        }
        if (!pages_.printNext()) {
            finish(PrintEnd::Failed);
            return;
        }
        if (!pages_.done()) {
            showProgress();
            return;
        }
        finish(pages_.end() ? PrintEnd::Printed : PrintEnd::Failed);
    }

    void showProgress() {
        progress_->setValue(pages_.printed());
        progress_->setLabelText(QStringLiteral("正在打印第 %1 页，共 %2 页…")
                                    .arg(pages_.printed() + 1)
                                    .arg(pages_.pagesToPrint()));
    }

    void finish(PrintEnd end) {
        turn_.stop();
        delete progress_;  // its timer that would show it too: a message box may follow
        progress_ = nullptr;
        if (end == PrintEnd::Failed) {
            QMessageBox::warning(parent_, QStringLiteral("打印交接清单"),
                                 QStringLiteral("未能打印交接清单：打印机无法开始打印，"
                                                "请检查打印机或换一台打印机再试。"));
        }
        ended_(end);
        deleteLater();
    }

    QWidget* parent_;
    exports::HandoverList list_;
    std::unique_ptr<QPrinter> printer_;
    HandoverPages pages_;
    std::function<void(PrintEnd)> ended_;
    QProgressDialog* progress_ = nullptr;
    QTimer turn_;
    bool cancelled_ = false;
};

}  // namespace

bool printBatchList(QWidget* parent, const journal::BatchLog& log,
                    std::function<void(PrintEnd)> ended) {
    if (!log.newest || parent->findChild<QObject*>(kObjectName, Qt::FindDirectChildrenOnly)) {
        return false;
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const QString name = QString::fromStdString(log.newest->order.name);
    printer->setDocName(QStringLiteral("交接清单-%1").arg(name));
    {
        QPrintDialog dialog(printer.get(), parent);
        dialog.setWindowTitle(QStringLiteral("打印交接清单：%1").arg(name));
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
    }
    auto* printing = new ListPrinting(parent, log, std::move(printer), std::move(ended));
    printing->start();
    return true;
}

}  // namespace ui
