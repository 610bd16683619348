// 写卡记录 for real, on the offscreen platform: opened from the main window, its table read
// through its model, its filters, copying, following new writes, and an export that
// tests/journal/check_export.py reads back (the files are left in journal-export/ of the working
// folder).
#include "exports/row_export.h"
#include "exports/xlsx_export.h"
#include "journal/batch_lines.h"
#include "journal/journal.h"
#include "journal/journal_line.h"
#include "reader/library_location.h"
#include "reader/reader_source.h"
#include "support/data_folder.h"
#include "support/emulator_control.h"
#include "ui/journal_model.h"
#include "ui/journal_window.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleHints>
#include <QTableView>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

using journal::LineState;
using namespace std::chrono_literals;

template <class T>
T* control(const QWidget& window, const QString& name) {
    auto* found = window.findChild<T*>(name);
    if (found == nullptr) {
        qFatal("no control %s", qPrintable(name));
    }
    return found;
}

void writeFile(const std::filesystem::path& file, const std::string& text,
               std::ios::openmode mode = std::ios::trunc) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::out | mode) << text;
}

std::string line(const std::string& time, const std::string& result, const std::string& hex,
                 const std::string& tail) {
    // 版本或客户号, 前十位号 and 后八位号 as the journal writes them; the reader takes the hex.
    return time + "," + result + "," + hex + ",000,0000000000,\"000,00000\"," + tail + "\r\n";
}

const std::string kHead =
    std::string(journal::kByteOrderMark) + std::string(journal::kHeader) + "\r\n";

commands::BatchOrder batchNamed(const std::string& name) {
    return {name, card::CardNumber{}, card::Notation::WG34, 10, reader::TagChip::T5577, false};
}

// Old lines of 2020, one cut short, and new ones of today, some written after `start`; of these,
// one in the batch 甲, ended, and one in the batch 乙.
std::string mixedJournal(std::chrono::system_clock::time_point start) {
    const std::string today = journal::isoLocalTime(start - 1s);
    const std::string later = journal::isoLocalTime(start + 2s);
    return kHead + line("2020-01-02T03:04:05+08:00", "已写卡并保护", "00000003E8", "EM4305,是") +
           line("2020-01-02T03:04:06+08:00", "写卡失败（状态 7）", "0000001000", "T5577,否") +
           "2020-01-02T03:04:07+08:00,\"已写卡,000000\r\n" +  // cut short by a power failure
           journal::formatBatchOpen(today, batchNamed("甲")) +
           line(today, "已写卡；批次 甲", "00000003E9", "T5577,否,是,0000000141") +
           journal::formatBatchEnd(today, batchNamed("甲"), 0, 0) +
           journal::formatBatchOpen(later, batchNamed("乙")) +
           line(later, "写后读回不符，卡上为 0000000001；批次 乙", "0700000001",
                "T5577,否,否,0000000000") +
           line(later, "正在写卡", "FFFFFFFFFF", "T5577,否,否,");
}

// A journal time as the table shows it: in the zone the program runs in now, worked out by Qt.
QString shownTime(const char* written) {
    return QDateTime::fromString(QString::fromLatin1(written), Qt::ISODate)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool waitUntilRead(const ui::JournalModel& model) {
    return QTest::qWaitFor([&model] { return !model.isReading(); }, 10000);
}

QStringList column(const ui::JournalModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        texts << model.index(row, column).data().toString();
    }
    return texts;
}

}  // namespace

class JournalWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing_support::DataFolder> dataFolder_;
    std::chrono::system_clock::time_point start_;
    std::unique_ptr<journal::Journal> journal_;

    std::unique_ptr<ui::JournalWindow> windowOver(const std::string& text) {
        writeFile(dataFolder_->journalFile(), text);
        journal_ = std::make_unique<journal::Journal>(dataFolder_->journalFile());
        auto window = std::make_unique<ui::JournalWindow>(*journal_, start_);
        window->show();
        if (!waitUntilRead(window->model())) {
            qFatal("the journal was not read");
        }
        return window;
    }

private Q_SLOTS:
    void initTestCase() {
        dataFolder_ = std::make_unique<testing_support::DataFolder>();
        start_ = std::chrono::system_clock::now();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(100);
    }
    void cleanupTestCase() {
        journal_.reset();
        dataFolder_.reset();
    }

    void tableIsNewestFirstAndTellsOutcomesApartByMoreThanColour() {
        const auto window = windowOver(mixedJournal(start_));
        const ui::JournalModel& model = window->model();
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(column(model, 5), (QStringList{"FFFFFFFFFF", "0700000001", "00000003E9",
                                                "0000001000", "00000003E8"}));
        QCOMPARE(model.rowTexts(4),
                 (QStringList{shownTime("2020-01-02T03:04:05+08:00"), "已写卡并保护", "000",
                              "0000001000", "000,01000", "00000003E8", "EM4305", "是", "", ""}));
        // The batch a write was made in has a column of its own, and its result is without it.
        QCOMPARE(column(model, 9), (QStringList{"", "乙", "甲", "", ""}));
        QCOMPARE(column(model, 1).mid(1, 2),
                 (QStringList{"写后读回不符，卡上为 0000000001", "已写卡"}));
        // What the tag held, as the ten-digit number it is: 0x141, not one hundred and forty-one.
        QCOMPARE(model.index(2, 8).data().toString(), QStringLiteral("0000000321"));
        QCOMPARE(model.index(1, 3).data().toString(), QStringLiteral("0000000001"));
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("007"));

        const QList<int> states{
            static_cast<int>(LineState::Unknown), static_cast<int>(LineState::Failed),
            static_cast<int>(LineState::Verified), static_cast<int>(LineState::Failed),
            static_cast<int>(LineState::Verified)};
        for (int row = 0; row < model.rowCount(); ++row) {
            QCOMPARE(model.index(row, 1).data(ui::JournalModel::kStateRole).toInt(),
                     states.at(row));
        }
        // Verified (row 2) and failed (row 1) differ in icon, words and colour.
        const auto icon = [&model](int row) {
            return model.index(row, 1).data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();
        };
        QVERIFY(!icon(2).isNull());
        QVERIFY(icon(2) != icon(1));
        QCOMPARE(icon(2), icon(4));
        QVERIFY(model.index(2, 1).data(Qt::ToolTipRole) != model.index(1, 1).data(Qt::ToolTipRole));
        QVERIFY(model.index(2, 0).data(Qt::BackgroundRole) !=
                model.index(1, 0).data(Qt::BackgroundRole));
        // A write cut off is told as such, in a colour of its own: neither a failure's nor the
        // plain text's, and readable on its own tint.
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("结果不明（写卡被中断）"));
        QVERIFY(model.index(0, 1)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("写卡被中断")));
        QVERIFY(!model.rowTexts(0).join(QLatin1Char(' ')).contains(QStringLiteral("正在写卡")));
        const auto colour = [&model](int row, int role) {
            return model.index(row, 0).data(role).value<QColor>();
        };
        for (const int other : {1, 2}) {
            QVERIFY(colour(0, Qt::BackgroundRole) != colour(other, Qt::BackgroundRole));
            QVERIFY(colour(0, Qt::ForegroundRole) != colour(other, Qt::ForegroundRole));
        }
        const auto lightness = [](const QColor& c) { return c.lightnessF(); };
        QVERIFY(lightness(colour(0, Qt::BackgroundRole)) -
                    lightness(colour(0, Qt::ForegroundRole)) >
                0.6);

        const QString counts = control<QLabel>(*window, QStringLiteral("统计"))->text();
        QVERIFY2(
            counts.startsWith(QStringLiteral("显示 5 行：已写成并核对 2，未写成 2，结果不明 1")),
            qPrintable(counts));
        QVERIFY2(counts.contains(QStringLiteral("1 行不完整")), qPrintable(counts));
        QCOMPARE(window->accessibleName(), QStringLiteral("写卡记录"));
        QVERIFY(
            !control<QTableView>(*window, QStringLiteral("记录表"))->accessibleName().isEmpty());
    }

    // Written under another offset from UTC (the machine moved, or its zone was set): the row
    // reads in the present zone, and 今天 is today here, not where it was written.
    void aRowWrittenInAnotherZoneReadsInThisOne() {
        const auto moment = start_ - 1s;
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(moment.time_since_epoch()).count();
        const QDateTime here = QDateTime::fromSecsSinceEpoch(seconds);
        // A day away from here, less a minute: the date where it was written is not today's.
        const int hereMinutes = here.offsetFromUtc() / 60;
        const int away =
            hereMinutes >= 0 ? hereMinutes - (23 * 60 + 59) : hereMinutes + 23 * 60 + 59;
        const journal::CompactTime written{seconds, static_cast<std::int16_t>(away), true};
        const auto window = windowOver(
            kHead + line(journal::formatIsoTime(written), "已写卡", "0000000200", "T5577,否,是,"));
        QTest::mouseClick(control<QRadioButton>(*window, QStringLiteral("今天")), Qt::LeftButton);
        QCOMPARE(window->model().rowCount(), 1);
        QCOMPARE(window->model().index(0, 0).data().toString(),
                 here.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }

    void filtersByPeriodNumberAndBatch_data() {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("batch");
        QTest::addColumn<QStringList>("hexes");
        QTest::newRow("all") << "全部"
                             << ""
                             << "全部批次"
                             << QStringList{"FFFFFFFFFF", "0700000001", "00000003E9", "0000001000",
                                            "00000003E8"};
        QTest::newRow("batch 甲") << "全部"
                                  << ""
                                  << "甲" << QStringList{"00000003E9"};
        QTest::newRow("batch 乙") << "全部"
                                  << ""
                                  << "乙" << QStringList{"0700000001"};
        QTest::newRow("batch 甲, since start") << "本次运行以来"
                                               << ""
                                               << "甲" << QStringList{};
        QTest::newRow("batch 甲, its number") << "全部"
                                              << "1001"
                                              << "甲" << QStringList{"00000003E9"};
        QTest::newRow("batch 乙, another's number") << "全部"
                                                    << "1001"
                                                    << "乙" << QStringList{};
        QTest::newRow("today") << "今天"
                               << ""
                               << "全部批次"
                               << QStringList{"FFFFFFFFFF", "0700000001", "00000003E9"};
        QTest::newRow("since start") << "本次运行以来"
                                     << ""
                                     << "全部批次" << QStringList{"FFFFFFFFFF", "0700000001"};
        QTest::newRow("ten-digit") << "全部"
                                   << "1000"
                                   << "全部批次" << QStringList{"0000001000", "00000003E8"};
        QTest::newRow("eight-digit") << "全部"
                                     << "0,1001"
                                     << "全部批次" << QStringList{"00000003E9"};
        QTest::newRow("hex") << "全部"
                             << "3e8"
                             << "全部批次" << QStringList{"00000003E8"};
        QTest::newRow("hex, today") << "今天"
                                    << "0700000001"
                                    << "全部批次" << QStringList{"0700000001"};
        QTest::newRow("no number: all of the period")
            << "今天"
            << "号码"
            << "全部批次" << QStringList{"FFFFFFFFFF", "0700000001", "00000003E9"};
    }
    void filtersByPeriodNumberAndBatch() {
        QFETCH(QString, period);
        QFETCH(QString, search);
        QFETCH(QString, batch);
        QFETCH(QStringList, hexes);
        const auto window = windowOver(mixedJournal(start_));
        QTest::mouseClick(control<QRadioButton>(*window, period), Qt::LeftButton);
        auto* field = control<QLineEdit>(*window, QStringLiteral("查找号码"));
        field->setText(search);  // as typed: the table follows each change of the text
        auto* batches = control<QComboBox>(*window, QStringLiteral("批次"));
        QStringList offered;
        for (int item = 0; item < batches->count(); ++item) {
            offered << batches->itemText(item);
        }
        QCOMPARE(offered, (QStringList{"全部批次", "乙", "甲"}));  // the newest batch first
        batches->setCurrentIndex(batches->findText(batch));
        QVERIFY(waitUntilRead(window->model()));
        QCOMPARE(column(window->model(), 5), hexes);
        const auto counts = window->model().counts();
        QCOMPARE(static_cast<int>(counts.verified + counts.failed + counts.unknown), hexes.size());
    }

    void followsAppendsAndAReplacedFile() {
        const auto window = windowOver(mixedJournal(start_));
        ui::JournalModel& model = window->model();
        writeFile(dataFolder_->journalFile(),
                  line(journal::isoLocalTime(start_ + 3s), "已写卡", "0000000200", "T5577,否,是,"),
                  std::ios::app);
        window->followAppends();
        QVERIFY(waitUntilRead(model));
        QCOMPARE(model.rowCount(), 6);
        QCOMPARE(model.index(0, 5).data().toString(), QStringLiteral("0000000200"));
        QCOMPARE(model.counts().verified, std::size_t{3});

        writeFile(dataFolder_->journalFile(),
                  kHead + line("2021-01-01T00:00:00+08:00", "已写卡", "0000000300", "T5577,否"));
        window->followAppends();
        QVERIFY(waitUntilRead(model));
        QCOMPARE(column(model, 5), QStringList{"0000000300"});
    }

    // As the main window asks for a batch: one opened after the window was read too. The rows
    // appended meanwhile are shown only when made in that batch.
    void showsABatchAndFollowsItsWrites() {
        const auto window = windowOver(mixedJournal(start_));
        ui::JournalModel& model = window->model();
        window->showBatch(QStringLiteral("乙"));
        QVERIFY(waitUntilRead(model));
        QCOMPARE(column(model, 5), QStringList{"0700000001"});

        const std::string time = journal::isoLocalTime(start_ + 3s);
        writeFile(dataFolder_->journalFile(),
                  line(time, "已写卡；批次 甲", "0000000201", "T5577,否,是,") +
                      line(time, "已写卡；批次 乙", "0000000202", "T5577,否,是,") +
                      line(time, "已写卡", "0000000203", "T5577,否,是,"),
                  std::ios::app);
        window->followAppends();
        QVERIFY(waitUntilRead(model));
        QCOMPARE(column(model, 5), (QStringList{"0000000202", "0700000001"}));

        writeFile(dataFolder_->journalFile(),
                  journal::formatBatchOpen(time, batchNamed("丙")) +
                      line(time, "已写卡；批次 丙", "0000000204", "T5577,否,是,"),
                  std::ios::app);
        window->showBatch(QStringLiteral("丙"));
        QVERIFY(waitUntilRead(model));
        QCOMPARE(column(model, 5), QStringList{"0000000204"});
        auto* batches = control<QComboBox>(*window, QStringLiteral("批次"));
        QCOMPARE(batches->currentText(), QStringLiteral("丙"));
        QCOMPARE(batches->itemText(1), QStringLiteral("丙"));
        QCOMPARE(batches->count(), 4);
        QCOMPARE(model.counts().verified, std::size_t{1});
    }

    void opensFromTheMainWindowAndFollowsItsWrites() {
        std::filesystem::remove(dataFolder_->journalFile());
        const testing_support::EmulatorControl field;
        field.placeTag({0, 0, 0, 0x03, 0xE8});
        ui::MainWindow main(
            std::make_unique<reader::LazyReaderLibrary>(*reader::defaultReaderLibraryPath()));
        main.show();
        QVERIFY(main.journalWindow() == nullptr);
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus != nullptr && focus->window() == &main);
        QTest::keyClick(focus, Qt::Key_J, Qt::ControlModifier);
        ui::JournalWindow* opened = main.journalWindow();
        QVERIFY(opened != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(opened));
        opened->close();
        QVERIFY(!opened->isVisible());
        QTest::mouseClick(control<QAbstractButton>(main, QStringLiteral("写卡记录")),
                          Qt::LeftButton);
        QCOMPARE(main.journalWindow(), opened);  // the same window again
        QVERIFY(opened->isVisible());
        QCOMPARE(main.journalWindow()->model().rowCount(), 0);

        auto* number = control<QLineEdit>(main, QStringLiteral("txtIDB3B0"));
        number->setText(QStringLiteral("1000"));
        QTest::qWait(150);
        QTest::mouseClick(control<QPushButton>(main, QStringLiteral("cmdIDWrite")), Qt::LeftButton);
        QVERIFY2(main.statusMessage().contains(QStringLiteral("已写卡")),
                 qPrintable(main.statusMessage()));
        const ui::JournalModel& model = main.journalWindow()->model();
        QVERIFY(QTest::qWaitFor([&model] { return model.rowCount() == 1 && !model.isReading(); },
                                10000));
        QCOMPARE(model.index(0, 5).data().toString(), QStringLiteral("00000003E8"));
        QCOMPARE(model.counts().verified, std::size_t{1});

        // The export takes the rows shown now, the one written since the window opened too.
        const QDir folder(QDir::temp().filePath(
            QStringLiteral("zeld-export-follow-%1").arg(QCoreApplication::applicationPid())));
        QVERIFY(QDir().mkpath(folder.path()));
        const auto failed = opened->exportTo(folder.filePath(QStringLiteral("x.xlsx")),
                                             ui::JournalWindow::Rows::Shown);
        QVERIFY2(!failed, qPrintable(failed.value_or(QString())));
        const QString said = control<QLabel>(*opened, QStringLiteral("导出结果"))->text();
        QVERIFY2(said.startsWith(QStringLiteral("已导出 1 行")), qPrintable(said));
        QVERIFY(QDir(folder).removeRecursively());
    }

    void copiesTheSelectedRowsWithAHeader() {
        const auto window = windowOver(mixedJournal(start_));
        auto* table = control<QTableView>(*window, QStringLiteral("记录表"));
        table->selectRow(1);
        table->selectionModel()->select(table->model()->index(3, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        table->setFocus();
        QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        const QString expected =
            QStringLiteral(
                "时间\t结果\t版本或客户号\t前十位号\t后八位号\t十六进制\t芯片\t保护\t原卡号\t批次"
                "\n") +
            window->model().rowTexts(1).join(QLatin1Char('\t')) + QLatin1Char('\n') +
            shownTime("2020-01-02T03:04:06+08:00") +
            QStringLiteral(
                "\t写卡失败（状态 "
                "7）\t000\t0000004096\t000,04096\t0000001000\tT5577\t否\t\t\n");
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    }

    // The export check_export.py reads back: every row shown (though two are selected), and the
    // two selected rows 1 and 3 alone.
    void exportsTheRowsShownAndTheSelectedOnes() {
        const QDir folder(QDir::current().filePath(QStringLiteral("journal-export")));
        QVERIFY(QDir(folder).removeRecursively() || !folder.exists());
        QVERIFY(QDir().mkpath(folder.path()));
        const std::string text =
            mixedJournal(start_) +
            line("2024-05-01T14:03:22+08:00", "已写卡", "0000000141", "T5577,否,是,FFFFFFFFFF");
        const auto window = windowOver(text);
        writeFile(std::filesystem::path(
                      folder.filePath(QStringLiteral("written-tags.csv")).toStdWString()),
                  text);

        const QDate date(2024, 6, 30);
        auto* exportButton = control<QPushButton>(*window, QStringLiteral("导出…"));
        auto* exportSelected = control<QPushButton>(*window, QStringLiteral("导出所选…"));
        QVERIFY(exportButton->isEnabled());
        QVERIFY(!exportSelected->isEnabled());
        auto* table = control<QTableView>(*window, QStringLiteral("记录表"));
        table->selectRow(1);
        table->selectionModel()->select(table->model()->index(3, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(exportSelected->isEnabled());
        const auto said = [&window] {
            return control<QLabel>(*window, QStringLiteral("导出结果"))->text();
        };
        const auto all = window->exportTo(folder.filePath(QStringLiteral("写卡记录-全部.xlsx")),
                                          ui::JournalWindow::Rows::Shown, date);
        QVERIFY2(!all, qPrintable(all.value_or(QString())));
        QVERIFY2(said().startsWith(QStringLiteral("已导出 6 行")), qPrintable(said()));
        const auto some = window->exportTo(folder.filePath(QStringLiteral("写卡记录-所选.xlsx")),
                                           ui::JournalWindow::Rows::Selected, date);
        QVERIFY2(!some, qPrintable(some.value_or(QString())));
        QVERIFY2(said().startsWith(QStringLiteral("已导出 2 行")), qPrintable(said()));
        QVERIFY(!window->isExporting());
        // Only the two workbooks and the journal: no temporary file left behind.
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    void aFailedExportSaysWhyAndLeavesEverythingAsItWas() {
        const auto window = windowOver(mixedJournal(start_));
        const QDir folder(QDir::temp().filePath(
            QStringLiteral("zeld-export-fail-%1").arg(QCoreApplication::applicationPid())));
        QVERIFY(
            QDir().mkpath(folder.filePath(QStringLiteral("taken.xlsx"))));  // a folder by that name
        const auto taken = window->exportTo(folder.filePath(QStringLiteral("taken.xlsx")),
                                            ui::JournalWindow::Rows::Shown);
        QVERIFY(taken);
        QVERIFY2(taken->contains(QStringLiteral("无法替换")), qPrintable(*taken));
        QVERIFY(QFileInfo(folder.filePath(QStringLiteral("taken.xlsx"))).isDir());
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                 1);

        const auto missing = window->exportTo(folder.filePath(QStringLiteral("无此文件夹/x.xlsx")),
                                              ui::JournalWindow::Rows::Shown);
        QVERIFY(missing);
        QVERIFY2(missing->contains(QStringLiteral("文件夹不存在")), qPrintable(*missing));
        const QString said = control<QLabel>(*window, QStringLiteral("导出结果"))->text();
        QVERIFY2(said.startsWith(QStringLiteral("未能导出到")), qPrintable(said));
        QCOMPARE(window->model().rowCount(), 5);
        QVERIFY(QDir(folder).removeRecursively());
    }

    // A stop between two rows, or once the workbook is whole, leaves the file that was there as
    // it was and no other file; so does a cancelled export of the window's rows.
    void aStoppedExportLeavesTheOldFileAndNothingElse() {
        const auto window = windowOver(mixedJournal(start_));
        const QDir folder(QDir::temp().filePath(
            QStringLiteral("zeld-export-stop-%1").arg(QCoreApplication::applicationPid())));
        QVERIFY(QDir().mkpath(folder.path()));
        const std::filesystem::path target(
            folder.filePath(QStringLiteral("old.xlsx")).toStdString());
        writeFile(target, "the old export");
        const auto unchanged = [&] {
            std::ifstream in(target, std::ios::binary);
            const std::string held((std::istreambuf_iterator<char>(in)), {});
            return held == "the old export" &&
                   folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                           .size() == 1;
        };
        for (const bool atTheEnd : {false, true}) {
            exports::SheetContent content;
            content.name = "2024-06-30";
            content.header = {"号码"};
            content.rows = 5;
            content.row = [atTheEnd](std::size_t index, std::vector<std::string>& cells) {
                cells[0] = std::to_string(index);
                return atTheEnd || index < 3;
            };
            content.finish = [atTheEnd] { return !atTheEnd; };
            const auto outcome = exports::exportXlsx(target, content);
            QCOMPARE(static_cast<int>(outcome.kind),
                     static_cast<int>(exports::XlsxOutcome::Kind::Stopped));
            QVERIFY2(unchanged(), atTheEnd ? "stopped at the end" : "stopped at row 3");
        }

        std::atomic<std::size_t> done{0};
        const std::atomic<bool> cancel{true};
        const auto result =
            exports::exportRows(*journal_, {target, "2024-06-30", {0, 1, 2}}, done, cancel);
        QCOMPARE(static_cast<int>(result.kind),
                 static_cast<int>(exports::ExportResult::Kind::Cancelled));
        QVERIFY(unchanged());
        QVERIFY(QDir(folder).removeRecursively());
    }

    void proposesANameWithTheDateAndTheRowsInTheDocumentsFolder() {
        const QString path = ui::JournalWindow::proposedPath(QDate(2024, 6, 30), 38);
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("写卡记录-2024-06-30-38行.xlsx"));
        // The documents folder; the home folder where there is none, never the current one.
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(
            QFileInfo(path).absolutePath(),
            QFileInfo(QDir(documents).exists() ? documents : QDir::homePath()).absoluteFilePath());
    }
};

QTEST_MAIN(JournalWindowTest)
#include "journal_window_tests.moc"
