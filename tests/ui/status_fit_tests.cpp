// Every message the window can show fits the status line's two lines at the window's size, with
// its longest values: none is cut short with "…".
#include "journal/journal.h"
#include "support/data_folder.h"
#include "support/recording_reader.h"
#include "ui/elided_label.h"
#include "ui/main_window.h"
#include "words/outcome_text.h"

#include <QRegularExpression>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

namespace {

using commands::WriteOutcome;
using Result = WriteOutcome::Result;

constexpr card::CardNumber kWidest{0xFF, {0xFF, 0xFF, 0xFF, 0xFF}};
// The longest words a foreign text is given in (the library's exception, the system's reason):
// cut to its longest before it is shown.
const std::string kForeign(200, 'W');
constexpr reader::Status kLongestStatus = -2147483647 - 1;

std::vector<reader::ReaderInUse> readers() {
    return {reader::ReaderInUse{"/opt/zeld/libMF1.so", true, true},
            reader::ReaderInUse{"/opt/zeld/libMF1.so", true, false}};
}

// Statuses a refusal may carry: each the emulated reader names, and the widest number.
std::vector<reader::Status> statuses() {
    std::vector<reader::Status> all{kLongestStatus};
    for (reader::Status s = 1; s <= 40; ++s) {
        all.push_back(s);
    }
    return all;
}

std::vector<reader::LoadError> loadErrors() {
    const std::filesystem::path deep =
        std::filesystem::path("/home") / std::string(120, 'd') / "zeld" / "bin" / "libMF1.so";
    return {
        reader::LoadError{reader::LoadError::Kind::LocationUnknown, {}, kForeign, {}},
        reader::LoadError{reader::LoadError::Kind::FileMissing, deep, {}, {}},
        reader::LoadError{reader::LoadError::Kind::FileMissing, deep, {}, deep.parent_path()},
        reader::LoadError{reader::LoadError::Kind::FileNotLoaded, deep, kForeign, {}},
        reader::LoadError{
            reader::LoadError::Kind::FileNotLoaded,
            deep,
            "libfoo" + std::string(100, 'o') + ".so: cannot open shared object file: x",
            {}},
        reader::LoadError{reader::LoadError::Kind::EntryPointMissing, deep, "ControlBuzzer", {}},
        reader::LoadError{reader::LoadError::Kind::ThrewWhileLoading, deep, kForeign, {}},
    };
}

std::vector<std::string> everyMessage() {
    std::vector<std::string> messages{"正在读卡…", "正在写卡…"};
    // The journal's longest reason: its own words, short and bounded.
    const std::string journalWords = "属于别的用户或有硬链接";

    for (const auto& inUse : readers()) {
        commands::ReadOutcome read;
        read.result = commands::ReadOutcome::Result::Read;
        read.tag = kWidest;
        messages.push_back(words::describeRead(read, inUse));
        read.settledWrite = true;
        messages.push_back(words::describeRead(read, inUse));
        read.journalError =
            commands::JournalTrouble{commands::JournalTrouble::Kind::Other, journalWords};
        messages.push_back(words::describeRead(read, inUse));
        for (const auto status : statuses()) {
            read.result = commands::ReadOutcome::Result::NoTag;
            read.status = status;
            messages.push_back(words::describeRead(read, inUse));
        }
        read.result = commands::ReadOutcome::Result::ReaderFault;
        read.fault = reader::CallFault{"ControlBuzzer", kForeign};
        messages.push_back(words::describeRead(read, inUse));
    }
    for (const auto& error : loadErrors()) {
        commands::ReadOutcome read;
        read.result = commands::ReadOutcome::Result::ReaderUnavailable;
        read.loadError = error;
        messages.push_back(words::describeRead(read));
    }

    for (const auto& inUse : readers()) {
        for (const auto result : {Result::Written, Result::WrittenNotLocked, Result::NotWritten,
                                  Result::NotReadBack, Result::WrongReadBack, Result::Swapped,
                                  Result::Declined, Result::OutOfRange, Result::ReaderFault}) {
            for (const bool requested : {false, true}) {
                for (const bool troubled : {false, true}) {
                    for (const auto status : statuses()) {
                        WriteOutcome outcome;
                        outcome.result = result;
                        outcome.request.number = kWidest;
                        outcome.readBack = kWidest;
                        outcome.previousNumber = kWidest;
                        outcome.request.notation = card::Notation::WG34;
                        outcome.request.lock = requested;
                        outcome.request.advance = requested;
                        outcome.writeStatus = outcome.readBackStatus = outcome.lockStatus = status;
                        outcome.invalidField = card::Field::B2;
                        outcome.earlierWrite = "2026-12-07T20:34:56+08:00";
                        outcome.previousWrite = troubled ? outcome.earlierWrite : std::nullopt;
                        if (troubled) {
                            outcome.journalError = commands::JournalTrouble{
                                commands::JournalTrouble::Kind::Other, journalWords};
                            outcome.fault = reader::CallFault{"ControlBuzzer", kForeign};
                        }
                        std::string message = words::describeWrite(outcome, inUse);
                        if (words::toneOf(outcome) == words::Tone::Done) {
                            message += words::sessionCount(99999);
                        }
                        messages.push_back(message);
                    }
                }
            }
        }
    }

    words::JournalAtStart start;
    start.last = words::JournalAtStart::Write{kWidest, "2026-12-07T20:34:56+08:00"};
    start.anotherCopyOpen = true;
    messages.push_back(words::journalAtStart(start).value_or(""));
    start.interrupted = start.last;
    messages.push_back(words::journalAtStart(start).value_or(""));
    return messages;
}

QString withoutSpaces(QString text) {
    text.remove(QRegularExpression(QStringLiteral("[\\s\\x{00A0}]")));
    return text;
}

}  // namespace

class StatusFitTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyMessageFitsItsTwoLines() {
        const testing_support::DataFolder data;
        ui::MainWindow window(std::make_unique<testing_support::FakeSource>());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* line = window.findChild<ui::ElidedLabel*>(QStringLiteral("statusMessage"));
        QVERIFY(line != nullptr);

        QStringList cut;
        for (const auto& message : everyMessage()) {
            line->setFullText(QString::fromStdString(message));
            if (!line->showsAll()) {
                cut.append(line->fullText());
            }
        }
        cut.removeDuplicates();
        for (const auto& message : cut) {
            qWarning("cut: %s", qUtf8Printable(message));
        }
        QCOMPARE(cut.size(), 0);
    }

    // With the presses dropped after it said too, a message that no longer fits loses whole
    // clauses from its end (words in brackets count as one), never its first (the verdict) nor
    // the count, and no word is cut.
    void aMessageThatCannotFitLosesWholeClauses() {
        const testing_support::DataFolder data;
        ui::MainWindow window(std::make_unique<testing_support::FakeSource>());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* line = window.findChild<ui::ElidedLabel*>(QStringLiteral("statusMessage"));
        QVERIFY(line != nullptr);
        const QString tail = QString::fromStdString(words::droppedPresses(99999));
        const QString separators = QStringLiteral("；，。：（");

        std::vector<std::string> messages = everyMessage();
        // Longer than the two lines, ending in the journal's words.
        messages.emplace_back(
            "未写卡：读卡器上没有卡（状态 "
            "-2147483648），号码未加一；未查重号：属于别的用户或有硬链接"
            "；写卡记录的锁文件打不开；未记录：不是普通文件");
        int shortened = 0;
        for (const auto& message : messages) {
            const QString text = QString::fromStdString(message);
            line->setFullText(text, tail);
            QCOMPARE(line->fullText(), text + tail);
            const QString shown = withoutSpaces(line->text());
            if (line->showsAll()) {
                QCOMPARE(shown, withoutSpaces(text + tail));
                continue;
            }
            ++shortened;
            QVERIFY2(shown.endsWith(QChar(0x2026) + withoutSpaces(tail)), qPrintable(shown));
            const QString kept = shown.left(shown.size() - withoutSpaces(tail).size() - 1);
            const QString whole = withoutSpaces(text);
            QVERIFY2(whole.startsWith(kept), qPrintable(shown));
            QVERIFY2(separators.contains(whole.at(kept.size())), qPrintable(shown));
            const auto firstEnd =
                whole.indexOf(QRegularExpression(QLatin1Char('[') + separators + QLatin1Char(']')));
            QVERIFY2(kept.size() >= firstEnd, qPrintable(shown));
        }
        QVERIFY(shortened > 0);
    }
};

QTEST_MAIN(StatusFitTest)
#include "status_fit_tests.moc"
