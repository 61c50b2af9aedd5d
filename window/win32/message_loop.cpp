#include "window/win32/message_loop.h"

namespace win32shell {
namespace {

// Bit 30 of a key message: the key was already down, so this is the keyboard's auto-repeat.
constexpr LPARAM KeyWasDown = LPARAM { 1 } << 30;

bool isRepeatedReturn(HWND form, const MSG& message) noexcept
{
    return message.message == WM_KEYDOWN && message.wParam == VK_RETURN
        && (message.lParam & KeyWasDown) != 0
        && (message.hwnd == form || IsChild(form, message.hwnd) != FALSE);
}

bool isArrowForTheWindow(HWND form, const MSG& message) noexcept
{
    const bool arrow = message.wParam == VK_LEFT || message.wParam == VK_UP
        || message.wParam == VK_RIGHT || message.wParam == VK_DOWN;
    return message.message == WM_KEYDOWN && arrow && IsChild(form, message.hwnd) != FALSE;
}

} // namespace

bool filterMessage(HWND form, MSG& message) noexcept
{
    if (isRepeatedReturn(form, message)) {
        return true;
    }
    // The window moves the focus on arrows itself: the dialog manager's way differs between
    // Windows and Wine.
    if (isArrowForTheWindow(form, message)) {
        SendMessageW(form, message.message, message.wParam, message.lParam);
        return true;
    }
    return IsDialogMessageW(form, &message) != FALSE;
}

int runMessageLoop(HWND form) noexcept
{
    MSG message {};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(message.wParam);
        }
        if (got == -1) {
            return 1; // the queue itself failed; nothing more can be shown
        }
        if (!filterMessage(form, message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

} // namespace win32shell
