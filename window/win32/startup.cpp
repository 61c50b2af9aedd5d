#include "window/win32/startup.h"

#include "window/win32/form1.h"
#include "window/win32/message_loop.h"
#include "window/win32/wide_text.h"

#include <array>
#include <optional>
#include <string>
#include <system_error>

namespace win32shell {
namespace {

// Says why the game could not start, in the system's words for `error`.
void showStartupError(DWORD error, const std::wstring& detail)
{
    std::wstring text = L"The game's window could not be opened.";
    std::array<wchar_t, 512> reason {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reason.data(), static_cast<DWORD>(reason.size()), nullptr);
    if (length > 0) {
        text += L"\n\n";
        text.append(reason.data(), length);
    } else if (!detail.empty()) {
        text += L"\n\n" + detail;
    }
    MessageBoxW(
        nullptr, text.c_str(), toWide(window::Form1Design.caption).c_str(), MB_OK | MB_ICONERROR);
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

int runGame(HINSTANCE instance, int showCommand)
{
    if (!Form1::registerClass(instance)) {
        showStartupError(GetLastError(), {});
        return 1;
    }
    std::optional<Form1> form;
    try {
        form.emplace(instance, userNumberFormat());
    } catch (const std::system_error& error) {
        showStartupError(static_cast<DWORD>(error.code().value()), wideFromUtf8(error.what()));
        return 1;
    }
    // An error while the game was loading has been reported already; there is nothing to run.
    if (form->hasFailed()) {
        return 1;
    }
    ShowWindow(form->handle(), showCommand);
    UpdateWindow(form->handle());
    return runMessageLoop(form->handle());
}

} // namespace win32shell
