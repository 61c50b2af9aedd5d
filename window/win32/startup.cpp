#include "window/win32/startup.h"

#include "window/common/game_session.h"
#include "window/win32/dpi.h"
#include "window/win32/form1.h"
#include "window/win32/message_loop.h"
#include "window/win32/wide_text.h"
#include "window/win32/win32_error.h"

#include <array>
#include <exception>
#include <string>

namespace win32shell {
namespace {

// Says why the game could not start; `reason` is UTF-8, as every error reason is.
void showStartupError(std::string_view reason) noexcept
{
    try {
        const std::wstring text
            = L"The game's window could not be opened.\n\n" + wideFromUtf8(reason);
        MessageBoxW(nullptr, text.c_str(), toWide(window::Form1Design.caption).c_str(),
            MB_OK | MB_ICONERROR);
    } catch (...) {
        // No memory even for the text: the status still says the game did not start.
    }
}

} // namespace

clicktest::NumberFormat userNumberFormat() noexcept
{
    // The separator and its terminating null; anything longer cannot be one character.
    std::array<wchar_t, 4> separator {};
    const int written = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator.data(),
        static_cast<int>(separator.size()));
    if (written != 2) {
        return {};
    }
    return { static_cast<char16_t>(separator[0]) };
}

int runGame(HINSTANCE instance, int showCommand) noexcept
{
    try {
        if (!Form1::registerClass(instance)) {
            throw lastWin32Error("The window class could not be registered");
        }
        Form1 form(instance, userNumberFormat(), DpiFunctions::system());
        ShowWindow(form.handle(), showCommand);
        UpdateWindow(form.handle());
        return runMessageLoop(form.handle());
    } catch (const std::exception& error) {
        showStartupError(error.what());
    } catch (...) {
        showStartupError(window::UnexpectedError);
    }
    return 1;
}

} // namespace win32shell
