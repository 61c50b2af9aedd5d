#pragma once

#include "clicktest/number_text.h"

#include <windows.h>

namespace win32shell {

// The user's way of writing numbers, chosen once for the whole run.
[[nodiscard]] clicktest::NumberFormat userNumberFormat() noexcept;

// Shows the game and runs it until the window is closed. Returns the process's exit status: 0
// after a normal close, 1 when no window could be made (said in a box) or the game ended on an
// error.
[[nodiscard]] int runGame(HINSTANCE instance, int showCommand) noexcept;

} // namespace win32shell
