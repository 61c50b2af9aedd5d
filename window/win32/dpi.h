#pragma once

#include <windows.h>

namespace win32shell {

// The system's scaling functions the program uses where they exist. Each newer one is looked up
// when the program runs, not imported, so the game still starts on systems without it; tests
// leave some out to take the older systems' way.
struct DpiFunctions {
    // Windows 10 1607 and later.
    using GetDpiForWindow = UINT(WINAPI*)(HWND);
    using AdjustWindowRectExForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    // Windows 8.1 and later, in shcore.dll; the second argument is MDT_EFFECTIVE_DPI (0).
    using GetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    // Windows 10 1607 and later; the context is an opaque handle.
    using GetWindowDpiAwarenessContext = HANDLE(WINAPI*)(HWND);
    using AreDpiAwarenessContextsEqual = BOOL(WINAPI*)(HANDLE, HANDLE);

    GetDpiForWindow getDpiForWindow = nullptr;
    AdjustWindowRectExForDpi adjustWindowRectExForDpi = nullptr;
    GetDpiForMonitor getDpiForMonitor = nullptr;
    GetWindowDpiAwarenessContext getWindowDpiAwarenessContext = nullptr;
    AreDpiAwarenessContextsEqual areDpiAwarenessContextsEqual = nullptr;

    // Those this system has.
    [[nodiscard]] static const DpiFunctions& system() noexcept;
};

// The dots per inch `window` is drawn at: its monitor's where the system scales per monitor
// (Windows 8.1 and later; the program is per-monitor aware), the system's before.
[[nodiscard]] int windowDpi(HWND window, const DpiFunctions& functions) noexcept;

// Whether the system scales the window's frame along with its DPI (per-monitor awareness v2,
// Windows 10 1703 and later). Before that only the client area is the program's to scale.
[[nodiscard]] bool scalesFrame(HWND window, const DpiFunctions& functions) noexcept;

// The window rectangle around `client` for `window`, which has these styles, drawn at `dpi`.
[[nodiscard]] RECT windowRectForClient(HWND window, RECT client, DWORD style, DWORD exStyle,
    int dpi, const DpiFunctions& functions) noexcept;

} // namespace win32shell
