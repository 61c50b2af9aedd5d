#pragma once

#include "clicktest/number_text.h"
#include "window/common/form1_design.h"
#include "window/common/game_session.h"
#include "window/win32/dpi.h"
#include "window/win32/owned_handle.h"
#include "window/win32/run_timer.h"

#include <windows.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace win32shell {

// Other programs and the tests find the game's window by this class and its title, and each
// control by its number in the design.
inline constexpr const wchar_t* Form1ClassName = L"Morvane.Form1";

// The run timer's id among the window's timers.
inline constexpr UINT_PTR RunTimerId = 1;

// The game's window. It makes its controls from the design, shows what the game session tells it
// to, and hands every press, tick and close request to the session; it holds no rule of the game.
class Form1 final : private window::ShellControls {
public:
    // Once per process, before the first window; false (with the system's error) if it failed.
    static bool registerClass(HINSTANCE instance) noexcept;

    // Makes the window, hidden, with its controls, scaled with the system's `dpiFunctions`, and
    // loads the game. Throws Win32Error if the system cannot make it.
    Form1(HINSTANCE instance, clicktest::NumberFormat format, const DpiFunctions& dpiFunctions);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;
    Form1(Form1&&) = delete;
    Form1& operator=(Form1&&) = delete;
    ~Form1() override = default;

    [[nodiscard]] HWND handle() const noexcept { return m_window.get(); }

private:
    // Destroying the window this way is the object going away, not the player closing it, so the
    // window is cut loose first and its destruction ends no message loop.
    struct WindowDestroyer {
        void operator()(HWND window) const noexcept;
    };
    using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

    [[nodiscard]] clicktest::Text text(clicktest::Control which) const override;
    void setText(clicktest::Control which, std::u16string_view text) override;
    void startTicks(std::chrono::milliseconds interval) override;
    void stopTicks() override;
    void showMessage(std::u16string_view prompt) override;
    void showFailure(std::string_view reason) override;
    void quit(int status) noexcept override;

    static LRESULT CALLBACK windowProcedure(
        HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    void onActivate(WPARAM wParam) noexcept;
    void onSetFocus() noexcept;
    void onCommand(WPARAM wParam) noexcept;
    void onKeyDown(WPARAM wParam, LPARAM lParam) noexcept;
    [[nodiscard]] LRESULT onGetDefaultId() const noexcept;
    void onTimer(WPARAM id) noexcept;
    void onDpiChanged(WPARAM wParam, LPARAM lParam) noexcept;
    void onDestroy() noexcept;

    void createControls(HINSTANCE instance);
    // Places the window's controls and gives them their fonts at `dpi`.
    void layOut(int dpi);
    void centreOnWorkArea(int dpi) const noexcept;
    [[nodiscard]] HWND button(window::Button which) const noexcept;

    window::GameSession m_session;
    DpiFunctions m_dpi;
    std::wstring m_face;
    std::array<OwnedFont, window::ControlCount> m_fonts; // each control's, by design row
    OwnedWindow m_window; // after the fonts, so it is gone before them
    std::array<HWND, window::ControlCount> m_controls {}; // by design row
    HWND m_focus = nullptr; // the control to give the focus back to when the window is active
    std::unique_ptr<RunTimer> m_timer1; // last: stopped before the window goes
};

} // namespace win32shell
