#pragma once

#include "clicktest/controller.h"
#include "clicktest/number_text.h"

#include <array>
#include <chrono>
#include <cstdint>
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

enum class ControlKind { PushButton, Label };

// How a label's text sits: the record label hangs past the window's bottom edge, so its
// text is set against the top to stay whole.
enum class TextPlacement { Centred, TopCentred };

struct ControlDesign {
    std::string_view name;
    int id; // the control's number, for shells that address controls by one
    ControlKind kind;
    std::u16string_view text;
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
    std::u16string_view caption;
    int clientWidth;
    int clientHeight;
    FontDesign font;
    std::array<ControlDesign, 4> controls;
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
        // name       id   kind                     text                    left  top   width height font                                  tab shown  placement
        { "Command1", 101, ControlKind::PushButton, clicktest::IdleCaption, 0,    0,    3015, 1455, FontDesign{DesignFontFamily, 13.5, 400}, 0, true,  TextPlacement::Centred },
        { "Command2", 102, ControlKind::PushButton, u"RESET",               -120, 1440, 3135, 495,  std::nullopt,                          1,   true,  TextPlacement::Centred },
        { "Counter",  103, ControlKind::Label,      u"0",                   3000, 480,  375,  495,  std::nullopt,                          2,   false, TextPlacement::Centred },
        { "Label1",   104, ControlKind::Label,      u"RECORD: 4",           0,    1920, 3015, 495,  std::nullopt,                          3,   true,  TextPlacement::TopCentred },
    }},
    std::chrono::milliseconds { 10000 },
};
// clang-format on

} // namespace window
