#pragma once

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

namespace ui {

// Where the window stands between a press and its outcome. One value, changed only through
// `next`, so that what may happen in each state is written in one place.
enum class WindowState {
    Idle,       // waiting for a press
    Command,    // a command runs: the library holds the window's thread
    Question,   // a write waits for the operator's answer before anything is sent to the tag
    Offer,      // an unfinished or shared batch is offered to be continued
    Dialog,     // a dialog of the window's own (the batch dialog, a choice, a password) is open
    HandsFree,  // hands-free writing reads on its timer
    Closing,    // closing was asked during a command: the window closes once it has ended
};

enum class WindowEvent {
    Press,          // 读卡号 or 写卡号
    QuestionAsked,  // the command stopped before the write to ask
    Answered,       // the question's answer came: the command goes on (or ends)
    CommandEnded,   // its outcome is shown
    OfferOpened,
    OfferAnswered,
    DialogOpened,
    DialogClosed,
    HandsFreeStarted,
    HandsFreeStopped,
    CloseAsked,
};

// The state after `event` in `state`; nothing when the event has no place there (a press while
// a command runs, which is dropped, or a programming error the caller asserts on).
[[nodiscard]] std::optional<WindowState> next(WindowState state, WindowEvent event);

// The window's state, and what waits for it to be idle again: an answer of the shared database
// that arrives while a question waits is taken up once the command has ended, never inside it.
class CommandLife final : public QObject {
    Q_OBJECT

public:
    explicit CommandLife(QObject* parent = nullptr);

    [[nodiscard]] WindowState state() const noexcept { return state_; }
    [[nodiscard]] bool idle() const noexcept { return state_ == WindowState::Idle; }
    // A command holds the window: it runs, or its question waits.
    [[nodiscard]] bool commandUnderWay() const noexcept {
        return state_ == WindowState::Command || state_ == WindowState::Question ||
               state_ == WindowState::Closing;
    }
    // Whether `event` has a place in the state now.
    [[nodiscard]] bool allows(WindowEvent event) const { return next(state_, event).has_value(); }
    // Moves on; false, and nothing changes, when the event has no place now.
    bool handle(WindowEvent event);
    // Runs `then` now when idle, else once the window is idle again, in the order asked.
    void whenIdle(std::function<void()> then);
    // The window closes: nothing waits for it any more.
    void dropWaiting();

Q_SIGNALS:
    void changed(ui::WindowState now);
    // Posted to itself: what waits runs once the event that made the window idle is done with.
    void idleAgain();

private:
    void runWaiting();

    WindowState state_ = WindowState::Idle;
    std::vector<std::function<void()>> waiting_;
};

// The Dialog state while it lives; a dialog opened from another keeps the state the outer one set.
class DialogOpen {
public:
    explicit DialogOpen(CommandLife& life)
        : life_(life), opened_(life.handle(WindowEvent::DialogOpened)) {}
    ~DialogOpen() {
        if (opened_) {
            life_.handle(WindowEvent::DialogClosed);
        }
    }
    DialogOpen(const DialogOpen&) = delete;
    DialogOpen& operator=(const DialogOpen&) = delete;
    DialogOpen(DialogOpen&&) = delete;
    DialogOpen& operator=(DialogOpen&&) = delete;

private:
    CommandLife& life_;
    bool opened_;
};

}  // namespace ui
