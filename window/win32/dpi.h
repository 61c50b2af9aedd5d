#pragma once

#include <windows.h>

namespace win32shell {

// The dots per inch `window` is drawn at: its monitor's on Windows 10 and later (the program is
// per-monitor aware), the system's before.
[[nodiscard]] int windowDpi(HWND window) noexcept;

// The window rectangle around `client` for a window of these styles drawn at `dpi`.
[[nodiscard]] RECT windowRectForClient(RECT client, DWORD style, DWORD exStyle, int dpi) noexcept;

} // namespace win32shell
