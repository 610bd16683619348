// The window as a station of a shared batch, against the tests' own PostgreSQL server: two
// stations, each with its own journal, settings and emulated reader, write one batch in turn.
#include "journal/journal.h"
#include "reader/library_location.h"
#include "reader/reader_source.h"
#include "store/shared_store.h"
#include "support/data_folder.h"
#include "support/emulator_control.h"
#include "support/silent_listener.h"
#include "support/test_database.h"
#include "support/test_station.h"
#include "ui/main_window.h"
#include "ui/station_settings.h"
#include "words/batch_text.h"
#include "words/database_text.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSysInfo>
#include <QtTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace {

using Number = card::CardNumber;

std::unique_ptr<ui::MainWindow> stationWindow() {
    auto window = std::make_unique<ui::MainWindow>(
        std::make_unique<reader::LazyReaderLibrary>(*reader::defaultReaderLibraryPath()));
    window->show();
    return window;
}

QString status(const ui::MainWindow& window) {
    return window.statusMessage();
}

// A click on 写卡号, and the write's end, whatever it asked meanwhile.
void clickWrite(ui::MainWindow& window) {
    QTest::qWait(QApplication::doubleClickInterval() + 10);  // a quicker click is a double one
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdIDWrite")), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&window] { return window.state() == ui::WindowState::Idle; }, 10000));
}

QMessageBox* waitForOffer(const ui::MainWindow& window) {
    QMessageBox* offer = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            offer = window.findChild<QMessageBox*>(QStringLiteral("batchOffer"));
            return offer != nullptr && offer->isVisible();
        },
        15000);
    return offer;
}

// The password libpq's file holds for the tests' server: its line's last field.
std::string serverPassword() {
    const std::string line = testing_support::pgServerFile("pgpass");
    return line.substr(line.rfind(':') + 1);
}

// Sets an environment variable for as long as it lives.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* before = std::getenv(name)) {  // NOLINT(concurrency-mt-unsafe)
            previous_ = before;
        }
        qputenv(name, QByteArray::fromStdString(value));
    }
    ~ScopedVariable() {
        if (previous_) {
            qputenv(name_, QByteArray::fromStdString(*previous_));
        } else {
            qunsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;
    ScopedVariable(ScopedVariable&&) = delete;
    ScopedVariable& operator=(ScopedVariable&&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

// What zeld.ini holds now.
std::string keptSettings(const testing_support::DataFolder& data) {
    std::ifstream settings(data.path() / "zeld" / "zeld.ini");
    return {(std::istreambuf_iterator<char>(settings)), std::istreambuf_iterator<char>()};
}

// The status line's tooltip: the message, and the server's own words as details.
QString statusDetails(const ui::MainWindow& window) {
    return window.findChild<QLabel*>(QStringLiteral("statusMessage"))->toolTip();
}

struct FailureCase {
    const char* what;
    std::string url;
    std::vector<std::string> before;  // statements run in the test's database first
    store::DatabaseProblem problem;
};

}  // namespace

class SharedWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoStationsWriteOneBatchInTurn() {
        testing_support::TestDatabase database;
        const testing_support::EmulatorControl field;
        {
            const testing_support::DataFolder data;
            QVERIFY(!ui::saveStationSettings({database.url(), "甲站"}));
            const auto window = stationWindow();
            QTRY_VERIFY_WITH_TIMEOUT(
                status(*window).contains(QStringLiteral("没有未写完的共享批次")), 15000);
            const QSize alone = window->size();
            // The batch dialog shows the database and makes the batch in it.
            QTimer::singleShot(0, [&] {
                auto* dialog = QApplication::activeModalWidget();
                QVERIFY(dialog != nullptr);
                QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("共享数据库"))->text(),
                         QString::fromStdString(database.url()));
                QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("站名"))->text(),
                         QStringLiteral("甲站"));
                for (const auto& [name, text] :
                     {std::pair{"名称", "客户丙"}, std::pair{"起始号码", "0000003000"},
                      std::pair{"张数", "5"}}) {
                    auto* edit = dialog->findChild<QLineEdit*>(QString::fromUtf8(name));
                    edit->selectAll();
                    edit->insert(QString::fromUtf8(text));
                }
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("开始")),
                                  Qt::LeftButton);
            });
            window->showBatchDialog();
            QVERIFY(window->sharedBatch() != nullptr);
            QVERIFY(window->batch() == nullptr);
            field.placeEmptyTag(emulator::TagKind::T5577);
            clickWrite(*window);
            QCOMPARE(field.tagNumber(), std::optional(Number{0, 0, 0, 0x0B, 0xB8}));
            QVERIFY2(status(*window).contains(QStringLiteral(
                         "共享批次 客户丙：全部已写 1/5 张，本站已写 1 张，下一张 0000003001")),
                     qPrintable(status(*window)));
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("关闭批次")),
                              Qt::LeftButton);
            QVERIFY(window->sharedBatch() == nullptr);
            QCOMPARE(window->size(), alone);  // the panel's room is gone with it
        }  // closing the window gives the station's unwritten numbers back
        const testing_support::DataFolder data;
        QVERIFY(!ui::saveStationSettings({database.url(), "乙站"}));
        const auto window = stationWindow();
        QMessageBox* offer = waitForOffer(*window);
        QVERIFY(offer != nullptr);
        QVERIFY2(offer->text().contains(QStringLiteral(
                     "共享批次 客户丙 还没有写完：全部已写 1/5 张。本站（乙站）加入一起写吗？")),
                 qPrintable(offer->text()));
        QTest::keyClick(offer, Qt::Key_Return);
        QTRY_VERIFY(window->sharedBatch() != nullptr);
        QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("txtIDB3B0"))->text(),
                 QStringLiteral("0000003001"));
        field.placeEmptyTag(emulator::TagKind::T5577);
        clickWrite(*window);
        QCOMPARE(field.tagNumber(), std::optional(Number{0, 0, 0, 0x0B, 0xB9}));
        QVERIFY2(status(*window).contains(QStringLiteral("本站已写 1 张，下一张 0000003002")),
                 qPrintable(status(*window)));
        // Both writes reach the database, each under its station's name.
        QTRY_COMPARE_WITH_TIMEOUT(
            database
                .run("SELECT string_agg(s.name || ' ' || o.number, ',' ORDER BY o.number) FROM "
                     "outcomes o JOIN stations s ON s.id = o.station_id WHERE o.verified")
                .at(0)
                .at(0)
                .value_or(""),
            std::string("甲站 3000,乙站 3001"), 10000);

        // A third station, alone until told of the database in the batch dialog, joins there;
        // the second holds every number left, so the third has none to write.
        const testing_support::DataFolder third;
        const auto late = stationWindow();
        QTimer::singleShot(0, [&] {
            auto* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog != nullptr);
            dialog->findChild<QLineEdit*>(QStringLiteral("共享数据库"))
                ->setText(QString::fromStdString(database.url()));
            dialog->findChild<QLineEdit*>(QStringLiteral("站名"))->setText(QStringLiteral("丙站"));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("加入共享批次")),
                              Qt::LeftButton);
        });
        late->showBatchDialog();
        QMessageBox* lateOffer = waitForOffer(*late);
        QVERIFY(lateOffer != nullptr);
        QTest::keyClick(lateOffer, Qt::Key_Return);
        QTRY_VERIFY(late->sharedBatch() != nullptr);
        QVERIFY2(status(*late).contains(QStringLiteral("本站已写 0 张，本站暂无号码可写")),
                 qPrintable(status(*late)));
        QCOMPARE(ui::loadStationSettings().station, std::string("丙站"));
        QCOMPARE(ui::loadStationSettings().database, database.url());

        // The second station is gone for good: the third voids what it held, in its own name.
        QString offered;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* choose = qobject_cast<QInputDialog*>(modal)) {
                offered = choose->textValue();
                choose->accept();
            } else if (auto* question = qobject_cast<QMessageBox*>(modal)) {
                QTest::mouseClick(question->findChild<QPushButton*>(QStringLiteral("作废")),
                                  Qt::LeftButton);
            }
        });
        answer.start(50);
        QTest::mouseClick(late->findChild<QPushButton*>(QStringLiteral("作废号段")),
                          Qt::LeftButton);
        answer.stop();
        // The block is named by its numbers, as the operator sees them on the tags.
        QCOMPARE(offered, QStringLiteral("乙站 的号段 0000003001-0000003004：未写 3 张"));
        QVERIFY2(status(*late).contains(
                     QStringLiteral("已作废 乙站 的号段 0000003001-0000003004 中未写的 3 个号码")),
                 qPrintable(status(*late)));
        QCOMPARE(database
                     .run("SELECT voided_by FROM leases WHERE station_id = "
                          "(SELECT id FROM stations WHERE name = '乙站')")
                     .at(0)
                     .at(0),
                 std::optional<std::string>("丙站"));
    }

    // The database's answer never comes into the window in the middle of a write: a question
    // waiting holds it, and the open batch is offered once the write has ended.
    void theDatabaseWaitsForAWritesQuestion() {
        testing_support::TestDatabase database;
        const testing_support::EmulatorControl field;
        {
            auto store =
                store::SharedStore::connect(database.url(), testing_support::namedStation("甲站"));
            QVERIFY(store);
            QVERIFY(store->createBatch(
                {"共享", Number{0, 0, 0, 0x1F, 0x40}, card::Notation::WG34, 2, {}, false}));
        }
        const testing_support::DataFolder data;
        {
            // The window's start number, written before: a write of it asks first.
            journal::Journal earlier(data.journalFile());
            commands::JournalEntry entry;
            entry.result = "已写卡";
            entry.verified = true;
            entry.number = Number{0, 0, 0, 0, 1};
            QVERIFY(!earlier.append(entry));
        }
        QVERIFY(!ui::saveStationSettings({database.url(), "乙站"}));
        field.placeEmptyTag(emulator::TagKind::T5577);
        const auto window = stationWindow();
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdIDWrite")),
                          Qt::LeftButton);
        QCOMPARE(window->state(), ui::WindowState::Question);
        const auto offered = [&window] {
            auto* offer = window->findChild<QMessageBox*>(QStringLiteral("batchOffer"));
            return offer != nullptr && offer->isVisible();
        };
        // Long enough for the journal to be read and the database to answer, were they not held.
        QVERIFY(!QTest::qWaitFor(offered, 1500));
        QCOMPARE(window->state(), ui::WindowState::Question);
        QMessageBox* question = nullptr;
        for (auto* box : window->findChildren<QMessageBox*>()) {
            if (box->isVisible()) {
                question = box;
            }
        }
        QVERIFY(question != nullptr);
        QTest::keyClick(question, Qt::Key_Escape);  // 不写入
        QMessageBox* offer = waitForOffer(*window);
        QVERIFY(offer != nullptr);
        QVERIFY2(offer->text().startsWith(QStringLiteral("共享批次 共享 还没有写完")),
                 qPrintable(offer->text()));
        QVERIFY(!field.tagNumber().has_value());
    }

    // Where the batch stands is read once for the panel and the status line: what another
    // station writes shows in both alike.
    void theStatusLineAndThePanelSayTheSameWhileOthersWrite() {
        testing_support::TestDatabase database;
        const testing_support::EmulatorControl field;
        auto other =
            store::SharedStore::connect(database.url(), testing_support::namedStation("丙站"));
        QVERIFY(other);
        const auto batch = other->createBatch(
            {"同步", Number{0, 0, 0, 0x17, 0x70}, card::Notation::WG34, 60, {}, false});
        QVERIFY(batch);
        const testing_support::DataFolder data;
        QVERIFY(!ui::saveStationSettings({database.url(), "乙站"}));
        const auto window = stationWindow();
        QMessageBox* offer = waitForOffer(*window);
        QVERIFY(offer != nullptr);
        QTest::keyClick(offer, Qt::Key_Return);
        QTRY_VERIFY(window->sharedBatch() != nullptr);
        field.placeEmptyTag(emulator::TagKind::T5577);
        clickWrite(*window);
        QVERIFY2(status(*window).contains(QStringLiteral("全部已写 1/60 张")),
                 qPrintable(status(*window)));
        const auto lease = other->lease(*batch, "丙站", 2);
        QVERIFY(lease && *lease);
        for (std::uint64_t i = 0; i < 2; ++i) {
            const std::uint64_t position = (*lease)->first + i;
            QVERIFY(other->recordOutcome({"丙站", static_cast<std::int64_t>(i + 1), (*lease)->id,
                                          position, card::tagNumberFromValue(6000 + position), true,
                                          "已写卡"}));
        }
        auto* panel = window->findChild<QLabel*>(QStringLiteral("batchProgress"));
        QTRY_VERIFY_WITH_TIMEOUT(panel->text().contains(QStringLiteral("全部已写 3/60 张")), 10000);
        // The panel keeps a number with its word by a no-break space.
        const QString standing =
            QStringLiteral("；") + QString(panel->text()).replace(QChar(0xA0), QLatin1Char(' '));
        QVERIFY2(status(*window).endsWith(standing),
                 qPrintable(status(*window) + QStringLiteral(" / ") + standing));
    }

    // 结束批次 on one station ends the batch for all: what stays unwritten is voided in its name,
    // and no station is offered it again.
    void aSharedBatchEndedOnOneStationIsOfferedOnNoOther() {
        testing_support::TestDatabase database;
        const testing_support::EmulatorControl field;
        {
            auto store =
                store::SharedStore::connect(database.url(), testing_support::namedStation("甲站"));
            QVERIFY(store);
            const auto batch = store->createBatch(
                {"错单", Number{0, 0, 0, 0x1B, 0x58}, card::Notation::WG34, 50, {}, false});
            QVERIFY(batch);
            QVERIFY(store->lease(*batch, "甲站", 5));  // another station's block, unwritten
        }
        {
            const testing_support::DataFolder data;
            QVERIFY(!ui::saveStationSettings({database.url(), "乙站"}));
            const auto window = stationWindow();
            QMessageBox* offer = waitForOffer(*window);
            QVERIFY(offer != nullptr);
            QTest::keyClick(offer, Qt::Key_Return);
            QTRY_VERIFY(window->sharedBatch() != nullptr);
            field.placeEmptyTag(emulator::TagKind::T5577);
            clickWrite(*window);
            QString asked;
            QTimer answer;
            connect(&answer, &QTimer::timeout, [&] {
                auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (question == nullptr) {
                    return;
                }
                for (QAbstractButton* button : question->buttons()) {
                    if (button->text() == QStringLiteral("结束批次")) {
                        asked = question->text();
                        QTest::mouseClick(button, Qt::LeftButton);
                    }
                }
            });
            answer.start(50);
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("结束批次")),
                              Qt::LeftButton);
            answer.stop();
            QVERIFY2(asked.contains(QStringLiteral("未写的 49 个号码")) &&
                         asked.contains(QStringLiteral("由 乙站 作废")),
                     qPrintable(asked));
            QVERIFY(window->sharedBatch() == nullptr);
            QCOMPARE(
                status(*window),
                QStringLiteral("共享批次 错单 已结束：全部已写 1 张，作废 49 张（由 乙站 作废）"));
        }
        QCOMPARE(database.run("SELECT ended_by FROM batches").at(0).at(0),
                 std::optional<std::string>("乙站"));
        QCOMPARE(database.run("SELECT voided_by FROM leases WHERE station_id = '甲站'").at(0).at(0),
                 std::optional<std::string>("乙站"));
        const testing_support::DataFolder data;
        QVERIFY(!ui::saveStationSettings({database.url(), "丙站"}));
        const auto other = stationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(status(*other).contains(QStringLiteral("没有未写完的共享批次")),
                                 15000);
        QVERIFY(other->findChild<QMessageBox*>(QStringLiteral("batchOffer")) == nullptr ||
                !other->findChild<QMessageBox*>(QStringLiteral("batchOffer"))->isVisible());
    }

    void aWriteTheDatabaseRefusesIsSaidAndNotCounted() {
        testing_support::TestDatabase database;
        const testing_support::EmulatorControl field;
        const Number taken{0, 0, 0, 0x13, 0x88};  // 0000005000
        {
            // Another station verified 5000 in an earlier batch, which has ended.
            auto store =
                store::SharedStore::connect(database.url(), testing_support::namedStation("甲站"));
            QVERIFY(store);
            commands::BatchOrder order{"早先", taken, card::Notation::WG34, 1, {}, false};
            const auto earlier = store->createBatch(order);
            QVERIFY(earlier);
            const auto lease = store->lease(*earlier, "甲站");
            QVERIFY(lease && *lease);
            QVERIFY(store->recordOutcome({"甲站", 1, (*lease)->id, 0, taken, true, "已写卡"}));
            QVERIFY(store->endBatch(*earlier, "甲站"));
            order.name = "重号";
            order.count = 3;
            QVERIFY(store->createBatch(order));
        }
        const testing_support::DataFolder data;
        QVERIFY(!ui::saveStationSettings({database.url(), "乙站"}));
        const auto window = stationWindow();
        QMessageBox* offer = waitForOffer(*window);
        QVERIFY(offer != nullptr);
        QTest::keyClick(offer, Qt::Key_Return);
        QTRY_VERIFY(window->sharedBatch() != nullptr);
        // Whether the question comes first or not (the numbers verified elsewhere may not have
        // been heard yet), the operator writes it anyway.
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&window] {
            for (auto* question : window->findChildren<QMessageBox*>()) {
                for (QAbstractButton* button : question->buttons()) {
                    if (question->isVisible() && button->text() == QStringLiteral("仍要写入")) {
                        QTest::mouseClick(button, Qt::LeftButton);  // a click too soon is dropped
                    }
                }
            }
        });
        answer.start(50);
        field.placeEmptyTag(emulator::TagKind::T5577);
        clickWrite(*window);
        answer.stop();
        QCOMPARE(field.tagNumber(), std::optional(taken));
        QTRY_VERIFY_WITH_TIMEOUT(
            status(*window).startsWith(QStringLiteral(
                "共享数据库拒收第 1 张 "
                "0000005000：号码已写在另一张卡上（甲站 写的）；此卡不计入本批次，请取出")),
            10000);
        QVERIFY2(
            words::batchStatus(*window->sharedBatch()).find("本站已写 0 张") != std::string::npos,
            words::batchStatus(*window->sharedBatch()).c_str());
    }

    void aLocalBatchIsOfferedFirstAndDecliningItOffersTheSharedOne() {
        testing_support::TestDatabase database;
        const testing_support::EmulatorControl field;
        const testing_support::DataFolder data;
        {
            const auto alone = stationWindow();
            QTimer::singleShot(0, [] {
                auto* dialog = QApplication::activeModalWidget();
                QVERIFY(dialog != nullptr);
                dialog->findChild<QLineEdit*>(QStringLiteral("名称"))
                    ->setText(QStringLiteral("本地"));
                dialog->findChild<QLineEdit*>(QStringLiteral("张数"))->setText(QStringLiteral("3"));
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("开始")),
                                  Qt::LeftButton);
            });
            alone->showBatchDialog();
            QVERIFY(alone->batch() != nullptr);
        }
        auto store =
            store::SharedStore::connect(database.url(), testing_support::namedStation("甲站"));
        QVERIFY(store);
        QVERIFY(store->createBatch(
            {"共享", Number{0, 0, 0, 0x1F, 0x40}, card::Notation::WG34, 2, {}, false}));
        QVERIFY(!ui::saveStationSettings({database.url(), "乙站"}));
        auto window = stationWindow();
        QMessageBox* local = waitForOffer(*window);
        QVERIFY(local != nullptr);
        QVERIFY2(local->text().startsWith(QStringLiteral("批次 本地 还没有写完")),
                 qPrintable(local->text()));
        QTest::keyClick(local, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                auto* shared = window->findChild<QMessageBox*>(QStringLiteral("batchOffer"));
                return shared != nullptr && shared != local && shared->isVisible() &&
                       shared->text().startsWith(QStringLiteral("共享批次 共享 还没有写完"));
            }(),
            15000);
        // Once the station has written in the shared batch, the local one is still offered.
        for (auto* offer : window->findChildren<QMessageBox*>(QStringLiteral("batchOffer"))) {
            if (offer->isVisible()) {
                QTest::keyClick(offer, Qt::Key_Return);
            }
        }
        QTRY_VERIFY(window->sharedBatch() != nullptr);
        field.placeEmptyTag(emulator::TagKind::T5577);
        clickWrite(*window);
        QVERIFY2(status(*window).contains(QStringLiteral("全部已写 1/2 张")),
                 qPrintable(status(*window)));
        window.reset();
        const auto again = stationWindow();
        QMessageBox* offered = waitForOffer(*again);
        QVERIFY(offered != nullptr);
        QVERIFY2(offered->text().startsWith(QStringLiteral("批次 本地 还没有写完")),
                 qPrintable(offered->text()));
    }

    void withSeveralOpenTheOperatorChoosesAndTheNextStartOffersThatOne() {
        testing_support::TestDatabase database;
        const testing_support::EmulatorControl field;
        const testing_support::DataFolder data;
        {
            auto store =
                store::SharedStore::connect(database.url(), testing_support::namedStation("甲站"));
            QVERIFY(store);
            for (const auto& [name, first] :
                 {std::pair{"甲单", 8000U}, std::pair{"乙单", 9000U}}) {  // 乙单 the newer
                QVERIFY(
                    store->createBatch({name,
                                        card::withCountingValue({}, card::Notation::WG34, first),
                                        card::Notation::WG34,
                                        2,
                                        {},
                                        false}));
            }
        }
        {
            const auto window = stationWindow();
            QString offered;
            QTimer answer;
            connect(&answer, &QTimer::timeout, [&] {
                if (auto* choose = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                    offered = choose->comboBoxItems().join(QLatin1Char('|'));
                    choose->setTextValue(QStringLiteral("甲单（全部已写 0/2 张）"));
                    choose->accept();
                }
            });
            answer.start(50);
            QTimer::singleShot(0, [&] {
                auto* dialog = QApplication::activeModalWidget();
                QVERIFY(dialog != nullptr);
                dialog->findChild<QLineEdit*>(QStringLiteral("共享数据库"))
                    ->setText(QString::fromStdString(database.url()));
                dialog->findChild<QLineEdit*>(QStringLiteral("站名"))
                    ->setText(QStringLiteral("丁站"));
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("加入共享批次")),
                                  Qt::LeftButton);
            });
            window->showBatchDialog();
            QTRY_VERIFY_WITH_TIMEOUT(window->sharedBatch() != nullptr, 15000);
            QCOMPARE(offered, QStringLiteral("甲单（全部已写 0/2 张）|乙单（全部已写 0/2 张）"));
            QCOMPARE(window->sharedBatch()->batch().order().name, std::string("甲单"));
        }
        const auto again = stationWindow();
        QMessageBox* offer = waitForOffer(*again);
        QVERIFY(offer != nullptr);
        QVERIFY2(offer->text().startsWith(QStringLiteral("共享批次 甲单 ")),
                 qPrintable(offer->text()));
    }

    // Two computers named alike: the second is told, writes nothing shared under that name, and
    // joins under another; the two never write one number.
    void twoStationsWithOneNameAreToldAndWriteNoNumberTwice() {
        testing_support::TestDatabase database;
        const testing_support::EmulatorControl field;
        {
            auto store =
                store::SharedStore::connect(database.url(), testing_support::namedStation("管理"));
            QVERIFY(store);
            QVERIFY(store->createBatch(
                {"同名", Number{0, 0, 0, 0x1F, 0x40}, card::Notation::WG34, 60, {}, false}));
        }
        const testing_support::DataFolder firstData;
        QVERIFY(!ui::saveStationSettings({database.url(), "门店"}));
        const auto first = stationWindow();
        QMessageBox* offer = waitForOffer(*first);
        QVERIFY(offer != nullptr);
        QTest::keyClick(offer, Qt::Key_Return);
        QTRY_VERIFY(first->sharedBatch() != nullptr);

        const testing_support::DataFolder secondData;
        QVERIFY(!ui::saveStationSettings({database.url(), "门店"}));
        const auto second = stationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(
            status(*second).startsWith(QStringLiteral("已有另一台电脑用站名 门店（电脑 ")), 15000);
        QVERIFY2(status(*second).endsWith(QStringLiteral("本站单独写卡")),
                 qPrintable(status(*second)));
        QVERIFY(second->sharedBatch() == nullptr);
        QVERIFY(second->findChild<QMessageBox*>(QStringLiteral("batchOffer")) == nullptr);

        // Under another name, through the batch dialog, it joins.
        QTimer::singleShot(0, [&] {
            auto* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog != nullptr);
            dialog->findChild<QLineEdit*>(QStringLiteral("站名"))
                ->setText(QStringLiteral("门店二"));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("加入共享批次")),
                              Qt::LeftButton);
        });
        second->showBatchDialog();
        QMessageBox* secondOffer = waitForOffer(*second);
        QVERIFY(secondOffer != nullptr);
        QTest::keyClick(secondOffer, Qt::Key_Return);
        QTRY_VERIFY(second->sharedBatch() != nullptr);
        for (ui::MainWindow* window : {first.get(), second.get()}) {
            field.placeEmptyTag(emulator::TagKind::T5577);
            clickWrite(*window);
        }
        QTRY_COMPARE_WITH_TIMEOUT(
            database
                .run("SELECT count(DISTINCT o.number) || ' ' || string_agg(DISTINCT s.name, ',') "
                     "FROM outcomes o JOIN stations s ON s.id = o.station_id WHERE o.verified")
                .at(0)
                .at(0)
                .value_or(""),
            std::string("2 门店,门店二"), 10000);
    }

    // A settings file copied to a second computer copies the station's id: the second is refused
    // while the first runs, says which computer holds the id, and writes nothing shared.
    void aCopiedSettingsFileIsRefusedAndWritesNothing() {
        testing_support::TestDatabase database;
        const testing_support::EmulatorControl field;
        {
            auto store =
                store::SharedStore::connect(database.url(), testing_support::namedStation("管理"));
            QVERIFY(store);
            QVERIFY(store->createBatch(
                {"复制", Number{0, 0, 0, 0x1F, 0x40}, card::Notation::WG34, 60, {}, false}));
        }
        const testing_support::DataFolder firstData;
        QVERIFY(!ui::saveStationSettings({database.url(), "甲店"}));
        const auto first = stationWindow();
        QMessageBox* offer = waitForOffer(*first);
        QVERIFY(offer != nullptr);
        QTest::keyClick(offer, Qt::Key_Return);
        QTRY_VERIFY(first->sharedBatch() != nullptr);
        const std::string id = ui::loadStationId();
        QVERIFY(!id.empty());

        const testing_support::DataFolder secondData;
        std::filesystem::create_directories(secondData.path() / "zeld");
        std::filesystem::copy_file(firstData.path() / "zeld" / "zeld.ini",
                                   secondData.path() / "zeld" / "zeld.ini");
        QCOMPARE(ui::loadStationId(), id);
        const auto leasesBefore = database.run("SELECT count(*) FROM leases");
        const auto second = stationWindow();
        const QString holder =
            QStringLiteral("本站的站号正由电脑 %1").arg(QSysInfo::machineHostName());
        QTRY_VERIFY_WITH_TIMEOUT(status(*second).startsWith(holder), 15000);
        QVERIFY2(status(*second).contains(QStringLiteral("上的 甲店 使用")),
                 qPrintable(status(*second)));
        QVERIFY(second->sharedBatch() == nullptr);
        QCOMPARE(database.run("SELECT count(*) FROM leases"), leasesBefore);
        QCOMPARE(database.run("SELECT count(*) FROM stations WHERE name <> '管理'").at(0).at(0),
                 std::optional<std::string>("1"));
    }

    // A 站名 kept in zeld.ini with a control character in it is refused in words before anything
    // reaches the database: stored, it would read as another name, or cut short at a NUL.
    void aNameWithAControlCharacterFromTheSettingsIsRefused() {
        testing_support::TestDatabase database;
        for (const std::string& name :
             // NOLINTNEXTLINE(misc-misleading-bidirectional): a control is what is tested
             {std::string("站\0零", 7), std::string("站\xE2\x80\xAE零")}) {
            const testing_support::DataFolder data;
            QVERIFY(!ui::saveStationSettings({database.url(), name}));
            QCOMPARE(ui::loadStationSettings().station, name);
            const auto window = stationWindow();
            QTRY_VERIFY_WITH_TIMEOUT(
                status(*window).startsWith(QStringLiteral("站名不能含控制字符")), 15000);
            QVERIFY(window->sharedBatch() == nullptr);
            // Nor does the batch dialog take it to join with.
            QString problem;
            QTimer::singleShot(0, [&] {
                auto* dialog = QApplication::activeModalWidget();
                QVERIFY(dialog != nullptr);
                dialog->findChild<QLineEdit*>(QStringLiteral("站名"))
                    ->setText(QString::fromStdString(name));
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("加入共享批次")),
                                  Qt::LeftButton);
                problem = dialog->findChild<QLabel*>(QStringLiteral("batchProblem"))->text();
                dialog->close();
            });
            window->showBatchDialog();
            QVERIFY2(problem.startsWith(QStringLiteral("站名不能含控制字符")), qPrintable(problem));
        }
        QCOMPARE(database.run("SELECT to_regclass('stations') IS NOT NULL").at(0).at(0),
                 std::optional<std::string>("f"));
    }

    void aPasswordIsAskedForAndNeverKept() {
        testing_support::TestDatabase database;
        const testing_support::DataFolder data;
        QVERIFY(!ui::saveStationSettings({database.url(), "丙站"}));
        const std::string password = serverPassword();
        const ScopedVariable noPasswordFile("PGPASSFILE", (data.path() / "none").string());
        // A wrong one first: it is asked for again, and the right one joins without a restart.
        const std::vector<std::string> answers{"not-the-password", password};
        QStringList questions;
        // The question runs a loop of its own: a timer, not the test's wait, finds it.
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr && questions.size() < static_cast<qsizetype>(answers.size())) {
                dialog->setTextValue(QString::fromStdString(answers.at(questions.size())));
                questions << dialog->labelText();
                dialog->accept();
            }
        });
        answer.start(50);
        const auto window = stationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(status(*window).contains(QStringLiteral("没有未写完的共享批次")),
                                 15000);
        QCOMPARE(questions.size(), 2);
        QVERIFY2(!questions[0].contains(QStringLiteral("密码不对")), qPrintable(questions[0]));
        QVERIFY2(questions[1].startsWith(QStringLiteral("密码不对")), qPrintable(questions[1]));
        const std::string kept = keptSettings(data);
        QVERIFY(kept.find("shared") != std::string::npos);
        QVERIFY(kept.find(password) == std::string::npos);
        QVERIFY(kept.find(answers[0]) == std::string::npos);
    }

    void eachDatabaseFailureIsSaidInChineseWithTheServersWordsAsDetails() {
        testing_support::TestDatabase database;
        const testing_support::SilentListener hanging;
        const std::string url = database.url();
        const std::vector<FailureCase> cases{
            {"nothing listens at the port",
             "postgresql://zeld@127.0.0.1:1/zeld",
             {},
             store::DatabaseProblem::Refused},
            {"a server that never answers",
             "postgresql://zeld@127.0.0.1:" + std::to_string(hanging.port()) +
                 "/zeld?connect_timeout=2",
             {},
             store::DatabaseProblem::Timeout},
            {"a URL libpq cannot read", "nonsense", {}, store::DatabaseProblem::BadUrl},
            {"no such database",
             testing_support::withDatabase(url, "no_such_db"),
             {},
             store::DatabaseProblem::NoDatabase},
            {"another program's tables",
             url,
             {"CREATE TABLE batches (id integer)"},
             store::DatabaseProblem::NotOurs},
            {"a database this user may only read",
             url,
             {"ALTER DATABASE " + database.name() + " SET default_transaction_read_only = on"},
             store::DatabaseProblem::NoRights},
        };
        for (const FailureCase& c : cases) {
            for (const std::string& statement : c.before) {
                database.run(statement);
            }
            const testing_support::DataFolder data;
            QVERIFY(!ui::saveStationSettings({c.url, "丁站"}));
            const auto window = stationWindow();
            const QString words =
                QString::fromStdString(words::databaseProblemText(c.problem) + "：本站单独写卡");
            QTRY_VERIFY2_WITH_TIMEOUT(
                status(*window) == words,
                qPrintable(QString::fromUtf8(c.what) + QStringLiteral(": ") + status(*window)),
                15000);
            QVERIFY2(c.problem == store::DatabaseProblem::BadUrl ||
                         statusDetails(*window).contains(QStringLiteral("详情：")),
                     c.what);
        }
    }

    void aDatabaseIsKeptInTheSettingsOnlyOnceItHasAnswered() {
        testing_support::TestDatabase database;
        const testing_support::DataFolder data;
        const std::string nowhere = "postgresql://zeld@127.0.0.1:1/zeld";
        const auto window = stationWindow();
        for (const std::string& url : {nowhere, database.url()}) {
            // 加入共享批次 in the batch dialog, with the URL typed.
            QTimer::singleShot(0, [&url] {
                auto* dialog = QApplication::activeModalWidget();
                QVERIFY(dialog != nullptr);
                for (const auto& [name, text] :
                     {std::pair{"共享数据库", url.c_str()}, std::pair{"站名", "戊站"}}) {
                    auto* edit = dialog->findChild<QLineEdit*>(QString::fromUtf8(name));
                    edit->selectAll();
                    edit->insert(QString::fromUtf8(text));
                }
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("加入共享批次")),
                                  Qt::LeftButton);
            });
            window->showBatchDialog();
            QTRY_VERIFY_WITH_TIMEOUT(!status(*window).startsWith(QStringLiteral("正在连接")),
                                     15000);
        }
        QVERIFY2(status(*window).contains(QStringLiteral("没有未写完的共享批次")),
                 qPrintable(status(*window)));
        const std::string kept = keptSettings(data);
        QVERIFY(kept.find(database.url()) != std::string::npos);
        QVERIFY2(kept.find("127.0.0.1:1/") == std::string::npos, kept.c_str());
    }
};

QTEST_MAIN(SharedWindowTest)
#include "shared_window_tests.moc"
