#pragma once

#include "clicktest/controller.h"
#include "clicktest/number_text.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace window {

// The window as it was drawn, read by both shells: lengths in twips (1440 to the inch), fonts in
// points. Everything the window shows at start comes from here; no control is placed in code.

inline constexpr int TwipsPerInch = 1440;
inline constexpr int PointsPerInch = 72;
// The screen the window was drawn on; a shell that scales by itself (Qt) lays out at this one.
inline constexpr int DesignDpi = 96;

// A design length in pixels on a screen of `dpi` dots per inch, rounded half away from zero as
// Windows' MulDiv does, so both shells put every length on the same pixel at any DPI.
[[nodiscard]] constexpr int pixelsAt(int twips, int dpi) noexcept
{
    const std::int64_t product = std::int64_t { twips } * dpi;
    const std::int64_t half = TwipsPerInch / 2;
    return static_cast<int>(
        product >= 0 ? (product + half) / TwipsPerInch : -((-product + half) / TwipsPerInch));
}

[[nodiscard]] constexpr int pixels(int twips) noexcept
{
    return pixelsAt(twips, DesignDpi);
}

// Fonts are sized in pixels so that text keeps its place in the pixel-exact layout.
[[nodiscard]] constexpr int fontPixelsAt(double points, int dpi) noexcept
{
    const double exact = points * dpi / PointsPerInch;
    const auto whole = static_cast<int>(exact);
    return exact - whole >= 0.5 ? whole + 1 : whole;
}

[[nodiscard]] constexpr int fontPixels(double points) noexcept
{
    return fontPixelsAt(points, DesignDpi);
}

struct FontDesign {
    std::u16string_view family;
    double points;
    int weight; // 400 is regular
};

// The two buttons the player can press.
enum class Button { Command1, Command2 };

// How a label's text sits: the record label hangs past the window's bottom edge, so its
// text is set against the top to stay whole.
enum class TextPlacement { Centred, TopCentred };

// One control as it was drawn. Its role says what it is to the game: the button it is, if it is
// one (else it is a label), and the game's control whose text it shows, if the game reads or
// writes it. The counting button is both.
struct ControlDesign {
    std::string_view name;
    int id; // the control's number, for shells that address controls by one
    std::optional<Button> button;
    std::optional<clicktest::Control> control;
    std::u16string_view text;
    int left;
    int top;
    int width;
    int height;
    std::optional<FontDesign> font; // none: the window's font
    int tabIndex; // also the stacking order: a lower one lies on top where two overlap
    bool shown; // the marker holds state only and is never seen
    TextPlacement placement;

    [[nodiscard]] constexpr bool isButton() const noexcept { return button.has_value(); }
};

inline constexpr std::size_t ControlCount = 4;

struct FormDesign {
    std::u16string_view caption;
    int clientWidth;
    int clientHeight;
    FontDesign font;
    std::array<ControlDesign, ControlCount> controls;
    std::chrono::milliseconds timerInterval;
};

// Drawn for the original platform's "MS Sans Serif", a bitmap face that only comes in a few sizes.
inline constexpr std::u16string_view DesignFontFamily = u"MS Sans Serif";
// Faces of the same look that scale cleanly to any size, in order of preference: Windows' own
// outline version first, then the metric-compatible faces a Linux desktop has.
inline constexpr std::array<std::u16string_view, 4> DesignFontFallbacks {
    u"Microsoft Sans Serif",
    u"Liberation Sans",
    u"Arimo",
    u"DejaVu Sans",
};

// clang-format off
inline constexpr FormDesign Form1Design {
    u"Morvane", 2985, 2340, { DesignFontFamily, 18.0, 400 },
    {{
        // name       id   button             the game's control           text                    left  top   width height font                                    tab shown  placement
        { "Command1", 101, Button::Command1, clicktest::Control::Command1, clicktest::IdleCaption, 0,    0,    3015, 1455, FontDesign{DesignFontFamily, 13.5, 400}, 0,  true,  TextPlacement::Centred },
        { "Command2", 102, Button::Command2, std::nullopt,                 u"RESET",               -120, 1440, 3135, 495,  std::nullopt,                            1,  true,  TextPlacement::Centred },
        { "Counter",  103, std::nullopt,     clicktest::Control::Counter,  u"0",                   3000, 480,  375,  495,  std::nullopt,                            2,  false, TextPlacement::Centred },
        { "Label1",   104, std::nullopt,     clicktest::Control::Label1,   u"RECORD: 4",           0,    1920, 3015, 495,  std::nullopt,                            3,  true,  TextPlacement::TopCentred },
    }},
    std::chrono::milliseconds { 10000 },
};
// clang-format on

// The game rates a run over its length; the timer that ends the run must last as long.
static_assert(Form1Design.timerInterval == std::chrono::duration<double>(clicktest::RunSeconds));

// What follows finds things in the table; none states a row or an order of its own.

// How many rows have `which` as their role `role`.
template <typename Role>
[[nodiscard]] constexpr std::size_t rowsWith(
    std::optional<Role> ControlDesign::*role, Role which) noexcept
{
    std::size_t count = 0;
    for (const ControlDesign& entry : Form1Design.controls) {
        count += entry.*role == which ? 1U : 0U;
    }
    return count;
}

// Every row is written out: one left out would be an unnamed control.
static_assert(std::none_of(Form1Design.controls.begin(), Form1Design.controls.end(),
    [](const ControlDesign& entry) { return entry.name.empty(); }));
// Each of the game's controls and buttons is made by exactly one row.
static_assert(rowsWith(&ControlDesign::control, clicktest::Control::Command1) == 1
    && rowsWith(&ControlDesign::control, clicktest::Control::Counter) == 1
    && rowsWith(&ControlDesign::control, clicktest::Control::Label1) == 1);
static_assert(rowsWith(&ControlDesign::button, Button::Command1) == 1
    && rowsWith(&ControlDesign::button, Button::Command2) == 1);

// The row whose role `role` is `which`. A role no row has cannot be found at compile time, and
// ends the program at run time; the assertions above leave none.
template <typename Role>
[[nodiscard]] constexpr std::size_t rowWith(
    std::optional<Role> ControlDesign::*role, Role which) noexcept
{
    for (std::size_t row = 0; row < ControlCount; ++row) {
        if (Form1Design.controls.at(row).*role == which) {
            return row;
        }
    }
    std::abort();
}

// The row that makes the game's control `which`.
[[nodiscard]] constexpr std::size_t rowOf(clicktest::Control which) noexcept
{
    return rowWith(&ControlDesign::control, which);
}

[[nodiscard]] constexpr std::size_t rowOf(Button which) noexcept
{
    return rowWith(&ControlDesign::button, which);
}

[[nodiscard]] constexpr const ControlDesign& designOf(Button which) noexcept
{
    return Form1Design.controls.at(rowOf(which));
}

// The button whose control number is `id`, if one has it.
[[nodiscard]] constexpr std::optional<Button> buttonWithId(int id) noexcept
{
    for (const ControlDesign& entry : Form1Design.controls) {
        if (entry.id == id) {
            return entry.button;
        }
    }
    return std::nullopt;
}

// The rows by tab index: the order Tab moves the focus in, and the stacking order from the top,
// so that where two controls overlap the one earlier in tab order is whole and takes the press.
[[nodiscard]] constexpr std::array<std::size_t, ControlCount> rowsInTabOrder() noexcept
{
    std::array<std::size_t, ControlCount> rows {};
    for (std::size_t row = 0; row < ControlCount; ++row) {
        std::size_t place = 0;
        for (const ControlDesign& other : Form1Design.controls) {
            place += other.tabIndex < Form1Design.controls.at(row).tabIndex ? 1U : 0U;
        }
        rows.at(place) = row;
    }
    return rows;
}

[[nodiscard]] constexpr std::size_t buttonCount() noexcept
{
    std::size_t count = 0;
    for (const ControlDesign& entry : Form1Design.controls) {
        count += entry.isButton() ? 1U : 0U;
    }
    return count;
}

// The buttons in tab order.
[[nodiscard]] constexpr std::array<Button, buttonCount()> buttonsInTabOrder() noexcept
{
    std::array<Button, buttonCount()> buttons {};
    std::size_t next = 0;
    for (const std::size_t row : rowsInTabOrder()) {
        if (const std::optional<Button> button = Form1Design.controls.at(row).button) {
            buttons.at(next++) = *button;
        }
    }
    return buttons;
}

enum class Arrow { Left, Up, Right, Down };

// Arrow keys only move the focus between the buttons, in tab order: Left and Up back, Right and
// Down on, wrapping round. They never press a button.
[[nodiscard]] constexpr Button focusAfter(Button focused, Arrow arrow) noexcept
{
    constexpr auto order = buttonsInTabOrder();
    std::size_t at = 0;
    while (at + 1 < order.size() && order.at(at) != focused) {
        ++at;
    }
    const bool back = arrow == Arrow::Left || arrow == Arrow::Up;
    return order.at((at + (back ? order.size() - 1 : 1)) % order.size());
}

} // namespace window
