#pragma once

#include <QObject>

class QEvent;
class QWidget;

namespace ui {

// While on, any key or mouse button pressed in a window (its dialogs included) is taken, not
// passed on, and said: whatever runs on its own in that window stops at the first touch, and the
// touch does nothing else (a click on 写卡号 writes nothing). A bare modifier is no touch: a
// screen reader's keys are held with one.
class AnyInputWatch final : public QObject {
    Q_OBJECT

public:
    explicit AnyInputWatch(QWidget* window);
    ~AnyInputWatch() override;
    AnyInputWatch(const AnyInputWatch&) = delete;
    AnyInputWatch& operator=(const AnyInputWatch&) = delete;
    AnyInputWatch(AnyInputWatch&&) = delete;
    AnyInputWatch& operator=(AnyInputWatch&&) = delete;

    void setWatching(bool on);
    [[nodiscard]] bool watching() const noexcept { return watching_; }

Q_SIGNALS:
    void touched();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    bool watching_ = false;
};

}  // namespace ui
