// The window for real, on the offscreen platform: its controls, and the read button through
// the emulated reader library loaded by the real loader.
#include "journal/journal.h"
#include "platform/program_location.h"
#include "reader/library_location.h"
#include "reader/reader_source.h"
#include "support/data_folder.h"
#include "support/emulator_control.h"
#include "support/recording_reader.h"
#include "ui/first_paint.h"
#include "ui/main_window.h"
#include "ui/qt_translation.h"
#include "ui/window_layout.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyleHints>
#include <QStyleOptionButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTranslator>
#include <QtTest>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

std::filesystem::path binFolder() {
    return *platform::executableFolder();
}

std::unique_ptr<ui::MainWindow> windowOver(const std::filesystem::path& library) {
    auto window =
        std::make_unique<ui::MainWindow>(std::make_unique<reader::LazyReaderLibrary>(library));
    window->show();
    return window;
}

std::unique_ptr<ui::MainWindow> windowOverEmulator() {
    return windowOver(*reader::defaultReaderLibraryPath());
}

// Twips in the window's device-independent pixels, worked out independently of the window.
int pixels(int twips, const QWidget& window) {
    return qRound(twips * window.logicalDpiX() / 1440.0);
}

template <class T>
T* control(const QWidget& window, const char* name) {
    auto* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("no control %s", name);
    }
    return found;
}

QStringList fieldTexts(const QWidget& window) {
    QStringList texts;
    for (const char* name : {"txtIDB4", "txtIDB3B0", "txtIDB2", "txtIDB1B0"}) {
        texts << control<QLineEdit>(window, name)->text();
    }
    return texts;
}

// The desktop's double-click interval in these tests, shortened so they wait less.
constexpr int kDoubleClickInterval = 100;

// Until the command pressed has ended: its question, if it asks one, is answered through the
// event loop.
void waitForTheCommand(const QWidget& window) {
    if (const auto* main = qobject_cast<const ui::MainWindow*>(&window)) {
        QVERIFY2(QTest::qWaitFor(
                     [main] {
                         return main->state() == ui::WindowState::Idle ||
                                main->state() == ui::WindowState::HandsFree || !main->isVisible();
                     },
                     10000),
                 "the command did not end");
    }
}

// A click as a user makes it: not sooner after the last command than the double-click interval,
// within which a press is ignored; and the command's end, whatever it asked meanwhile.
void click(const QWidget& window, const char* button) {
    QTest::qWait(kDoubleClickInterval + 20);
    QTest::mouseClick(control<QPushButton>(window, button), Qt::LeftButton);
    waitForTheCommand(window);
}

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A journal holding one verified write of 0000000001, the window's start number; why it could not
// be written, if it could not.
std::optional<commands::JournalTrouble> journalOneWrite(const std::filesystem::path& file) {
    journal::Journal earlier(file);
    commands::JournalEntry entry;
    entry.result = "已写卡";
    entry.verified = true;
    entry.number = card::CardNumber{0, {0, 0, 0, 1}};
    return earlier.append(entry);
}

// A journal whose last write was cut off: the program ended during the write of 0000000950.
std::optional<commands::JournalTrouble> journalCutOff(const std::filesystem::path& file) {
    journal::Journal earlier(file);
    commands::JournalEntry entry;
    entry.number = card::CardNumber{0, {0, 0, 0x03, 0xB6}};
    return earlier.beginWrite(entry);
}

int lineCount(const std::filesystem::path& file) {
    const std::string text = fileText(file);
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Queues input for `receiver` as the window system does while the event loop is held up.
void postClick(QWidget* receiver) {
    const QPoint centre = receiver->rect().center();
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QCoreApplication::postEvent(
            receiver,
            new QMouseEvent(type, centre, receiver->mapToGlobal(centre), Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
    }
}
// A click, or with `doubleClick` a double-click (press, release, press, double-click, release).
void postClickThroughTheWindow(const QWidget& window, const QWidget* target,
                               bool doubleClick = false) {
    const QPoint at = target->mapTo(&window, target->rect().center());
    std::vector<QEvent::Type> types{QEvent::MouseButtonPress, QEvent::MouseButtonRelease};
    if (doubleClick) {
        types = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                 QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease};
    }
    for (const auto type : types) {
        QCoreApplication::postEvent(
            window.windowHandle(),
            new QMouseEvent(type, at, window.mapToGlobal(at), Qt::LeftButton,
                            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                            Qt::NoModifier));
    }
}
void postKey(QObject* receiver, Qt::Key key) {
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QCoreApplication::postEvent(
            receiver, new QKeyEvent(type, key, Qt::NoModifier,
                                    key == Qt::Key_Space ? QStringLiteral(" ") : QString()));
    }
}

// Opens the batch dialog, fills in 名称, 起始号码 and 张数 and presses 开始, as a user does.
void beginBatch(ui::MainWindow& window, const QString& name, const QString& first,
                const QString& count) {
    QTimer::singleShot(0, [&] {
        auto* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog != nullptr);
        for (const auto& [field, text] :
             {std::pair{"名称", name}, std::pair{"起始号码", first}, std::pair{"张数", count}}) {
            auto* edit = dialog->findChild<QLineEdit*>(QString::fromUtf8(field));
            QVERIFY(edit != nullptr);
            edit->selectAll();
            edit->insert(text);  // as an input method puts Chinese in: not key by key
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("开始")), Qt::LeftButton);
    });
    window.showBatchDialog();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    // Every window here keeps its journal in a data folder of this test process's own.
    std::unique_ptr<testing_support::DataFolder> dataFolder_;

private Q_SLOTS:
    void initTestCase() {
        dataFolder_ = std::make_unique<testing_support::DataFolder>();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(kDoubleClickInterval);
    }
    void cleanupTestCase() { dataFolder_.reset(); }

    void twipsAreFifteenToAPixelAt96Dpi() {
        QCOMPARE(ui::twipsToPixels(4680, 96), 312);
        QCOMPARE(ui::twipsToPixels(5760, 96), 384);
        QCOMPARE(ui::twipsToPixels(15, 96), 1);
        QCOMPARE(ui::twipsToPixels(4680, 192), 624);
        QCOMPARE(ui::twipsToPixels(1440, 120), 120);
    }

    void startsWithTheCaptionAndTheClientAreaItIsDrawnFor() {
        const auto window = windowOverEmulator();
        QCOMPARE(window->objectName(), QStringLiteral("frmRW"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Zeld V3"));
        // 4680 x 5760 twips at the screen's logical resolution.
        QCOMPARE(window->centralWidget()->size(),
                 QSize(pixels(4680, *window), pixels(5760, *window)));
        QVERIFY(window->statusBar()->isVisible());
        QVERIFY(window->height() > window->centralWidget()->height());
    }

    void startValuesOfEveryControl_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("checked");  // -1: not a checkable control
        QTest::newRow("txtIDB4") << "txtIDB4"
                                 << "000" << -1;
        QTest::newRow("txtIDB3B0") << "txtIDB3B0"
                                   << "0000000001" << -1;
        QTest::newRow("txtIDB2") << "txtIDB2"
                                 << "000" << -1;
        QTest::newRow("txtIDB1B0") << "txtIDB1B0"
                                   << "00001" << -1;
        QTest::newRow("cmdIDRead") << "cmdIDRead"
                                   << "读卡号" << -1;
        QTest::newRow("cmdIDWrite") << "cmdIDWrite"
                                    << "写卡号" << -1;
        QTest::newRow("optIDWG34") << "optIDWG34"
                                   << "前十位号" << 1;
        QTest::newRow("optIDWG26") << "optIDWG26"
                                   << "后八位号" << 0;
        QTest::newRow("optIDT5577") << "optIDT5577"
                                    << "T5577" << 1;
        QTest::newRow("optIDEM4305") << "optIDEM4305"
                                     << "EM4305" << 0;
        QTest::newRow("chkIDADD1") << "chkIDADD1"
                                   << " + 1" << 0;
        QTest::newRow("chkIDLOCK") << "chkIDLOCK"
                                   << "保护号" << 0;
        QTest::newRow("Label1") << "Label1"
                                << "0~255" << -1;
        QTest::newRow("Label2") << "Label2"
                                << "0~65535" << -1;
        QTest::newRow("Label3") << "Label3"
                                << "0~4294967295" << -1;
        QTest::newRow("Label4") << "Label4"
                                << "0~255" << -1;
        QTest::newRow("Label5") << "Label5"
                                << "版本或客户号" << -1;
        QTest::newRow("Label11") << "Label11"
                                 << "," << -1;
    }

    void startValuesOfEveryControl() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(int, checked);
        const auto window = windowOverEmulator();
        auto* widget = window->findChild<QWidget*>(name);
        QVERIFY2(widget != nullptr, qPrintable(name));
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            QCOMPARE(edit->text(), text);
            QVERIFY(edit->font().bold());
            QCOMPARE(edit->font().pointSizeF(), 12.0);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QCOMPARE(button->text(), text);
            QCOMPARE(button->isChecked(), checked == 1);
            QCOMPARE(button->font().pointSizeF(), 12.0);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            QCOMPARE(label->text(), text);
        } else {
            QFAIL("unexpected kind of control");
        }
        // Never the bitmap MS Sans Serif of Windows, which neither scales nor holds Chinese.
        QVERIFY(QFontInfo(widget->font()).family() != QStringLiteral("MS Sans Serif"));
    }

    void controlsSitInTheirFramesWhereTheTwipsPutThem_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("Frame2") << "Frame2"
                                << "" << QRect(120, 120, 4455, 1455);
        QTest::newRow("Frame1") << "Frame1"
                                << "" << QRect(120, 1680, 4455, 2775);
        QTest::newRow("Frame3") << "Frame3"
                                << "" << QRect(120, 4560, 4455, 975);
        QTest::newRow("txtIDB3B0") << "txtIDB3B0"
                                   << "Frame1" << QRect(2040, 1320, 2055, 420);
        QTest::newRow("txtIDB1B0") << "txtIDB1B0"
                                   << "Frame1" << QRect(3000, 2160, 1095, 420);
        QTest::newRow("cmdIDWrite") << "cmdIDWrite"
                                    << "Frame3" << QRect(2280, 240, 1815, 495);
        QTest::newRow("chkIDLOCK") << "chkIDLOCK"
                                   << "Frame2" << QRect(2040, 720, 1335, 495);
    }

    void controlsSitInTheirFramesWhereTheTwipsPutThem() {
        QFETCH(QString, name);
        QFETCH(QString, frame);
        QFETCH(QRect, twips);
        const auto window = windowOverEmulator();
        auto* widget = window->findChild<QWidget*>(name);
        QVERIFY(widget != nullptr);
        if (frame.isEmpty()) {
            QCOMPARE(widget->parentWidget(), window->centralWidget());
        } else {
            QCOMPARE(widget->parentWidget()->objectName(), frame);
        }
        QCOMPARE(widget->pos(), QPoint(pixels(twips.x(), *window), pixels(twips.y(), *window)));
        QCOMPARE(widget->height(), pixels(twips.height(), *window));
        QVERIFY(widget->width() >= pixels(twips.width(), *window));
    }

    void captionsAreNotCutOff() {
        const auto window = windowOverEmulator();
        for (auto* label : window->centralWidget()->findChildren<QLabel*>()) {
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
        }
    }

    void optionGroupsExcludeOnlyWithinTheirFrame() {
        const auto window = windowOverEmulator();
        auto* wg34 = control<QRadioButton>(*window, "optIDWG34");
        auto* wg26 = control<QRadioButton>(*window, "optIDWG26");
        auto* t5577 = control<QRadioButton>(*window, "optIDT5577");
        auto* em4305 = control<QRadioButton>(*window, "optIDEM4305");

        QTest::mouseClick(wg26, Qt::LeftButton);
        QVERIFY(wg26->isChecked());
        QVERIFY(!wg34->isChecked());
        QVERIFY(t5577->isChecked());
        QVERIFY(window->writeForm().notation == card::Notation::WG26);

        QTest::mouseClick(em4305, Qt::LeftButton);
        QVERIFY(em4305->isChecked());
        QVERIFY(!t5577->isChecked());
        QVERIFY(wg26->isChecked());
        QVERIFY(window->writeForm().chip == reader::TagChip::EM4305);

        QTest::mouseClick(wg34, Qt::LeftButton);
        QVERIFY(wg34->isChecked());
        QVERIFY(!wg26->isChecked());
        QVERIFY(em4305->isChecked());
    }

    void checkBoxesAreSeenByTheWrite() {
        const auto window = windowOverEmulator();
        QVERIFY(!window->writeForm().advance);
        QVERIFY(!window->writeForm().lock);
        QTest::mouseClick(control<QCheckBox>(*window, "chkIDADD1"), Qt::LeftButton);
        QVERIFY(window->writeForm().advance);
        QVERIFY(!window->writeForm().lock);
        QTest::mouseClick(control<QCheckBox>(*window, "chkIDLOCK"), Qt::LeftButton);
        QVERIFY(window->writeForm().lock);
    }

    void focusStartsOnTheLockBoxAndTabFollowsTheTabIndexes() {
        const auto window = windowOverEmulator();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("chkIDLOCK"));
        // Its focus mark is drawn from the start, before any key has moved the focus.
        QStyleOptionButton drawn;
        drawn.initFrom(QApplication::focusWidget());
        QVERIFY(drawn.state.testFlag(QStyle::State_HasFocus));
        QVERIFY(drawn.state.testFlag(QStyle::State_KeyboardFocusChange));

        // Of each pair of option buttons, the chosen one.
        const QStringList expected{"chkIDLOCK",  "chkIDADD1", "optIDT5577", "optIDWG34",
                                   "txtIDB1B0",  "txtIDB2",   "txtIDB3B0",  "txtIDB4",
                                   "cmdIDWrite", "cmdIDRead", "批次",       "写卡记录"};
        QStringList chain;
        auto* widget = control<QWidget>(*window, "chkIDLOCK");
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) != 0 && !widget->objectName().isEmpty() &&
                widget->window() == window.get() && widget->isVisibleTo(window.get())) {
                chain << widget->objectName();
            }
            widget = widget->nextInFocusChain();
        } while (widget->objectName() != QStringLiteral("chkIDLOCK"));
        QCOMPARE(chain, expected);
    }

    void editingAFieldChangesNothingElse() {
        const auto window = windowOverEmulator();
        auto* b3b0 = control<QLineEdit>(*window, "txtIDB3B0");
        b3b0->selectAll();
        QTest::keyClicks(b3b0, QStringLiteral("12ab "));
        b3b0->insert(QStringLiteral("中文"));  // as an input method would
        QCOMPARE(b3b0->text(), QStringLiteral("12ab 中文"));
        QCOMPARE(fieldTexts(*window), (QStringList{"000", "12ab 中文", "000", "00001"}));
        QVERIFY(window->writeForm().notation == card::Notation::WG34);
        QVERIFY(window->writeForm().chip == reader::TagChip::T5577);
        QVERIFY(window->statusMessage().isEmpty());
    }

    void fieldsTakeTextsLongerThanAnyLimit() {
        const auto window = windowOverEmulator();
        const std::string longText(100000, '7');
        control<QLineEdit>(*window, "txtIDB3B0")->setText(QString::fromStdString(longText));
        QCOMPARE(commands::textOf(window->writeForm().texts, card::Field::B3B0), longText);
    }

    void readButtonShowsTheTagInTheFieldAndSaysSo() {
        const testing_support::EmulatorControl field;
        field.placeTag({0x12, 0x34, 0x56, 0x78, 0x9A});
        const auto beeps = field.beepCount();
        const auto window = windowOverEmulator();
        QCOMPARE(control<QLabel>(*window, "readerInUse")->text(), QStringLiteral("未加载读卡器库"));

        click(*window, "cmdIDRead");

        QCOMPARE(fieldTexts(*window), (QStringList{"018", "0878082202", "086", "30874"}));
        // No-break spaces: the number is never split between the status line's two lines.
        QVERIFY2(
            window->statusMessage().contains(QStringLiteral("12\u00A034\u00A056\u00A078\u00A09A")),
            qPrintable(window->statusMessage()));
        QCOMPARE(control<QLabel>(*window, "readerInUse")->text(), QStringLiteral("模拟读卡器库"));
        QCOMPARE(field.beepCount(), beeps + 1);
    }

    void readOverwritesFieldsTheUserEdited() {
        const testing_support::EmulatorControl field;
        field.placeTag({0, 0, 0, 1, 0});
        const auto window = windowOverEmulator();
        for (const char* name : {"txtIDB4", "txtIDB3B0", "txtIDB2", "txtIDB1B0"}) {
            auto* edit = control<QLineEdit>(*window, name);
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("x y"));
        }
        control<QLineEdit>(*window, "txtIDB2")->clear();

        click(*window, "cmdIDRead");

        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000000256", "000", "00256"}));
    }

    void readWithNoTagShowsZerosAndSaysNoTagWasRead() {
        const testing_support::EmulatorControl field;
        field.removeTag();
        const auto beeps = field.beepCount();
        const auto window = windowOverEmulator();

        click(*window, "cmdIDRead");

        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000000000", "000", "00000"}));
        QVERIFY2(window->statusMessage().contains(QStringLiteral("未读到卡")),
                 qPrintable(window->statusMessage()));
        QCOMPARE(field.beepCount(), beeps);
    }

    void missingLibrarySaysWhereItLookedAndTriesAgainNextTime() {
        const auto missing = binFolder() / "absent" / reader::readerLibraryFileName();
        const auto window = windowOver(missing);
        control<QLineEdit>(*window, "txtIDB3B0")->setText(QStringLiteral("typed"));

        click(*window, "cmdIDRead");
        click(*window, "cmdIDRead");

        QCOMPARE(fieldTexts(*window), (QStringList{"000", "typed", "000", "00001"}));
        const QString message = window->statusMessage();
        QVERIFY2(message.contains(QStringLiteral("找不到读卡器库")), qPrintable(message));
        // The file's name in the message; where it was looked for in the indicator's tooltip.
        QVERIFY2(message.contains(QString::fromStdString(missing.filename().string())),
                 qPrintable(message));
        auto* indicator = control<QLabel>(*window, "readerInUse");
        QCOMPARE(indicator->text(), QStringLiteral("未加载读卡器库"));
        QCOMPARE(indicator->toolTip().count(QString::fromStdString(missing.string())), 1);
    }

    void aLibraryInADeepFolderIsToldInFullInTwoLines() {
        const auto missing = binFolder() / std::string(300, 'x') / reader::readerLibraryFileName();
        const auto window = windowOver(missing);

        click(*window, "cmdIDRead");

        auto* line = control<QLabel>(*window, "statusMessage");
        QCOMPARE(line->toolTip(), window->statusMessage());
        QVERIFY(line->text().count(QLatin1Char('\n')) <= 1);
        QCOMPARE(line->text().remove(QLatin1Char('\n')), window->statusMessage());
        // Missing (Windows) or refused for its name's length (Linux): either way it starts the
        // line.
        QVERIFY(line->text().section(QLatin1Char('\n'), 0, 0).contains(QStringLiteral("读卡器库")));
    }

    void libraryMissingAnEntryPointIsNamedAndNotUsed() {
        const auto broken =
            binFolder() /
            ("libMF1_without_ControlBuzzer" +
             std::filesystem::path(reader::readerLibraryFileName()).extension().string());
        const auto window = windowOver(broken);

        click(*window, "cmdIDRead");

        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000000001", "000", "00001"}));
        const QString message = window->statusMessage();
        QVERIFY2(message.contains(QStringLiteral("ControlBuzzer")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("缺少函数")), qPrintable(message));
    }

    void writeButtonWritesTheTypedEightDigitNumberAndAdvancesIt() {
        const testing_support::EmulatorControl field;
        field.placeTag({0, 0, 0, 0, 0});
        const auto beeps = field.beepCount();
        const auto window = windowOverEmulator();
        QTest::mouseClick(control<QRadioButton>(*window, "optIDWG26"), Qt::LeftButton);
        QTest::mouseClick(control<QCheckBox>(*window, "chkIDADD1"), Qt::LeftButton);
        for (const auto& [name, text] : {std::pair{"txtIDB4", "9"}, std::pair{"txtIDB2", "12"},
                                         std::pair{"txtIDB1B0", "345"}}) {
            auto* edit = control<QLineEdit>(*window, name);
            edit->selectAll();
            QTest::keyClicks(edit, QString::fromLatin1(text));
        }

        click(*window, "cmdIDWrite");

        const QString message = window->statusMessage();
        QVERIFY2(message.contains(QStringLiteral("已写卡")), qPrintable(message));
        QVERIFY2(message.contains(
                     QStringLiteral("0000786777 / 012,00345 / 09\u00A000\u00A00C\u00A001\u00A059")),
                 qPrintable(message));
        QCOMPARE(fieldTexts(*window), (QStringList{"9", "0000000001", "12", "00346"}));
        QCOMPARE(field.beepCount(), beeps + 1);

        click(*window, "cmdIDRead");
        QCOMPARE(fieldTexts(*window), (QStringList{"009", "0000786777", "012", "00345"}));
    }

    void writeWithAFieldOutOfRangeSaysWhichAndWritesNothing() {
        const testing_support::EmulatorControl field;
        field.placeTag({0, 0, 0, 0, 42});
        const auto window = windowOverEmulator();
        auto* b4 = control<QLineEdit>(*window, "txtIDB4");
        b4->selectAll();
        QTest::keyClicks(b4, QStringLiteral("256"));

        click(*window, "cmdIDWrite");

        const QString message = window->statusMessage();
        QVERIFY2(message.contains(QStringLiteral("版本或客户号")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("0~255")), qPrintable(message));
        QCOMPARE(fieldTexts(*window), (QStringList{"256", "0000000001", "000", "00001"}));
        click(*window, "cmdIDRead");
        QCOMPARE(control<QLineEdit>(*window, "txtIDB3B0")->text(), QStringLiteral("0000000042"));
    }

    void writeWithNoTagSaysSoAndDoesNotAdvance() {
        const testing_support::EmulatorControl field;
        field.removeTag();
        const auto window = windowOverEmulator();
        QTest::mouseClick(control<QCheckBox>(*window, "chkIDADD1"), Qt::LeftButton);

        click(*window, "cmdIDWrite");

        const QString message = window->statusMessage();
        QVERIFY2(message.contains(QStringLiteral("未写卡：读卡器上没有卡")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("号码未加一")), qPrintable(message));
        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000000001", "000", "00001"}));
    }

    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("read, Enter") << "cmdIDRead"
                                     << "cmdIDRead" << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("read, keypad Enter")
            << "cmdIDRead"
            << "cmdIDRead" << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("write, Enter") << "cmdIDWrite"
                                      << "cmdIDWrite" << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("write, keypad Enter")
            << "cmdIDWrite"
            << "cmdIDWrite" << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        // In a number field, Enter presses 写卡号 as a dialog's default button.
        QTest::newRow("eight-digit field, Enter")
            << "txtIDB1B0"
            << "cmdIDWrite" << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("ten-digit field, keypad Enter")
            << "txtIDB3B0"
            << "cmdIDWrite" << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    }

    void enterPressesTheFocusedButton() {
        QFETCH(QString, focused);
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        const testing_support::DataFolder data;
        const testing_support::EmulatorControl field;
        const auto window = windowOverEmulator();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        auto* pressed = control<QPushButton>(*window, qPrintable(button));
        auto* other = control<QPushButton>(
            *window, button == QStringLiteral("cmdIDRead") ? "cmdIDWrite" : "cmdIDRead");
        QSignalSpy clicks(pressed, &QPushButton::clicked);
        QSignalSpy otherClicks(other, &QPushButton::clicked);
        auto* focus = control<QWidget>(*window, qPrintable(focused));
        focus->setFocus();
        QTest::qWait(kDoubleClickInterval + 20);
        QTest::keyClick(focus, static_cast<Qt::Key>(key),
                        static_cast<Qt::KeyboardModifiers>(modifiers));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(otherClicks.count(), 0);
        QVERIFY(!window->statusMessage().isEmpty());
        QCOMPARE(QApplication::focusWidget(), focus);
    }

    // As on Windows: Tab reaches each pair once, on its chosen button, and an arrow key moves
    // to the other and chooses it.
    void tabReachesARadioPairOnItsChoiceAndArrowsChoose() {
        const auto window = windowOverEmulator();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        control<QCheckBox>(*window, "chkIDADD1")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("optIDT5577"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("optIDEM4305"));
        QVERIFY(window->writeForm().chip == reader::TagChip::EM4305);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("optIDWG34"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("optIDWG26"));
        QVERIFY(window->writeForm().notation == card::Notation::WG26);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("optIDEM4305"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("chkIDADD1"));
    }

    void screenReadersHearEveryControlsNameAndItsLabels_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("accessibleName");
        QTest::addColumn<QStringList>("labels");  // the labels whose buddy it is
        QTest::newRow("txtIDB4") << "txtIDB4"
                                 << "版本或客户号 0~255" << QStringList{"Label5", "Label4"};
        QTest::newRow("txtIDB3B0") << "txtIDB3B0"
                                   << "前十位号 0~4294967295" << QStringList{"Label3"};
        QTest::newRow("txtIDB2") << "txtIDB2"
                                 << "后八位号的前三位 0~255" << QStringList{"Label1"};
        QTest::newRow("txtIDB1B0") << "txtIDB1B0"
                                   << "后八位号的后五位 0~65535" << QStringList{"Label2"};
        QTest::newRow("optIDWG34") << "optIDWG34"
                                   << "前十位号" << QStringList{};
        QTest::newRow("optIDWG26") << "optIDWG26"
                                   << "后八位号" << QStringList{};
        QTest::newRow("optIDT5577") << "optIDT5577"
                                    << "T5577" << QStringList{};
        QTest::newRow("optIDEM4305") << "optIDEM4305"
                                     << "EM4305" << QStringList{};
        QTest::newRow("chkIDADD1") << "chkIDADD1"
                                   << "写卡后号码加一" << QStringList{};
        QTest::newRow("chkIDLOCK") << "chkIDLOCK"
                                   << "保护号" << QStringList{};
        QTest::newRow("cmdIDRead") << "cmdIDRead"
                                   << "读卡号" << QStringList{};
        QTest::newRow("cmdIDWrite") << "cmdIDWrite"
                                    << "写卡号" << QStringList{};
        QTest::newRow("Frame1") << "Frame1"
                                << "卡号" << QStringList{};
    }

    void screenReadersHearEveryControlsNameAndItsLabels() {
        QFETCH(QString, name);
        QFETCH(QString, accessibleName);
        QFETCH(QStringList, labels);
        const auto window = windowOverEmulator();
        auto* widget = control<QWidget>(*window, qPrintable(name));
        QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(heard != nullptr);
        QCOMPARE(heard->text(QAccessible::Name), accessibleName);
        QStringList labelledBy;
        for (const auto& [label, relation] : heard->relations(QAccessible::Label)) {
            labelledBy << label->object()->objectName();
        }
        labelledBy.sort();
        labels.sort();
        QCOMPARE(labelledBy, labels);
    }

    void theLockBoxSaysTheLockIsForGood() {
        const auto window = windowOverEmulator();
        auto* lock = control<QCheckBox>(*window, "chkIDLOCK");
        QVERIFY2(lock->toolTip().contains(QStringLiteral("永久")), qPrintable(lock->toolTip()));
        QCOMPARE(QAccessible::queryAccessibleInterface(lock)->text(QAccessible::Description),
                 lock->toolTip());
    }

    // What a screen reader reads out when the status line changes: its accessible name, which
    // is the whole message however the line cuts it.
    void eachNewStatusMessageBecomesTheStatusLinesAccessibleName() {
        const testing_support::EmulatorControl field;
        field.placeTag({0, 0, 0, 0, 7});
        const auto window = windowOverEmulator();
        QAccessibleInterface* line =
            QAccessible::queryAccessibleInterface(control<QLabel>(*window, "statusMessage"));

        click(*window, "cmdIDRead");
        const QString afterRead = line->text(QAccessible::Name);
        field.removeTag();
        click(*window, "cmdIDRead");

        QVERIFY2(afterRead.startsWith(QStringLiteral("已读卡")), qPrintable(afterRead));
        QCOMPARE(line->text(QAccessible::Name), window->statusMessage());
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("未读到卡")),
                 qPrintable(window->statusMessage()));
    }

    void aDoubleClickOnWriteWritesOneTagAndLeavesTheFocusOnTheButton() {
        const testing_support::DataFolder data;
        const testing_support::EmulatorControl field;
        field.placeEmptyTag(emulator::TagKind::T5577);
        const auto beeps = field.beepCount();
        const auto window = windowOverEmulator();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::mouseClick(control<QCheckBox>(*window, "chkIDADD1"), Qt::LeftButton);
        auto* write = control<QPushButton>(*window, "cmdIDWrite");

        // A double-click as the window system delivers it; the second click comes after the
        // write has ended, within the double-click interval.
        QTest::qWait(kDoubleClickInterval + 20);
        QTest::mouseClick(write, Qt::LeftButton);
        QTest::mouseDClick(write, Qt::LeftButton);
        QTest::mouseRelease(write, Qt::LeftButton);

        QCOMPARE(field.beepCount(), beeps + 1);
        QVERIFY(field.tagNumber() == (testing_support::EmulatorControl::Number{0, 0, 0, 0, 1}));
        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000000002", "000", "00001"}));
        QCOMPARE(lineCount(data.journalFile()),
                 3);  // the header, the write's start and its outcome
        QVERIFY(write->isEnabled());
        QCOMPARE(QApplication::focusWidget(), write);
        // The second click is said, after the outcome it left in view.
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("已写卡 0000000001")),
                 qPrintable(window->statusMessage()));
        QVERIFY2(window->statusMessage().endsWith(QStringLiteral("；已忽略 1 次按键")),
                 qPrintable(window->statusMessage()));
    }

    void inputThatCameDuringABlockedCallIsDroppedWhenItEnds() {
        const testing_support::DataFolder data;
        auto owned = std::make_unique<testing_support::FakeSource>();
        auto& device = owned->device;
        const auto window = std::make_unique<ui::MainWindow>(std::move(owned));
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::mouseClick(control<QCheckBox>(*window, "chkIDADD1"), Qt::LeftButton);
        auto* read = control<QPushButton>(*window, "cmdIDRead");
        auto* write = control<QPushButton>(*window, "cmdIDWrite");
        auto* lock = control<QCheckBox>(*window, "chkIDLOCK");
        QString statusDuringTheCall;
        bool buttonsEnabledDuringTheCall = true;
        // While MF_Write holds the event loop, the user clicks both buttons and the + 1 box, and
        // presses Space and Enter where the focus went (the lock box).
        device.onAnyCall = [&](reader::LongBuffer& /*unused*/) {
            if (device.calls.back().op != testing_support::RecordedCall::Op::Write) {
                return;
            }
            statusDuringTheCall = window->statusMessage();
            buttonsEnabledDuringTheCall = read->isEnabled() || write->isEnabled();
            for (int i = 0; i < 3; ++i) {
                postClick(write);
            }
            postClick(read);
            postClick(control<QCheckBox>(*window, "chkIDADD1"));
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus != nullptr);
            postKey(focus, Qt::Key_Space);
            postKey(focus, Qt::Key_Return);
            // As the window system delivers them: to the window, which hands them on.
            postClickThroughTheWindow(*window, write);
            postClickThroughTheWindow(*window, read, true);
            postKey(window->windowHandle(), Qt::Key_Return);
        };

        click(*window, "cmdIDWrite");

        QCOMPARE(statusDuringTheCall, QStringLiteral("正在写卡…"));
        QVERIFY(!buttonsEnabledDuringTheCall);
        int writes = 0;
        for (const auto& call : device.calls) {
            writes += call.op == testing_support::RecordedCall::Op::Write ? 1 : 0;
        }
        QCOMPARE(writes, 1);
        // select, read, write, read back, beep
        QCOMPARE(device.calls.size(), std::size_t{5});
        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000000002", "000", "00001"}));
        QVERIFY(!lock->isChecked());
        QVERIFY(window->writeForm().advance);
        QCOMPARE(QApplication::focusWidget(), write);
        // The dropped presses are said once, after the write's outcome: eight clicks (a
        // double-click is two), three keys.
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("已写卡 0000000001")),
                 qPrintable(window->statusMessage()));
        QVERIFY2(window->statusMessage().endsWith(QStringLiteral("；已忽略 11 次按键")),
                 qPrintable(window->statusMessage()));

        // The buttons work again for a press that comes after the double-click interval (on the
        // next tag: the one written is not overwritten without a question).
        device.onAnyCall = nullptr;
        device.tag = {};
        click(*window, "cmdIDWrite");
        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000000003", "000", "00001"}));

        // A key held down on the button: its auto-repeats press nothing.
        QTest::qWait(kDoubleClickInterval + 20);
        write->setFocus();
        for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease, QEvent::KeyPress}) {
            QKeyEvent repeat(type, Qt::Key_Return, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(write, &repeat);
        }
        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000000003", "000", "00001"}));
    }

    // 本次第 N 张 counts tags: writing again onto a tag this session wrote is not another tag.
    void theSessionCountCountsTagsNotWrites() {
        const testing_support::DataFolder data;
        auto owned = std::make_unique<testing_support::FakeSource>();
        auto& device = owned->device;
        const auto window = std::make_unique<ui::MainWindow>(std::move(owned));
        window->show();
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            auto* box = window->findChild<QMessageBox*>();
            if (box != nullptr && box->isVisible()) {
                answer.stop();
                QTest::qWait(kDoubleClickInterval + 20);
                for (QAbstractButton* button : box->buttons()) {
                    if (!button->text().startsWith(QStringLiteral("不"))) {
                        button->click();  // 改写
                    }
                }
            }
        });
        QTest::mouseClick(control<QCheckBox>(*window, "chkIDADD1"), Qt::LeftButton);

        click(*window, "cmdIDWrite");
        QVERIFY2(window->statusMessage().endsWith(QStringLiteral("本次第 1 张")),
                 qPrintable(window->statusMessage()));
        answer.start(5);
        click(*window, "cmdIDWrite");  // the same tag, overwritten
        QVERIFY(!answer.isActive());
        QVERIFY2(window->statusMessage().endsWith(QStringLiteral("本次第 1 张")),
                 qPrintable(window->statusMessage()));
        device.tag = {};  // the next tag
        click(*window, "cmdIDWrite");
        QVERIFY2(window->statusMessage().endsWith(QStringLiteral("本次第 2 张")),
                 qPrintable(window->statusMessage()));
    }

    void closingDuringAWriteLetsItFinishFirst() {
        const testing_support::DataFolder data;
        auto owned = std::make_unique<testing_support::FakeSource>();
        auto& device = owned->device;
        const auto window = std::make_unique<ui::MainWindow>(std::move(owned));
        window->show();
        device.onAnyCall = [&](reader::LongBuffer& /*unused*/) {
            if (device.calls.back().op == testing_support::RecordedCall::Op::Write) {
                QCoreApplication::postEvent(window.get(), new QCloseEvent);
                QVERIFY(!window->close());  // as the title bar's close button would
                QVERIFY(window->isVisible());
            }
        };

        click(*window, "cmdIDWrite");

        QCOMPARE(device.calls.back().code, reader::ControlCode::Beep);
        QCOMPARE(lineCount(data.journalFile()), 3);  // the header, the start, the outcome
        QVERIFY(!window->isVisible());
    }

    void aNumberWrittenBeforeAsksFirstAndEnterAnswersNo_data() {
        QTest::addColumn<bool>("beforeFirstPaint");
        QTest::newRow("pressed once the window is up") << false;
        // The journal is read once the window has been painted; a press sooner asks for it.
        QTest::newRow("pressed before the window's first paint") << true;
    }

    void aNumberWrittenBeforeAsksFirstAndEnterAnswersNo() {
        QFETCH(bool, beforeFirstPaint);
        const testing_support::DataFolder data;
        QVERIFY(!journalOneWrite(data.journalFile()));
        const testing_support::EmulatorControl field;
        field.placeEmptyTag(emulator::TagKind::T5577);
        const auto beeps = field.beepCount();
        const auto window = windowOverEmulator();
        QString question;
        QString defaultButton;
        QString indicator;
        QString statusDuringTheQuestion;
        QString questionLine;
        int questionLineBreaks = -1;
        bool fitsTheScreen = false;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            auto* box = window->findChild<QMessageBox*>();
            if (box == nullptr || !box->isVisible()) {
                return;
            }
            answer.stop();
            question = box->accessibleDescription();
            // Shown a line for the fact, a line for the question that never breaks, however
            // narrow; the box within the screen.
            QTextDocument shown;
            shown.setDefaultFont(box->font());
            shown.setHtml(box->text());
            shown.setTextWidth(40);
            shown.size();  // lays it out
            const QTextBlock last = shown.lastBlock();
            questionLine = last.text();
            questionLineBreaks = last.layout()->lineCount() - 1;
            fitsTheScreen = box->screen()->availableGeometry().contains(box->frameGeometry());
            defaultButton = box->defaultButton()->text();
            indicator = control<QLabel>(*window, "readerInUse")->text();
            statusDuringTheQuestion = window->statusMessage();
            // A key pressed as the question appears does not answer it; one pressed later does.
            // A click on the window meanwhile is dropped too.
            QTest::keyClick(box, Qt::Key_Return);
            QTest::mouseClick(control<QPushButton>(*window, "cmdIDRead"), Qt::LeftButton);
            QVERIFY(box->isVisible());
            QTest::qWait(kDoubleClickInterval + 20);
            QTest::keyClick(box, Qt::Key_Return);
        });
        answer.start(5);

        if (beforeFirstPaint) {
            control<QPushButton>(*window, "cmdIDWrite")->click();
            waitForTheCommand(*window);
        } else {
            click(*window, "cmdIDWrite");
        }

        // The number as entered and the time to the minute, without its offset.
        QVERIFY2(question.startsWith(QStringLiteral("0000000001 已于 ")), qPrintable(question));
        QVERIFY2(question.endsWith(QStringLiteral(" 写过，仍要写入吗？")), qPrintable(question));
        QCOMPARE(question.size(),
                 QStringLiteral("0000000001 已于 2026-12-07 20:34 写过，仍要写入吗？").size());
        QCOMPARE(defaultButton, QStringLiteral("不写入"));
        QCOMPARE(questionLine, QStringLiteral("仍要写入吗？"));
        QCOMPARE(questionLineBreaks, 0);
        QVERIFY(fitsTheScreen);
        // The tag was read before the question: the library is loaded, and said so already.
        QCOMPARE(indicator, QStringLiteral("模拟读卡器库"));
        QVERIFY(!field.tagNumber().has_value());
        QCOMPARE(field.beepCount(), beeps);
        QCOMPARE(lineCount(data.journalFile()), 2);
        QCOMPARE(statusDuringTheQuestion, QStringLiteral("等待回答：尚未写卡"));
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("未写卡")),
                 qPrintable(window->statusMessage()));
        QVERIFY2(window->statusMessage().endsWith(QStringLiteral("；已忽略 2 次按键")),
                 qPrintable(window->statusMessage()));
    }

    // A plain write is guarded as a batch's: another verified tag showing the same eight-digit
    // view (0016777217 reads 000,00001, as 0000000001 does) is named before anything is written.
    void aPlainWriteOfAnotherTagsEightDigitViewAsksFirstNamingIt() {
        const testing_support::DataFolder data;
        {
            journal::Journal earlier(data.journalFile());
            commands::JournalEntry entry;
            entry.result = "已写卡";
            entry.verified = true;
            entry.number = card::CardNumber{0, {0x01, 0, 0, 0x01}};
            QVERIFY(!earlier.append(entry));
        }
        const testing_support::EmulatorControl field;
        field.placeEmptyTag(emulator::TagKind::T5577);
        const auto window = windowOverEmulator();
        QString question;
        QString defaultButton;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            auto* box = window->findChild<QMessageBox*>();
            if (box == nullptr || !box->isVisible()) {
                return;
            }
            answer.stop();
            question = box->accessibleDescription();
            defaultButton = box->defaultButton()->text();
            box->defaultButton()->click();
        });
        answer.start(5);
        click(*window, "cmdIDWrite");

        QCOMPARE(question,
                 QStringLiteral(
                     "后八位号 000,00001（000 0000000001）已写在 000 0016777217 上：按后八位号读卡"
                     "的门禁会把两张卡当成一张"));
        QCOMPARE(defaultButton, QStringLiteral("不写入"));
        QVERIFY(!field.tagNumber().has_value());
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("未写卡：后八位号 000,00001")),
                 qPrintable(window->statusMessage()));
    }

    // A press as the window first shows, before the journal is read: its outcome stays, and the
    // start-up line, older news, is not shown over it.
    void anOutcomeIsNotReplacedByTheStartUpLine() {
        const testing_support::DataFolder data;
        QVERIFY(!journalCutOff(data.journalFile()));
        const testing_support::EmulatorControl field;
        field.placeTag({0, {0, 0, 0, 7}});
        const auto window = windowOverEmulator();
        control<QPushButton>(*window, "cmdIDRead")->click();
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("已读卡")),
                 qPrintable(window->statusMessage()));
        QTest::qWait(300);
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("已读卡")),
                 qPrintable(window->statusMessage()));
    }

    // A write cut off is a warning, told as failures are; where the last batch stopped is not.
    void aWriteCutOffIsToldAtStartUpAsAWarning() {
        for (const bool cutOff : {true, false}) {
            const testing_support::DataFolder data;
            QVERIFY(!(cutOff ? journalCutOff(data.journalFile())
                             : journalOneWrite(data.journalFile())));
            const auto window = windowOverEmulator();
            const QString expected =
                cutOff ? QStringLiteral("上次写卡被中断：0000000950") : QStringLiteral("上次写卡 ");
            QVERIFY2(
                QTest::qWaitFor([&] { return window->statusMessage().startsWith(expected); }, 5000),
                qPrintable(window->statusMessage()));
            const auto* icon = control<QLabel>(*window, "statusIcon");
            const auto* message = control<QWidget>(*window, "statusMessage");
            const bool warned = !icon->pixmap(Qt::ReturnByValue).isNull();
            QCOMPARE(warned, cutOff);
            QCOMPARE(message->palette().color(QPalette::WindowText) !=
                         window->palette().color(QPalette::WindowText),
                     cutOff);
        }
    }

    // A batch from its dialog: each press writes its next number and nothing else, a read in
    // between keeps its place, and once its tags are written the write button writes no more.
    void aBatchWritesItsNumbersAndAReadKeepsItsPlace() {
        const testing_support::DataFolder data;
        const testing_support::EmulatorControl field;
        const auto window = windowOverEmulator();
        beginBatch(*window, QStringLiteral("客户甲"), QStringLiteral("0000001000"),
                   QStringLiteral("3"));
        QVERIFY(window->batch() != nullptr);
        QCOMPARE(window->statusMessage(),
                 QStringLiteral("批次 客户甲：第 1/3 张，下一张 0000001000"));

        field.placeEmptyTag(emulator::TagKind::T5577);
        click(*window, "cmdIDWrite");
        QCOMPARE(field.tagNumber(), std::optional(card::CardNumber{0, {0, 0, 0x03, 0xE8}}));
        QVERIFY2(window->statusMessage().endsWith(
                     QStringLiteral("批次 客户甲：第 2/3 张，下一张 0000001001")),
                 qPrintable(window->statusMessage()));

        field.placeTag({0, {0, 0, 0, 7}});
        click(*window, "cmdIDRead");
        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000001001", "000", "01001"}));
        // The fields keep the batch's number: the tag's own is said.
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("已读卡 000 0000000007，")),
                 qPrintable(window->statusMessage()));
        QVERIFY2(window->statusMessage().endsWith(QStringLiteral("下一张 0000001001")),
                 qPrintable(window->statusMessage()));

        for (int tag = 0; tag < 3; ++tag) {
            field.placeEmptyTag(emulator::TagKind::T5577);
            click(*window, "cmdIDWrite");
        }
        QCOMPARE(field.tagNumber(), std::nullopt);  // the batch had no number left for it
        QVERIFY2(window->statusMessage().contains(QStringLiteral("已写完 3 张")),
                 qPrintable(window->statusMessage()));
        // A new batch, or a write once this one is closed, starts after its last number.
        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000001003", "000", "01003"}));
        const auto* leave = window->findChild<QPushButton*>(QStringLiteral("关闭批次"));
        QVERIFY(leave != nullptr && leave->isVisible());

        // The bag check: each read says what the tag is to the batch, and what is still missing.
        window->findChild<QPushButton*>(QStringLiteral("核对"))->click();
        const std::vector<std::pair<std::uint32_t, QString>> reads{
            {1001, QStringLiteral("属于本批次：第 2 张 000 0000001001（已核对 1/3）")},
            {1001, QStringLiteral("已核对过：第 2 张")},
            {7, QStringLiteral("不在本批次：000 0000000007")}};
        for (const auto& [number, said] : reads) {
            field.placeTag(card::withCountingValue({}, card::Notation::WG34, number));
            click(*window, "cmdIDRead");
            QVERIFY2(window->statusMessage().startsWith(said), qPrintable(window->statusMessage()));
        }
        const auto* missing = window->findChild<QLabel*>(QStringLiteral("batchCheck"));
        QVERIFY2(missing->toolTip().contains(QStringLiteral("未核对 2 张：第 1 张 000 0000001000")),
                 qPrintable(missing->toolTip()));

        // After a restart the done batch is opened again from the dialog, its check where it
        // stood.
        const auto later = windowOverEmulator();
        QTRY_VERIFY(later->statusMessage().startsWith(QStringLiteral("上次写卡")));
        QTimer::singleShot(0, [] {
            auto* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog != nullptr);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("打开批次")),
                              Qt::LeftButton);
        });
        later->showBatchDialog();
        QVERIFY(later->batch() != nullptr && later->batch()->done());
        later->findChild<QPushButton*>(QStringLiteral("核对"))->click();
        field.placeTag(card::withCountingValue({}, card::Notation::WG34, 1001));
        click(*later, "cmdIDRead");
        QVERIFY2(later->statusMessage().startsWith(QStringLiteral("已核对过：第 2 张")),
                 qPrintable(later->statusMessage()));
        // Closed, the batch's words leave the status line with it.
        later->findChild<QPushButton*>(QStringLiteral("关闭批次"))->click();
        QVERIFY(later->batch() == nullptr);
        QCOMPARE(later->statusMessage(),
                 QStringLiteral("已关闭批次 客户甲：写卡号按输入框中的号码写卡"));
    }

    // 自动写卡: a blank laid on the reader is written without a press, any other tag is left as it
    // is and said in amber, and any touch of the window stops it (a click on 写卡号 writing
    // nothing).
    void handsFreeWritesBlanksSkipsOthersAndATouchStopsIt() {
        const testing_support::DataFolder data;
        const testing_support::EmulatorControl field;
        const auto window = windowOverEmulator();
        beginBatch(*window, QStringLiteral("自动"), QStringLiteral("0000001000"),
                   QStringLiteral("5"));
        auto* autoWrite = window->findChild<QCheckBox*>(QStringLiteral("autoWrite"));
        QVERIFY(autoWrite != nullptr);
        field.removeTag();
        QTest::mouseClick(autoWrite, Qt::LeftButton);
        QVERIFY(autoWrite->isChecked());
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("自动写卡中")),
                 qPrintable(window->statusMessage()));

        field.placeEmptyTag(emulator::TagKind::T5577);
        QTRY_COMPARE(field.tagNumber(), std::optional(card::CardNumber{0, {0, 0, 0x03, 0xE8}}));
        QTRY_VERIFY2(window->statusMessage().startsWith(QStringLiteral("自动写卡中：已写卡")),
                     qPrintable(window->statusMessage()));
        field.removeTag();
        QTest::qWait(300);  // seen gone: two empty reads
        const card::CardNumber foreign{0, {0, 0, 0, 7}};
        field.placeTag(foreign);
        QTRY_VERIFY2(window->statusMessage().startsWith(
                         QStringLiteral("此卡不是空白卡：000 0000000007，已跳过，请取走此卡；")),
                     qPrintable(window->statusMessage()));
        const auto* message = window->findChild<QLabel*>(QStringLiteral("statusMessage"));
        QCOMPARE(message->palette().color(QPalette::WindowText), QColor(0x8A, 0x57, 0x00));
        QCOMPARE(field.tagNumber(), std::optional(foreign));

        field.removeTag();
        QTest::qWait(300);  // the tag seen gone
        QTest::mouseClick(control<QPushButton>(*window, "cmdIDWrite"), Qt::LeftButton);
        QVERIFY(!autoWrite->isChecked());
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("自动写卡已停止；")),
                 qPrintable(window->statusMessage()));
        field.placeEmptyTag(emulator::TagKind::T5577);
        QTest::qWait(300);
        QCOMPARE(field.tagNumber(), std::nullopt);
        QCOMPARE(window->batch()->verified(), 1U);

        // On again, and Escape stops it.
        QTest::mouseClick(autoWrite, Qt::LeftButton);
        QTRY_COMPARE(window->batch()->verified(), 2U);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!autoWrite->isChecked());
    }

    // Left unfinished, the batch is offered at the next start with its next number; Return
    // continues it.
    // A range of billions is checked against the journal beside the window's thread: the window
    // goes on answering, the check shows its progress, and 取消 stops it with no batch begun.
    void aBigOrdersCheckLeavesTheWindowAnsweringAndIsCancelled() {
        const testing_support::DataFolder data;
        const testing_support::EmulatorControl field;
        const auto window = windowOverEmulator();
        QString said;
        QTimer::singleShot(0, [&] {
            auto* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog != nullptr);
            for (const auto& [name, text] :
                 {std::pair{"名称", "大订单"}, std::pair{"起始号码", "0000005000"},
                  std::pair{"张数", "4294962296"}}) {
                dialog->findChild<QLineEdit*>(QString::fromUtf8(name))
                    ->setText(QString::fromUtf8(text));
            }
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("开始")),
                              Qt::LeftButton);
            // Back here at once: the event loop turns while the check moves on.
            auto* progress = dialog->findChild<QProgressBar*>(QStringLiteral("核对号码"));
            QVERIFY(progress != nullptr && progress->isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(progress->value() > 0, 30000);
            auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("取消"));
            QTest::mouseClick(cancel, Qt::LeftButton);
            QVERIFY(!progress->isVisible());
            said = dialog->findChild<QLabel*>(QStringLiteral("batchProblem"))->text();
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        window->showBatchDialog();
        QCOMPARE(said, QStringLiteral("已取消核对号码：批次没有开始"));
        QVERIFY(window->batch() == nullptr);
        QCOMPARE(window->state(), ui::WindowState::Idle);
    }

    void anUnfinishedBatchIsOfferedAtStartAndReturnContinuesIt() {
        const testing_support::DataFolder data;
        const testing_support::EmulatorControl field;
        {
            const auto window = windowOverEmulator();
            beginBatch(*window, QStringLiteral("客户乙"), QStringLiteral("0000002000"),
                       QStringLiteral("5"));
            field.placeEmptyTag(emulator::TagKind::T5577);
            click(*window, "cmdIDWrite");
        }
        const auto window = windowOverEmulator();
        QMessageBox* offer = nullptr;
        QVERIFY(QTest::qWaitFor(
            [&] {
                offer = window->findChild<QMessageBox*>(QStringLiteral("batchOffer"));
                return offer != nullptr && offer->isVisible();
            },
            5000));
        QVERIFY2(
            offer->text().contains(QStringLiteral("批次 客户乙 还没有写完：已写 1/5 张，下一张 "
                                                  "0000002001")),
            qPrintable(offer->text()));
        const QString atStart = window->statusMessage();
        QTest::keyClick(offer, Qt::Key_Return);
        QTRY_VERIFY(window->batch() != nullptr);
        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000002001", "000", "02001"}));
        // Where the batch stands is the panel's: what the journal said at start-up stays.
        QVERIFY(atStart.startsWith(QStringLiteral("上次写卡")));
        QCOMPARE(window->statusMessage(), atStart);
        QVERIFY(control<QLineEdit>(*window, "txtIDB3B0")->isReadOnly());
    }

    // Put off at start, the unfinished batch is listed in the batch dialog to go on with; a new
    // batch is begun beside it, and once that one is closed the old one goes on where it stood.
    void anUnfinishedBatchPutOffIsListedInTheDialogBesideANewOne() {
        const testing_support::DataFolder data;
        const testing_support::EmulatorControl field;
        {
            const auto window = windowOverEmulator();
            beginBatch(*window, QStringLiteral("客户乙"), QStringLiteral("0000002000"),
                       QStringLiteral("5"));
            field.placeEmptyTag(emulator::TagKind::T5577);
            click(*window, "cmdIDWrite");
        }
        const auto window = windowOverEmulator();
        QMessageBox* offer = nullptr;
        QVERIFY(QTest::qWaitFor(
            [&] {
                offer = window->findChild<QMessageBox*>(QStringLiteral("batchOffer"));
                return offer != nullptr && offer->isVisible();
            },
            5000));
        QTest::keyClick(offer, Qt::Key_Escape);  // 以后再说
        QTRY_VERIFY(!offer->isVisible());
        QStringList listed;
        QTimer::singleShot(0, [&] {
            auto* unfinished = QApplication::activeModalWidget()->findChild<QComboBox*>(
                QStringLiteral("继续未写完的批次"));
            QVERIFY(unfinished != nullptr);
            for (int i = 0; i < unfinished->count(); ++i) {
                listed << unfinished->itemText(i);
            }
        });
        beginBatch(*window, QStringLiteral("客户丙"), QStringLiteral("0000003000"),
                   QStringLiteral("2"));
        QCOMPARE(listed, QStringList{QStringLiteral("客户乙")});
        QVERIFY(window->batch() != nullptr);
        QCOMPARE(window->batch()->batch().order().name, std::string("客户丙"));
        window->findChild<QPushButton*>(QStringLiteral("关闭批次"))->click();

        QTimer::singleShot(0, [&] {
            auto* dialog = QApplication::activeModalWidget();
            auto* unfinished = dialog->findChild<QComboBox*>(QStringLiteral("继续未写完的批次"));
            QVERIFY(unfinished != nullptr);
            listed.clear();
            for (int i = 0; i < unfinished->count(); ++i) {
                listed << unfinished->itemText(i);
            }
            unfinished->setCurrentText(QStringLiteral("客户乙"));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("继续批次")),
                              Qt::LeftButton);
        });
        window->showBatchDialog();
        QCOMPARE(listed, (QStringList{QStringLiteral("客户丙"), QStringLiteral("客户乙")}));
        QVERIFY(window->batch() != nullptr);
        QCOMPARE(window->batch()->batch().order().name, std::string("客户乙"));
        QCOMPARE(fieldTexts(*window), (QStringList{"000", "0000002001", "000", "02001"}));
    }

    // An answer holds only for the tag it was asked about: a tag swapped while the question
    // waited is read again after the answer, and asked about anew.
    void aTagSwappedWhileTheQuestionWaitsIsAskedAboutAnew() {
        const testing_support::DataFolder data;
        QVERIFY(!journalOneWrite(data.journalFile()));
        {
            journal::Journal earlier(data.journalFile());
            commands::JournalEntry entry;
            entry.result = "已写卡";
            entry.verified = true;
            entry.number = card::CardNumber{0, {0, 0, 0, 7}};
            QVERIFY(!earlier.append(entry));
        }
        const testing_support::EmulatorControl field;
        field.placeEmptyTag(emulator::TagKind::T5577);
        const auto window = windowOverEmulator();
        QStringList asked;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            for (auto* box : window->findChildren<QMessageBox*>()) {
                if (!box->isVisible() || asked.contains(box->accessibleDescription())) {
                    continue;
                }
                asked << box->accessibleDescription();
                QTest::qWait(kDoubleClickInterval + 20);
                if (asked.size() == 1) {
                    field.placeTag({0, {0, 0, 0, 7}});  // another tag, numbered and verified
                    box->buttons().at(0)->click();      // 仍要写入, of the blank
                } else {
                    box->buttons().at(1)->click();  // 不写入
                }
            }
        });
        answer.start(5);
        click(*window, "cmdIDWrite");
        answer.stop();
        QCOMPARE(asked.size(), 2);
        QVERIFY2(asked.at(1) != asked.at(0) && asked.at(1).contains(QStringLiteral("0000000007")),
                 qPrintable(asked.join(QLatin1Char('|'))));
        QCOMPARE(field.tagNumber(), std::optional(card::CardNumber{0, {0, 0, 0, 7}}));
        QVERIFY2(window->statusMessage().startsWith(QStringLiteral("未写卡")),
                 qPrintable(window->statusMessage()));
    }

    void closingDuringTheQuestionAnswersNoAndClosesOnceTheWriteHasEnded() {
        const testing_support::DataFolder data;
        QVERIFY(!journalOneWrite(data.journalFile()));
        const testing_support::EmulatorControl field;
        field.placeEmptyTag(emulator::TagKind::T5577);
        const auto window = windowOverEmulator();
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            auto* box = window->findChild<QMessageBox*>();
            if (box != nullptr && box->isVisible()) {
                closer.stop();
                window->close();  // the title bar's close button
            }
        });
        closer.start(5);

        click(*window, "cmdIDWrite");

        QTRY_VERIFY(!window->isVisible());
        QVERIFY(!field.tagNumber().has_value());
        QCOMPARE(lineCount(data.journalFile()), 2);
    }

    // As the export's "… already exists. Do you want to replace it?" asks.
    void qtsOwnDialogsAnswerInChinese() {
        QTranslator* translator = ui::installQtTranslation(qApp);
        QVERIFY2(translator != nullptr, "Qt's translations for zh_CN are not installed");
        QMessageBox box(QMessageBox::Warning, QStringLiteral("导出"), QStringLiteral("x"),
                        QMessageBox::Yes | QMessageBox::No);
        const QString yes = box.button(QMessageBox::Yes)->text();
        const QString no = box.button(QMessageBox::No)->text();
        QCoreApplication::removeTranslator(translator);
        delete translator;
        QCOMPARE(yes, QStringLiteral("是(&Y)"));
        QCOMPARE(no, QStringLiteral("否(&N)"));
    }

    // The window icon is set this way: once, and only when the window is on the screen.
    void whatWaitsForTheFirstPaintRunsOnceAfterIt() {
        class Counted final : public QWidget {
        public:
            int paints = 0;

        protected:
            void paintEvent(QPaintEvent* /*event*/) override { ++paints; }
        };
        Counted widget;
        int calls = 0;
        int paintsBefore = -1;
        ui::afterFirstPaint(*qApp, [&] {
            ++calls;
            paintsBefore = widget.paints;
        });
        QCoreApplication::processEvents();
        QCOMPARE(calls, 0);
        widget.show();
        QTRY_COMPARE(calls, 1);
        QVERIFY(paintsBefore >= 1);
        const int paints = widget.paints;
        widget.repaint();
        QTRY_VERIFY(widget.paints > paints);
        QCoreApplication::processEvents();
        QCOMPARE(calls, 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_tests.moc"
