#pragma once

#include "clicktest/controller.h"
#include "window/common/form1_design.h"
#include "window/common/game_session.h"
#include "window/win32/dpi.h"
#include "window/win32/owned_handle.h"
#include "window/win32/precise_timer.h"

#include <windows.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace win32shell {

// Other programs and the tests find the game's window by this class and its title.
inline constexpr const wchar_t* Form1ClassName = L"Morvane.Form1";

// The tick message the run timer posts to the window; wParam is the tick's generation.
inline constexpr UINT TickMessage = WM_APP + 1;

// The game's window. It shows what the game tells it to and hands every press, tick and close
// request to the game session; it holds no rule of the game.
class Form1 final : public window::ShellControls {
public:
    // Once per process, before the first window; false (with the system's error) if it failed.
    static bool registerClass(HINSTANCE instance) noexcept;

    // Makes the window, hidden, with its controls, and loads the game. Throws Win32Error if the
    // system cannot make it. The run lasts `timerInterval`, and the window scales with
    // `dpiFunctions`; only tests choose others.
    Form1(HINSTANCE instance, clicktest::NumberFormat format,
        std::chrono::milliseconds timerInterval = window::Form1Design.timerInterval,
        const DpiFunctions& dpiFunctions = DpiFunctions::system());
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;
    Form1(Form1&&) = delete;
    Form1& operator=(Form1&&) = delete;
    ~Form1() override = default;

    [[nodiscard]] HWND handle() const noexcept { return m_window.get(); }
    // The child window made from the design entry named `name`, or null.
    [[nodiscard]] HWND control(std::string_view name) const noexcept;

    [[nodiscard]] bool isTimerEnabled() const noexcept { return m_timer1->isEnabled(); }
    // True once an error has ended the game; nothing more is shown or counted.
    [[nodiscard]] bool hasFailed() const noexcept { return m_session.hasFailed(); }

    [[nodiscard]] clicktest::Text GetText(clicktest::Control which) const override;
    void SetText(clicktest::Control which, std::u16string_view text) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowMessage(std::u16string_view prompt) override;
    void showFailure(const std::string& reason) override;
    void quit(int status) noexcept override;

private:
    // Destroying the window this way is the object going away, not the player closing it, so the
    // window is cut loose first and its destruction ends no message loop.
    struct WindowDestroyer {
        void operator()(HWND window) const noexcept;
    };
    using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
    static constexpr std::size_t ControlCount = window::Form1Design.controls.size();

    static LRESULT CALLBACK windowProcedure(
        HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    void onActivate(WPARAM wParam) noexcept;
    void onSetFocus() noexcept;
    void onCommand(WPARAM wParam) noexcept;
    void onKeyDown(WPARAM virtualKey) noexcept;
    [[nodiscard]] LRESULT onGetDefaultId() const noexcept;
    void onTick(WPARAM generation) noexcept;
    void onDpiChanged(WPARAM wParam, LPARAM lParam) noexcept;
    void onDestroy() noexcept;

    void createControls(HINSTANCE instance);
    // Places the window's controls and gives them their fonts at `dpi`.
    void layOut(int dpi);
    void centreOnWorkArea(int dpi) const noexcept;
    [[nodiscard]] HWND controlFor(clicktest::Control which) const;

    window::GameSession m_session;
    DpiFunctions m_dpi;
    std::wstring m_face;
    std::array<OwnedFont, ControlCount> m_fonts; // each control's, in the design's order
    OwnedWindow m_window; // after the fonts, so it is gone before them
    std::array<HWND, ControlCount> m_controls {};
    HWND m_focus = nullptr; // the control to give the focus back to when the window is active
    std::unique_ptr<PreciseTimer> m_timer1; // last: stopped before the window goes
};

} // namespace win32shell
