// A batch's hand-over list saved and printed as the batch panel's buttons do it, into
// batch-list/ of the working folder: tests/ui/check_batch_list.py reads the workbook back with a
// spreadsheet library and the PDF with poppler's tools.
#include "card/number_text.h"
#include "exports/handover_list.h"
#include "ui/batch_list_export.h"
#include "ui/batch_list_print.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardPaths>
#include <QtTest>

namespace {

// 客户甲/一: 0000001000 on, 120 tags; ended after 100 written, the first ten seen in the bag
// check with a tag of another batch. Long enough for three printed pages.
journal::BatchLog handedOver() {
    commands::BatchOrder order{"客户甲/一", card::tagNumberFromValue(1000), card::Notation::WG34,
                               120};
    journal::BatchLog log;
    log.newest = commands::BatchRecord{order, {}, true};
    for (std::uint64_t n = 0; n < 100; ++n) {
        log.newest->verified.push_back(n);
        log.rows.push_back({"2024-05-01T14:03:22+08:00", card::tagNumberFromValue(1000 + n), true,
                            false, "已写卡"});
    }
    log.voidFrom = 100;
    log.voided = 20;
    for (std::uint64_t n = 0; n < 10; ++n) {
        log.checked.push_back(n);
    }
    log.foreign = {card::tagNumberFromValue(9999)};
    return log;
}

}  // namespace

class BatchListTest : public QObject {
    Q_OBJECT

    QDir folder_{QDir::current().filePath(QStringLiteral("batch-list"))};

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(folder_.removeRecursively() || !folder_.exists());
        QVERIFY(QDir().mkpath(folder_.path()));
    }

    void savesTheListAsAWorkbook() {
        const auto failed =
            ui::writeBatchList(folder_.filePath(QStringLiteral("交接清单.xlsx")), handedOver());
        QVERIFY2(!failed, qPrintable(failed.value_or(QString())));
        // Nothing but the workbook: no temporary file left behind.
        QCOMPARE(folder_.entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("xlsx")),
                 QStringList{QStringLiteral("交接清单.xlsx")});
    }

    // The whole list, and its second page alone as the print dialog may ask: check_batch_list.py
    // finds the pages in the PDFs and each one's "第 N 页，共 M 页".
    void printsTheListOnPagesOfAPdf() {
        for (const int only : {0, 2}) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setOutputFileName(folder_.filePath(
                only == 0 ? QStringLiteral("交接清单.pdf") : QStringLiteral("交接清单-第2页.pdf")));
            printer.setFromTo(only, only);
            const int pages = ui::printHandoverList(printer, exports::HandoverList(handedOver()));
            QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        }
    }

    // A page at a time, as 打印… prints between the window's events: its progress counts the
    // pages asked for, and a run ended part way (取消) prints no more.
    void printsAPageAtATime_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("asked");
        QTest::newRow("all") << 0 << 0 << 3;
        QTest::newRow("the second alone") << 2 << 2 << 1;
        QTest::newRow("past the last") << 2 << 9 << 2;
    }
    void printsAPageAtATime() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, asked);
        const exports::HandoverList list(handedOver());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(folder_.filePath(QStringLiteral("逐页.pdf")));
        printer.setFromTo(from, to);
        ui::HandoverPages pages(printer, list);
        QVERIFY(pages.begin());
        QCOMPARE(pages.pages(), 3);
        QCOMPARE(pages.pagesToPrint(), asked);
        for (int printed = 1; printed <= asked; ++printed) {
            QVERIFY(!pages.done());
            QVERIFY(pages.printNext());
            QCOMPARE(pages.printed(), printed);
        }
        QVERIFY(pages.done());
        QVERIFY(pages.end());
    }

    void proposesTheNameTheCountAndTheDate() {
        const QString path = ui::proposedBatchListPath(handedOver(), QDate(2024, 6, 30));
        // The slash would make a folder of the name.
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("客户甲_一-120张-2024-06-30.xlsx"));
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(
            QFileInfo(path).absolutePath(),
            QFileInfo(QDir(documents).exists() ? documents : QDir::homePath()).absoluteFilePath());
    }
};

QTEST_MAIN(BatchListTest)
#include "batch_list_tests.moc"
