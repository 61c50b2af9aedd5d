#pragma once

#include "clicktest/number_text.h"

class QIcon;
class QLocale;

namespace qtshell {

// The user's way of writing numbers, chosen once for the whole run.
[[nodiscard]] clicktest::NumberFormat numberFormatFor(const QLocale& locale);

// Faces close to the design's font, in order of preference, installed with the program.
void substituteDesignFont();

// The program's name (the window's caption) and version, as the desktop shows them.
void identifyApplication();

// The game's icon in the two sizes it is drawn for; the window and every box carry it. Needs the
// application object.
[[nodiscard]] QIcon applicationIcon();

// Starts the application, shows the game and runs it until the window is closed. Returns the
// process's exit status: 0 after a normal close, 1 when no window could be opened or the game
// ended on an error.
[[nodiscard]] int runGame(int& argc, char** argv);

} // namespace qtshell
