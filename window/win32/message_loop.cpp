#include "window/win32/message_loop.h"

namespace win32shell {
namespace {

bool isKeyForTheWindow(HWND form, const MSG& message) noexcept
{
    const bool key = message.wParam == VK_LEFT || message.wParam == VK_UP
        || message.wParam == VK_RIGHT || message.wParam == VK_DOWN || message.wParam == VK_RETURN;
    return message.message == WM_KEYDOWN && key && IsChild(form, message.hwnd) != FALSE;
}

} // namespace

bool filterMessage(HWND form, MSG& message) noexcept
{
    // The window moves the focus on arrows itself, the dialog manager's way differing between
    // Windows and Wine, and presses the focused button on Return with the key's own repeat flag.
    if (isKeyForTheWindow(form, message)) {
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
