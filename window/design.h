#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string_view>

namespace window {

// The window as it was drawn: lengths in twips (1440 to the inch), fonts in points.
// Everything the window shows at start comes from here; no control is placed in code.

inline constexpr int TwipsPerPixel = 15; // at 96 dots per inch

[[nodiscard]] constexpr int pixels(int twips) noexcept
{
    return twips / TwipsPerPixel;
}
// Fonts are sized in pixels so that text keeps its place in the pixel-exact layout.
[[nodiscard]] constexpr int fontPixels(double points) noexcept
{
    const double exact = points * 96.0 / 72.0;
    const auto whole = static_cast<int>(exact);
    return exact - whole >= 0.5 ? whole + 1 : whole;
}

struct FontDesign {
    std::string_view family;
    double points;
    int weight; // 400 is regular
};

enum class ControlKind { PushButton, Label };

// How a label's text sits: the record label hangs past the window's bottom edge, so its
// text is set against the top to stay whole.
enum class TextPlacement { Centred, TopCentred };

struct ControlDesign {
    std::string_view name;
    ControlKind kind;
    std::string_view text;
    int left;
    int top;
    int width;
    int height;
    std::optional<FontDesign> font; // none: the window's font
    int tabIndex;
    bool shown; // the marker holds state only and is never seen
    TextPlacement placement;
};

struct FormDesign {
    std::string_view caption;
    int clientWidth;
    int clientHeight;
    FontDesign font;
    std::array<ControlDesign, 4> controls;
    std::chrono::milliseconds timerInterval;
};

// Drawn for the original platform's "MS Sans Serif"; startup maps it to an installed face.
inline constexpr std::string_view DesignFontFamily = "MS Sans Serif";

// clang-format off
inline constexpr FormDesign Form1Design {
    "Morvane", 2985, 2340, { DesignFontFamily, 18.0, 400 },
    {{
        // name        kind                     text                left  top   width height font                              tab shown  placement
        { "Command1", ControlKind::PushButton, "NUMBER OF CLICKS", 0,    0,    3015, 1455, FontDesign{DesignFontFamily, 13.5, 400}, 0, true,  TextPlacement::Centred },
        { "Command2", ControlKind::PushButton, "RESET",            -120, 1440, 3135, 495,  std::nullopt,                      1,   true,  TextPlacement::Centred },
        { "Counter",  ControlKind::Label,      "0",                3000, 480,  375,  495,  std::nullopt,                      2,   false, TextPlacement::Centred },
        { "Label1",   ControlKind::Label,      "RECORD: 4",        0,    1920, 3015, 495,  std::nullopt,                      3,   true,  TextPlacement::TopCentred },
    }},
    std::chrono::milliseconds { 10000 },
};
// clang-format on

} // namespace window
