#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

class QEvent;
class QWidget;

namespace ui {

// Keeps one press to one command. While a command runs, the window takes no input: whatever
// reached it meanwhile (clicks, Space, Enter, any key or mouse button) is handled, and dropped,
// before the command counts as ended. For the desktop's double-click interval after that, a press
// that could start a command again is dropped too: a mouse button on a command button, Space on
// a button, Enter anywhere in the window. So is a press in a dialog the command showed, for that
// interval after the dialog appeared. A key that auto-repeats never presses anything: holding
// Enter on the write button writes one tag.
class CommandGate final : public QObject {
    Q_OBJECT

public:
    // Watches the input of `window` and of its children through an application event filter;
    // `buttons` start the commands.
    CommandGate(QWidget* window, QList<QWidget*> buttons);
    ~CommandGate() override;
    CommandGate(const CommandGate&) = delete;
    CommandGate& operator=(const CommandGate&) = delete;
    CommandGate(CommandGate&&) = delete;
    CommandGate& operator=(CommandGate&&) = delete;

    // Whether a command may start now: none runs, and the last ended longer ago than the
    // double-click interval.
    [[nodiscard]] bool mayStart() const;
    [[nodiscard]] bool isBusy() const noexcept { return busy_; }

    // A command starts: from now on the window's input is dropped.
    void begin();
    // The command has ended: handles the events that came in meanwhile, dropping the window's
    // input among them, then starts the double-click interval.
    void end();
    // A dialog the command shows now: presses in it are dropped for the double-click interval.
    void guardDialog(QWidget* dialog);

Q_SIGNALS:
    // A press was dropped: during a command or its question (`busy`), or too soon after one
    // ended. Each key or button pressed is said once, however it reached the window; not
    // auto-repeats, which no one made on purpose, nor a modifier key.
    void pressDropped(bool busy);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] static int interval();
    [[nodiscard]] static bool isInput(const QEvent* event);
    [[nodiscard]] static bool isPress(const QEvent* event);
    // An auto-repeat of Enter, Space or Select: marked as one, or (when the window system's
    // marking was lost while a command held the event loop) a press that comes at the very
    // moment the same key was let go.
    [[nodiscard]] bool isRepeatedPressKey(const QEvent* event);
    // Says a dropped press once: the key press or mouse press, not its companions.
    void tellDropped(const QEvent* event);
    // A press that could start a command.
    [[nodiscard]] bool startsCommand(QObject* watched, const QEvent* event) const;
    [[nodiscard]] QWidget* topLevelOf(QObject* watched) const;

    QWidget* window_;
    QList<QWidget*> buttons_;
    bool busy_ = false;
    QElapsedTimer sinceEnd_;
    QPointer<QWidget> dialog_;
    int lastReleasedKey_ = 0;
    unsigned long lastReleaseTime_ = 0;
    QElapsedTimer sinceDialog_;
    bool pressTold_ = false;  // the last mouse press was dropped, and said
};

}  // namespace ui
