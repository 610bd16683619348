#pragma once

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace ui {

// The controls of the window's client area that the window reads and drives.
struct ClientControls {
    std::array<QLineEdit*, 4> fields{};  // indexed by card::Field
    QRadioButton* tenDigitOption = nullptr;
    QRadioButton* em4305Option = nullptr;
    QCheckBox* advanceBox = nullptr;
    QCheckBox* lockBox = nullptr;
    QPushButton* readButton = nullptr;
    QPushButton* writeButton = nullptr;
};

// Lays out in `client` every control of the client area where the window's layout puts it, in
// its font, sized to the layout's twips, in tab order, each named for a screen reader.
[[nodiscard]] ClientControls makeClientControls(QWidget& client);

}  // namespace ui
