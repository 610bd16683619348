#include "ui/client_area.h"

#include "ui/accessibility.h"
#include "ui/window_layout.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <climits>
#include <map>
#include <string_view>
#include <vector>

namespace ui {

namespace {

// Whether any of kFontFamilies is installed (Windows has them all). Where none is, each of them
// would cost a fallback search of its own for each font at start-up, only to come to the
// platform's own font. Their English names are enough: Windows lists the Latin ones by them.
bool anyListedFamilyInstalled() {
    static const bool any = [] {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        const QStringList installed = QFontDatabase().families();
#else
        const QStringList installed = QFontDatabase::families();
#endif
        return std::any_of(kFontFamilies.begin(), kFontFamilies.end(), [&](const char* family) {
            return installed.contains(QString::fromLatin1(family), Qt::CaseInsensitive);
        });
    }();
    return any;
}

QFont controlFont(const ControlFont& entry) {
    // Where none of them is installed, the platform's own font (sans-serif) stands in, with the
    // fallbacks Qt has already looked up for it.
    QFont font;
    if (anyListedFamilyInstalled()) {
        QStringList families;
        for (const char* family : kFontFamilies) {
            families.append(QString::fromLatin1(family));
        }
        font = QFont(families.first());
        font.setFamilies(families);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSizeF(entry.points);
    font.setBold(entry.bold);
    return font;
}

QWidget* createControl(const ControlDescription& entry, QWidget* container) {
    const QString caption = QString::fromUtf8(entry.caption);
    QWidget* control = nullptr;
    switch (entry.kind) {
        case ControlKind::Frame:
            control = new QGroupBox(container);
            break;
        case ControlKind::Button: {
            auto* button = new QPushButton(caption, container);
            // Enter and keypad Enter press the focused button, as Space does.
            button->setAutoDefault(true);
            control = button;
            break;
        }
        case ControlKind::TextField: {
            // Its text is given below, after its font: laid out once, not twice.
            auto* edit = new QLineEdit(container);
            edit->setMaxLength(INT_MAX);  // free text: no length limit, no input filter
            control = edit;
            break;
        }
        case ControlKind::OptionButton: {
            auto* option = new QRadioButton(caption, container);
            option->setChecked(entry.initiallyOn);
            // As on Windows, Tab reaches a pair once, on its chosen button; the arrow keys move
            // within the pair and choose as they go.
            const auto tabStop = [option](bool chosen) {
                option->setFocusPolicy(chosen ? Qt::StrongFocus : Qt::ClickFocus);
            };
            tabStop(entry.initiallyOn);
            QObject::connect(option, &QRadioButton::toggled, option, tabStop);
            control = option;
            break;
        }
        case ControlKind::CheckBox: {
            auto* check = new QCheckBox(caption, container);
            check->setChecked(entry.initiallyOn);
            control = check;
            break;
        }
        case ControlKind::Label:
            control = new QLabel(caption, container);
            break;
    }
    control->setObjectName(QString::fromLatin1(entry.name));
    if (entry.font) {
        control->setFont(controlFont(*entry.font));
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(caption);
    }
    const double dpi = container->logicalDpiX();
    int width = twipsToPixels(entry.width, dpi);
    if (entry.kind == ControlKind::Label || entry.kind == ControlKind::OptionButton ||
        entry.kind == ControlKind::CheckBox) {
        // A stand-in font may be wider than MS Sans Serif: let a caption run on rather than be
        // cut off. None of them has a neighbour close enough on its right to be covered.
        width = std::max(width, control->sizeHint().width());
    }
    control->setGeometry(twipsToPixels(entry.left, dpi), twipsToPixels(entry.top, dpi), width,
                         twipsToPixels(entry.height, dpi));
    return control;
}

bool takesFocus(ControlKind kind) {
    return kind != ControlKind::Frame && kind != ControlKind::Label;
}

// Tab moves through the focusable controls in the order of their tab indexes.
void chainTabOrder(const std::map<std::string_view, QWidget*>& controls) {
    std::vector<const ControlDescription*> focusable;
    for (const auto& entry : kControls) {
        if (takesFocus(entry.kind)) {
            focusable.push_back(&entry);
        }
    }
    std::sort(focusable.begin(), focusable.end(),
              [](const ControlDescription* a, const ControlDescription* b) {
                  return a->tabIndex < b->tabIndex;
              });
    for (std::size_t i = 1; i < focusable.size(); ++i) {
        QWidget::setTabOrder(controls.at(focusable[i - 1]->name), controls.at(focusable[i]->name));
    }
}

}  // namespace

ClientControls makeClientControls(QWidget& client) {
    client.setObjectName(QStringLiteral("clientArea"));
    const double dpi = client.logicalDpiX();
    client.setFixedSize(twipsToPixels(kClientWidthTwips, dpi),
                        twipsToPixels(kClientHeightTwips, dpi));

    std::map<std::string_view, QWidget*> controls;
    for (const auto& entry : kControls) {
        QWidget* container = entry.container != nullptr ? controls.at(entry.container) : &client;
        controls[entry.name] = createControl(entry, container);
    }
    chainTabOrder(controls);
    describeControls(controls);

    const auto played = [&controls](Role role) { return controls.at(controlFor(role).name); };
    ClientControls found;
    for (const card::Field which : kFields) {
        found.fields.at(static_cast<std::size_t>(which)) =
            qobject_cast<QLineEdit*>(played(fieldRole(which)));
    }
    found.tenDigitOption = qobject_cast<QRadioButton*>(played(Role::TenDigitOption));
    found.em4305Option = qobject_cast<QRadioButton*>(played(Role::EM4305Option));
    found.advanceBox = qobject_cast<QCheckBox*>(played(Role::AdvanceBox));
    found.lockBox = qobject_cast<QCheckBox*>(played(Role::LockBox));
    found.readButton = qobject_cast<QPushButton*>(played(Role::ReadButton));
    found.writeButton = qobject_cast<QPushButton*>(played(Role::WriteButton));
    return found;
}

}  // namespace ui
