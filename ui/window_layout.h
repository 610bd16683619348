#pragma once

#include "card/card_number.h"

#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>

// The controls of frmRW as data: kind, container, caption, place and size in twips (1/1440 inch),
// tab index and font. The window is built from this table.
namespace ui {

enum class ControlKind { Frame, Button, TextField, OptionButton, CheckBox, Label };

struct ControlFont {
    double points = 0;
    bool bold = false;
};

// What a control is for, to the code that reads, sets or describes it. The controls' names are
// the window's own and are spoken of in this table only.
enum class Role {
    None,
    ReadButton,
    WriteButton,
    VersionField,         // the version or customer number, B4
    TenDigitField,        // the ten-digit number, B3..B0
    EightDigitHighField,  // the eight-digit number's first three digits, B2
    EightDigitLowField,   // the eight-digit number's last five digits, B1B0
    TenDigitOption,       // write the ten-digit number (else the eight-digit one)
    EM4305Option,         // the tag is an EM4305 (else a T5577)
    AdvanceBox,           // advance the number after each write
    LockBox,              // protect the tag after writing
};

struct ControlDescription {
    ControlKind kind = ControlKind::Label;
    const char* name = "";
    const char* container = nullptr;  // nullptr: the window's client area
    const char* caption = "";         // UTF-8; the start text of a text field
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int tabIndex = 0;
    std::optional<ControlFont> font;
    bool initiallyOn = false;  // option button selected, or check box checked, at start
    Role role = Role::None;
    const char* buddy = nullptr;           // a label's: the control it stands beside
    const char* accessibleName = nullptr;  // UTF-8; nullptr: the caption says it
};

inline constexpr const char* kWindowName = "frmRW";
inline constexpr const char* kWindowCaption = "Zeld V3";
inline constexpr int kClientWidthTwips = 4680;
inline constexpr int kClientHeightTwips = 5760;
// The controls were designed in MS Sans Serif, which on Windows is an old bitmap face that
// neither scales nor holds Chinese. They use the TrueType faces Windows has in its place, then
// its Chinese faces; elsewhere the platform's ordinary sans-serif and CJK fonts stand in.
inline constexpr std::array<const char*, 4> kFontFamilies{"Microsoft Sans Serif", "Tahoma",
                                                          "Microsoft YaHei", "SimSun"};

inline constexpr ControlFont kNormal{12, false};
inline constexpr ControlFont kBold{12, true};
inline constexpr ControlFont kSmall{9.75, false};

// In order of creation; containers come before what they contain.
// clang-format off
inline constexpr std::array<ControlDescription, 21> kControls{{
    {ControlKind::Frame, "Frame3", nullptr, "", 120, 4560, 4455, 975, 13, std::nullopt, false, Role::None, nullptr, "读卡和写卡"},
    {ControlKind::Button, "cmdIDRead", "Frame3", "读卡号", 240, 240, 1695, 495, 15, kNormal, false, Role::ReadButton},
    {ControlKind::Button, "cmdIDWrite", "Frame3", "写卡号", 2280, 240, 1815, 495, 14, kNormal, false, Role::WriteButton},
    {ControlKind::Frame, "Frame1", nullptr, "", 120, 1680, 4455, 2775, 5, std::nullopt, false, Role::None, nullptr, "卡号"},
    {ControlKind::TextField, "txtIDB4", "Frame1", "000", 3240, 480, 855, 420, 11, kBold, false, Role::VersionField},
    {ControlKind::TextField, "txtIDB3B0", "Frame1", "0000000001", 2040, 1320, 2055, 420, 10, kBold, false, Role::TenDigitField},
    {ControlKind::TextField, "txtIDB2", "Frame1", "000", 2040, 2160, 615, 420, 9, kBold, false, Role::EightDigitHighField},
    {ControlKind::TextField, "txtIDB1B0", "Frame1", "00001", 3000, 2160, 1095, 420, 8, kBold, false, Role::EightDigitLowField},
    {ControlKind::OptionButton, "optIDWG34", "Frame1", "前十位号", 240, 1200, 1335, 495, 7, kNormal, true, Role::TenDigitOption},
    {ControlKind::OptionButton, "optIDWG26", "Frame1", "后八位号", 240, 2040, 1335, 495, 6, kNormal, false},
    {ControlKind::Label, "Label4", "Frame1", card::fieldRangeLabel(card::Field::B4).data(), 3240, 240, 615, 255, 20, kSmall, false, Role::None, "txtIDB4"},
    {ControlKind::Label, "Label3", "Frame1", card::fieldRangeLabel(card::Field::B3B0).data(), 2040, 1080, 1335, 255, 19, kSmall, false, Role::None, "txtIDB3B0"},
    {ControlKind::Label, "Label2", "Frame1", card::fieldRangeLabel(card::Field::B1B0).data(), 3000, 1920, 855, 255, 18, kSmall, false, Role::None, "txtIDB1B0"},
    {ControlKind::Label, "Label1", "Frame1", card::fieldRangeLabel(card::Field::B2).data(), 2040, 1920, 615, 255, 17, kSmall, false, Role::None, "txtIDB2"},
    {ControlKind::Label, "Label11", "Frame1", ",", 2760, 2160, 135, 375, 16, kBold, false},
    {ControlKind::Label, "Label5", "Frame1", "版本或客户号", 240, 480, 1815, 375, 12, kNormal, false, Role::None, "txtIDB4"},
    {ControlKind::Frame, "Frame2", nullptr, "", 120, 120, 4455, 1455, 0, kNormal, false, Role::None, nullptr, "芯片和写卡选项"},
    {ControlKind::OptionButton, "optIDT5577", "Frame2", "T5577", 240, 360, 1215, 375, 4, kNormal, true},
    {ControlKind::OptionButton, "optIDEM4305", "Frame2", "EM4305", 2040, 360, 1335, 375, 3, kNormal, false, Role::EM4305Option},
    {ControlKind::CheckBox, "chkIDADD1", "Frame2", " + 1", 240, 720, 975, 495, 2, kNormal, false, Role::AdvanceBox, nullptr, "写卡后号码加一"},
    {ControlKind::CheckBox, "chkIDLOCK", "Frame2", "保护号", 2040, 720, 1335, 495, 1, kNormal, false, Role::LockBox, nullptr, "保护号"},
}};
// clang-format on

// The control that plays `role`; every role but None is played by exactly one.
[[nodiscard]] constexpr const ControlDescription& controlFor(Role role) {
    for (const auto& entry : kControls) {
        if (entry.role == role) {
            return entry;
        }
    }
    throw std::logic_error("no control plays this role");
}
static_assert([] {
    for (int role = static_cast<int>(Role::None) + 1; role <= static_cast<int>(Role::LockBox);
         ++role) {
        int players = 0;
        for (const auto& entry : kControls) {
            players += entry.role == static_cast<Role>(role) ? 1 : 0;
        }
        if (players != 1) {
            return false;
        }
    }
    return true;
}());

// The field control that shows `field`.
[[nodiscard]] constexpr Role fieldRole(card::Field field) noexcept {
    switch (field) {
        case card::Field::B4:
            return Role::VersionField;
        case card::Field::B3B0:
            return Role::TenDigitField;
        case card::Field::B2:
            return Role::EightDigitHighField;
        case card::Field::B1B0:
            return Role::EightDigitLowField;
    }
    return Role::None;
}
inline constexpr std::array<card::Field, 4> kFields{card::Field::B4, card::Field::B3B0,
                                                    card::Field::B2, card::Field::B1B0};

// Twips to the toolkit's device-independent pixels, at 1440 twips per inch of the screen's
// logical resolution (15 twips a pixel at 96 dpi).
[[nodiscard]] inline int twipsToPixels(int twips, double logicalDpi) noexcept {
    return static_cast<int>(std::lround(twips * logicalDpi / 1440.0));
}

}  // namespace ui
