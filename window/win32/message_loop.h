#pragma once

#include <windows.h>

namespace win32shell {

// What the game's loop does with a message before dispatching it: the dialog manager's keys
// for `form` (Tab and Shift+Tab between the buttons). Arrows and Return go to the window, which
// moves the focus or presses the focused button. True
// when the message is dealt with and must not be translated or dispatched. The tests' own loops
// call it too.
[[nodiscard]] bool filterMessage(HWND form, MSG& message) noexcept;

// Runs the thread's messages until WM_QUIT and returns its exit status.
[[nodiscard]] int runMessageLoop(HWND form) noexcept;

} // namespace win32shell
