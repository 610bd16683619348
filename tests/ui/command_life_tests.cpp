// The window's command life as a table: every state against every event, and what waits for the
// window to be idle.
#include "ui/command_life.h"

#include <QtTest>

#include <map>
#include <optional>
#include <utility>
#include <vector>

Q_DECLARE_METATYPE(ui::WindowState)
Q_DECLARE_METATYPE(ui::WindowEvent)
Q_DECLARE_METATYPE(std::optional<ui::WindowState>)

namespace {

using S = ui::WindowState;
using E = ui::WindowEvent;

constexpr S kStates[] = {S::Idle,   S::Command,   S::Question, S::Offer,
                         S::Dialog, S::HandsFree, S::Closing};
constexpr E kEvents[] = {
    E::Press,         E::QuestionAsked, E::Answered,     E::CommandEnded,     E::OfferOpened,
    E::OfferAnswered, E::DialogOpened,  E::DialogClosed, E::HandsFreeStarted, E::HandsFreeStopped,
    E::CloseAsked};

// Every move the window may make; any other event is refused where it comes.
const std::map<std::pair<S, E>, S>& moves() {
    static const std::map<std::pair<S, E>, S> table{
        {{S::Idle, E::Press}, S::Command},        {{S::Idle, E::OfferOpened}, S::Offer},
        {{S::Idle, E::DialogOpened}, S::Dialog},  {{S::Idle, E::HandsFreeStarted}, S::HandsFree},
        {{S::Idle, E::CloseAsked}, S::Idle},      {{S::Command, E::QuestionAsked}, S::Question},
        {{S::Command, E::CommandEnded}, S::Idle}, {{S::Command, E::CloseAsked}, S::Closing},
        {{S::Question, E::Answered}, S::Command}, {{S::Question, E::CloseAsked}, S::Closing},
        {{S::Offer, E::OfferAnswered}, S::Idle},  {{S::Offer, E::CloseAsked}, S::Offer},
        {{S::Dialog, E::DialogClosed}, S::Idle},  {{S::HandsFree, E::HandsFreeStopped}, S::Idle},
        {{S::Closing, E::Answered}, S::Closing},  {{S::Closing, E::CloseAsked}, S::Closing},
        {{S::Closing, E::CommandEnded}, S::Idle},
    };
    return table;
}

}  // namespace

class CommandLifeTests : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eachEventMovesOrIsRefused_data() {
        QTest::addColumn<S>("state");
        QTest::addColumn<E>("event");
        QTest::addColumn<std::optional<S>>("expected");
        for (const S state : kStates) {
            for (const E event : kEvents) {
                const auto move = moves().find({state, event});
                const std::optional<S> expected =
                    move == moves().end() ? std::nullopt : std::optional(move->second);
                QTest::addRow("%d-%d", static_cast<int>(state), static_cast<int>(event))
                    << state << event << expected;
            }
        }
    }

    void eachEventMovesOrIsRefused() {
        QFETCH(S, state);
        QFETCH(E, event);
        QFETCH(std::optional<S>, expected);
        QCOMPARE(ui::next(state, event), expected);
    }

    // A press is dropped while a command runs, while its question waits, while an offer, a
    // dialog or hands-free writing holds the window, and while it closes.
    void onlyAnIdleWindowTakesAPress() {
        for (const S state : kStates) {
            QCOMPARE(ui::next(state, E::Press).has_value(), state == S::Idle);
        }
    }

    // The shared database's answer that comes while a question waits is taken up after the
    // answer and the command's end, in the order it came, by the event loop and no timer.
    void whatWaitsRunsOnceTheCommandHasEnded() {
        ui::CommandLife life;
        std::vector<int> ran;
        QVERIFY(life.handle(E::Press));
        QVERIFY(life.handle(E::QuestionAsked));
        life.whenIdle([&] { ran.push_back(1); });
        life.whenIdle([&] { ran.push_back(2); });
        QCoreApplication::processEvents();
        QVERIFY(life.handle(E::Answered));
        QCoreApplication::processEvents();
        QVERIFY(ran.empty());
        QVERIFY(!life.handle(E::Press));  // dropped: the command goes on
        QVERIFY(life.handle(E::CommandEnded));
        QVERIFY(ran.empty());  // the command's end is told first
        QCoreApplication::sendPostedEvents();
        QCOMPARE(ran, (std::vector<int>{1, 2}));
        life.whenIdle([&] { ran.push_back(3); });  // idle: at once
        QCOMPARE(ran.back(), 3);
    }

    // One that opens an offer leaves the rest waiting for the offer's answer.
    void anOfferOpenedMeanwhileHoldsTheRest() {
        ui::CommandLife life;
        std::vector<int> ran;
        QVERIFY(life.handle(E::Press));
        life.whenIdle([&] {
            ran.push_back(1);
            life.handle(E::OfferOpened);
        });
        life.whenIdle([&] { ran.push_back(2); });
        QVERIFY(life.handle(E::CommandEnded));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(ran, std::vector<int>{1});
        QVERIFY(life.handle(E::OfferAnswered));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(ran, (std::vector<int>{1, 2}));
    }

    // A dialog opened from a dialog leaves the window in the outer one's state until it closes.
    void aDialogInADialogKeepsTheOuterState() {
        ui::CommandLife life;
        {
            const ui::DialogOpen outer(life);
            {
                const ui::DialogOpen inner(life);
                QCOMPARE(life.state(), S::Dialog);
            }
            QCOMPARE(life.state(), S::Dialog);
        }
        QCOMPARE(life.state(), S::Idle);
    }
};

QTEST_MAIN(CommandLifeTests)
#include "command_life_tests.moc"
