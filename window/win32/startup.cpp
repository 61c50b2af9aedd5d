#include "window/win32/startup.h"

#include "window/common/game_session.h"
#include "window/common/number_format.h"
#include "window/win32/dpi.h"
#include "window/win32/form1.h"
#include "window/win32/message_loop.h"
#include "window/win32/wide_text.h"
#include "window/win32/win32_error.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

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
    // Room for a short separator and its terminating null; a longer one does not fit, and then
    // nothing is written.
    std::array<wchar_t, 4> separator {};
    const int written = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator.data(),
        static_cast<int>(separator.size()));
    std::array<char16_t, separator.size()> units {};
    std::copy(separator.begin(), separator.end(), units.begin());
    const auto length = static_cast<std::size_t>(written > 0 ? written - 1 : 0);
    return window::numberFormatWithSeparator(std::u16string_view(units.data(), length));
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
