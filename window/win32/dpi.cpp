#include "window/win32/dpi.h"

#include "window/common/form1_design.h"

namespace win32shell {
namespace {

// Windows 10's per-monitor functions are looked up, not imported, so the program still starts
// on Windows 7 and 8, which lack them.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename Function> Function user32Function(const char* name) noexcept
{
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) {
        return nullptr;
    }
    // GetProcAddress returns every function under one type; going through void(*)() is the cast
    // the compiler accepts between function types.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

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

} // namespace

int windowDpi(HWND window) noexcept
{
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    return systemDpi();
}

RECT windowRectForClient(RECT client, DWORD style, DWORD exStyle, int dpi) noexcept
{
    static const auto adjustForDpi
        = user32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    RECT rect = client;
    if (adjustForDpi == nullptr
        || adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)) == FALSE) {
        rect = client;
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return rect;
}

} // namespace win32shell
