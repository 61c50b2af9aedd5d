#pragma once

#include "clicktest/controller.h"
#include "clicktest/number_text.h"
#include "window/common/error_boundary.h"
#include "window/common/form1_design.h"
#include "window/common/input_deadline.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace window {

// The two buttons the player can press.
enum class Button { Command1, Command2 };

// The row of the design table that makes each control; the one place that says which is which.
[[nodiscard]] constexpr std::size_t designRow(clicktest::Control which) noexcept
{
    switch (which) {
    case clicktest::Control::Command1:
        return 0;
    case clicktest::Control::Counter:
        return 2;
    case clicktest::Control::Label1:
        break;
    }
    return 3;
}

[[nodiscard]] constexpr std::size_t designRow(Button which) noexcept
{
    return which == Button::Command1 ? 0 : 1;
}

// The button a design row makes, if it makes one.
[[nodiscard]] constexpr std::optional<Button> buttonInRow(std::size_t row) noexcept
{
    switch (row) {
    case 0:
        return Button::Command1;
    case 1:
        return Button::Command2;
    default:
        return std::nullopt;
    }
}

[[nodiscard]] constexpr const ControlDesign& designOf(clicktest::Control which) noexcept
{
    return Form1Design.controls.at(designRow(which));
}

[[nodiscard]] constexpr const ControlDesign& designOf(Button which) noexcept
{
    return Form1Design.controls.at(designRow(which));
}

// The shown control a point of the client area (in twips) belongs to. Where two controls overlap
// the earlier row of the design is on top and takes the press, in every shell.
[[nodiscard]] constexpr std::optional<std::size_t> rowAt(int x, int y) noexcept
{
    for (std::size_t row = 0; row < Form1Design.controls.size(); ++row) {
        const ControlDesign& entry = Form1Design.controls.at(row);
        if (entry.shown && x >= entry.left && x < entry.left + entry.width && y >= entry.top
            && y < entry.top + entry.height) {
            return row;
        }
    }
    return std::nullopt;
}

enum class Arrow { Left, Up, Right, Down };

// Arrow keys only move the focus, in tab order: Left and Up back, Right and Down on, wrapping
// round. They never press a button.
[[nodiscard]] constexpr Button focusAfter(Button focused, Arrow arrow) noexcept
{
    constexpr std::array<Button, 2> tabOrder { Button::Command1, Button::Command2 };
    const std::size_t at = focused == Button::Command1 ? 0 : 1;
    const bool back = arrow == Arrow::Left || arrow == Arrow::Up;
    return tabOrder.at((at + (back ? tabOrder.size() - 1 : 1)) % tabOrder.size());
}

// What a shell does with its own controls, raw: the game's view operations, plus the error box
// and the end of the event loop. The session guards every call.
class ShellControls : public clicktest::ClickTestView {
public:
    // Modal, with an error icon; returns once the player has dismissed it.
    virtual void showFailure(const std::string& reason) = 0;
    // Ends the event loop, so that the program exits with `status`.
    virtual void quit(int status) noexcept = 0;
};

// One game in one window, the same for every shell: the controller behind the error boundary,
// and the rules of delivery. A shell forwards its window's load, presses, ticks and close
// requests here and does nothing else with them.
class GameSession final : private clicktest::ClickTestView {
public:
    GameSession(ShellControls& shell, clicktest::NumberFormat format);

    void load() noexcept;
    // Dropped while a box is open, whatever sent it: the boxes are modal to the whole window.
    // A press counts by its input time, the window system's stamp, where it has one: a press
    // stamped at or past the run's end comes after the tick, however early the timer would
    // come. One without (an accessibility action) counts by when it is handled.
    void press(Button which, std::optional<InputTime> at = std::nullopt) noexcept;
    // Delivered even under a box; the game is built for that. A shell delivers first every
    // press already stamped, so the timer never cuts off one made in time.
    void tick() noexcept;

    // Whether a request to close the window may be granted now. Not while a box is open: the
    // handler below it is still running.
    [[nodiscard]] bool mayClose() const noexcept { return !m_boxOpen; }
    [[nodiscard]] bool isBoxOpen() const noexcept { return m_boxOpen; }
    // True once an error has ended the game; nothing more is shown or counted.
    [[nodiscard]] bool hasFailed() const noexcept { return m_boundary.hasFailed(); }

private:
    [[nodiscard]] clicktest::Text GetText(clicktest::Control which) const override;
    void SetText(clicktest::Control which, std::u16string_view text) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowMessage(std::u16string_view prompt) override;

    void reportFailure(const std::string& reason) noexcept;

    ShellControls& m_shell;
    bool m_boxOpen = false;
    InputDeadline m_runEnd;
    std::optional<InputTime> m_pressTime;
    ErrorBoundary m_boundary;
    clicktest::Controller m_controller;
};

} // namespace window
