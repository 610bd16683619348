#pragma once

#include "words/outcome_text.h"

#include <QWidget>

class QLabel;

namespace ui {

class ElidedLabel;

// The status line beneath the window: an icon and a message of two lines. Success and failure
// differ in icon and colour as well as in words, so that a failed write is not missed; a note
// (the journal's lock) is shown with the last outcome's few words, never in place of them, and
// presses dropped since the outcome are counted after it.
class StatusLine final : public QWidget {
    Q_OBJECT

public:
    explicit StatusLine(QWidget* parent = nullptr);

    // A command's outcome in full, and its few words for later notes.
    void showOutcome(const std::string& message, words::Tone tone, const std::string& verdict);
    // A failure whose cause came from elsewhere (the database server): `details`, already cleaned,
    // in the message's tooltip and a screen reader's description, never in the line itself.
    void showFailure(const std::string& message, const std::string& details);
    // Where the batch in the window stands: after the message in view, or alone. One that warns
    // (offline, no number to write here) colours the line as a caution and is never cut short.
    void showStanding(const std::string& standing, bool warns);
    void addStanding(const std::string& standing, bool warns);
    // The standing in view, if any, made anew: the panel and the line say the same.
    void refreshStanding(const std::string& standing, bool warns);
    // A message of its own (a command running, the journal at start-up), with no icon.
    void showMessage(const std::string& message);
    // A note that leaves the last outcome's words in view.
    void showNote(const std::string& note);
    // `count` more presses were dropped: said after the message in view, which stays.
    void addDropped(int count);

    // The whole message, however it is shown.
    [[nodiscard]] QString fullText() const;
    // Whether the message is shown whole, with nothing cut off.
    [[nodiscard]] bool showsAll() const;

private:
    void show(const std::string& message, words::Tone tone, const std::string& details = {});
    void showText();
    void paint(words::Tone tone);

    QLabel* icon_ = nullptr;
    ElidedLabel* message_ = nullptr;
    words::Tone tone_ = words::Tone::Neutral;
    std::string verdict_;
    std::string text_;      // the message in view, without the dropped presses
    QString details_;       // of the message in view
    std::string standing_;  // said after it
    bool standingWarns_ = false;
    int dropped_ = 0;
};

}  // namespace ui
