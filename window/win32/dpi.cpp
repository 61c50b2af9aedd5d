#include "window/win32/dpi.h"

#include "window/common/form1_design.h"
#include "window/win32/system_library.h"

namespace win32shell {
namespace {

constexpr int EffectiveDpi = 0; // MDT_EFFECTIVE_DPI
// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, a fixed handle value.
// NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast, performance-no-int-to-ptr)
const HANDLE PerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));

int systemDpi() noexcept
{
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return window::DesignDpi;
    }
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : window::DesignDpi;
}

DpiFunctions lookUp() noexcept
{
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    DpiFunctions found;
    found.getDpiForWindow
        = moduleFunction<DpiFunctions::GetDpiForWindow>(user32, "GetDpiForWindow");
    found.adjustWindowRectExForDpi = moduleFunction<DpiFunctions::AdjustWindowRectExForDpi>(
        user32, "AdjustWindowRectExForDpi");
    found.getDpiForMonitor = moduleFunction<DpiFunctions::GetDpiForMonitor>(
        loadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor");
    found.getWindowDpiAwarenessContext = moduleFunction<DpiFunctions::GetWindowDpiAwarenessContext>(
        user32, "GetWindowDpiAwarenessContext");
    found.areDpiAwarenessContextsEqual = moduleFunction<DpiFunctions::AreDpiAwarenessContextsEqual>(
        user32, "AreDpiAwarenessContextsEqual");
    return found;
}

} // namespace

const DpiFunctions& DpiFunctions::system() noexcept
{
    static const DpiFunctions functions = lookUp();
    return functions;
}

int windowDpi(HWND window, const DpiFunctions& functions) noexcept
{
    if (functions.getDpiForWindow != nullptr) {
        const UINT dpi = functions.getDpiForWindow(window);
        if (dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    if (functions.getDpiForMonitor != nullptr) {
        UINT dpiX = 0;
        UINT dpiY = 0;
        const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
        if (SUCCEEDED(functions.getDpiForMonitor(monitor, EffectiveDpi, &dpiX, &dpiY))
            && dpiY != 0) {
            return static_cast<int>(dpiY);
        }
    }
    return systemDpi();
}

bool scalesFrame(HWND window, const DpiFunctions& functions) noexcept
{
    return functions.getWindowDpiAwarenessContext != nullptr
        && functions.areDpiAwarenessContextsEqual != nullptr
        && functions.areDpiAwarenessContextsEqual(
               functions.getWindowDpiAwarenessContext(window), PerMonitorAwareV2)
        != FALSE;
}

RECT windowRectForClient(HWND window, RECT client, DWORD style, DWORD exStyle, int dpi,
    const DpiFunctions& functions) noexcept
{
    RECT rect = client;
    // A frame the system does not scale keeps the size it has at the system's DPI.
    if (functions.adjustWindowRectExForDpi != nullptr && scalesFrame(window, functions)
        && functions.adjustWindowRectExForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))
            != FALSE) {
        return rect;
    }
    rect = client;
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return rect;
}

} // namespace win32shell
