#pragma once

#include <QLabel>

namespace ui {

// A one-line label that shortens its text in the middle when it does not fit, and offers the
// whole text as its tooltip.
class ElidedLabel final : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    [[nodiscard]] const QString& fullText() const noexcept { return fullText_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateShownText();

    QString fullText_;
};

}  // namespace ui
