#pragma once

#include "window/common/form1_design.h"
#include "window/win32/owned_handle.h"

#include <string>

namespace win32shell {

// The face the design's fonts are made in on this machine: the first of the design's face and
// its fallbacks that is installed and scales cleanly. The design's "MS Sans Serif" is a bitmap
// face on Windows, stretched and blocky at the window's sizes, so it is passed over there. Empty
// when none is installed: GDI then picks a proportional sans-serif face.
[[nodiscard]] std::wstring chooseDesignFace();

// `design` at `dpi` in `face`, sized in pixels so that text keeps its place in the layout.
// Throws std::runtime_error if GDI cannot make it.
[[nodiscard]] OwnedFont createDesignFont(
    const std::wstring& face, const window::FontDesign& design, int dpi);

} // namespace win32shell
