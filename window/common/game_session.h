#pragma once

#include "clicktest/controller.h"
#include "clicktest/number_text.h"
#include "window/common/form1_design.h"
#include "window/common/run_end.h"

#include <chrono>
#include <optional>
#include <string_view>

namespace window {

// What a shell does with its own window, raw. Only the session calls these, and it guards every
// call; any of them may throw when the platform refuses (clicktest::ControlError, say).
class ShellControls {
public:
    ShellControls() = default;
    ShellControls(const ShellControls&) = delete;
    ShellControls& operator=(const ShellControls&) = delete;
    ShellControls(ShellControls&&) = delete;
    ShellControls& operator=(ShellControls&&) = delete;
    virtual ~ShellControls() = default;

    // The text of the control the design makes for `which`.
    [[nodiscard]] virtual clicktest::Text text(clicktest::Control which) const = 0;
    // Shown at once.
    virtual void setText(clicktest::Control which, std::u16string_view text) = 0;
    // A plain platform timer: a tick about every `interval`, the first about `interval` from now.
    // Late is harmless, and the session's interval leaves room for a timer that wakes a step of
    // its clock early. Started again, it starts afresh.
    virtual void startTicks(std::chrono::milliseconds interval) = 0;
    virtual void stopTicks() = 0;
    // Modal to the window, with the prompt, OK alone and no icon; returns once dismissed.
    virtual void showMessage(std::u16string_view prompt) = 0;
    // Modal, with `reason` (UTF-8) and an error icon; returns once dismissed. A platform that
    // waits for one box at a time (a page) returns at once when the failure comes under a box
    // still waiting; the session shows and counts nothing after it either way.
    virtual void showFailure(std::string_view reason) = 0;
    // Ends the program with `status`, now or as soon as the event loop runs. A page, which cannot
    // close itself, takes no more input instead.
    virtual void quit(int status) noexcept = 0;
};

// How a press reached the window.
struct PressInput {
    // The window system's time of the input that made the press, where it has one. A press
    // without (an accessibility action, a message sent by another program) has none.
    std::optional<InputTime> stamp;
    // Made by a held key's auto-repeat, which is never a press: a held key presses once.
    bool autoRepeat = false;
};

// The reason given for a failure that is no std::exception.
inline constexpr std::string_view UnexpectedError = "An unexpected error occurred.";

// One game in one window, the same for every shell: the game's view over the shell's controls,
// the error policy at the event loop's edge, and the rules of delivery. A shell forwards its
// window's load, presses, ticks and close requests here and does nothing else with them.
//
// The error policy: an error never leaves an event handler, so never crosses the platform's event
// loop. The first one stops the timer, is shown once in the shell's failure box, and then ends the
// program with status 1; from then on no handler runs and every view call is refused, so nothing
// is counted or shown after it, not even by a handler still on the stack below the box.
class GameSession final : private clicktest::ClickTestView {
public:
    // The clock that says when a press was handled.
    using Now = RunEnd::Clock::time_point (*)() noexcept;

    // `stampStep`: how much later than its stamp a press may have been made, beyond the
    // millisecond; zero where the window system's stamps are exact. `now`: a platform's own
    // monotonic clock may stand in for the standard library's.
    GameSession(ShellControls& shell, clicktest::NumberFormat format,
        std::chrono::microseconds stampStep = std::chrono::microseconds::zero(),
        Now now = &RunEnd::Clock::now);

    void load() noexcept;
    // Dropped while a box is open, whatever sent it: the boxes are modal to the whole window. A
    // stamped press made at or past the run's end comes after the run's tick, which it brings at
    // once if the timer has not yet; one without a stamp counts by when it is handled.
    void press(Button which, PressInput input = {}) noexcept;
    // The run's timer. Delivered even under a box; the game is built for that. The session
    // starts the timer so that a run's first tick comes only once no press stamped in time can
    // still be on its way: the run's length plus the input grace.
    void tick() noexcept;

    // Whether a request to close the window may be granted now: not while a box is open, since
    // the handler below it is still running.
    [[nodiscard]] bool mayClose() const noexcept { return !m_boxOpen; }

private:
    [[nodiscard]] clicktest::Text GetText(clicktest::Control which) const override;
    void SetText(clicktest::Control which, std::u16string_view text) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowMessage(std::u16string_view prompt) override;

    // Runs one event handler, unless the program is already ending.
    template <typename Handler> void deliver(Handler&& handler) noexcept;
    void refuseAfterFailure() const;
    void fail(std::string_view reason) noexcept;

    ShellControls& m_shell;
    Now m_now;
    bool m_boxOpen = false;
    bool m_failed = false;
    bool m_ticking = false;
    RunEnd m_runEnd;
    // The press being handled: a run it starts starts at its times.
    std::optional<InputTime> m_pressStamp;
    RunEnd::Clock::time_point m_pressHandled;
    clicktest::Controller m_controller;
};

} // namespace window
