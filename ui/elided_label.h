#pragma once

#include <QLabel>

namespace ui {

// A label of a fixed number of lines: its text wraps onto them and is cut short at the end of the
// last one when it does not fit. The whole text is its tooltip.
class ElidedLabel final : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(int lines, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    [[nodiscard]] const QString& fullText() const noexcept { return fullText_; }
    // Whether the whole text is shown, nothing cut off.
    [[nodiscard]] bool showsAll() const noexcept { return showsAll_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateShownText();

    int lines_;
    QString fullText_;
    bool showsAll_ = true;
};

}  // namespace ui
