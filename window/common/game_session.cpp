#include "window/common/game_session.h"

#include <exception>
#include <utility>

namespace window {
namespace {

// Marks a box as open for as long as it is shown, however the showing ends; a box over another
// leaves the one below still open.
class OpenBox {
public:
    explicit OpenBox(bool& open) noexcept
        : m_open(open)
        , m_wasOpen(std::exchange(open, true))
    {
    }
    OpenBox(const OpenBox&) = delete;
    OpenBox& operator=(const OpenBox&) = delete;
    OpenBox(OpenBox&&) = delete;
    OpenBox& operator=(OpenBox&&) = delete;
    ~OpenBox() { m_open = m_wasOpen; }

private:
    bool& m_open;
    bool m_wasOpen;
};

// Every tick after the first only repeats the first, so one interval serves them all.
constexpr std::chrono::milliseconds TickInterval = Form1Design.timerInterval + InputGrace;

} // namespace

GameSession::GameSession(ShellControls& shell, clicktest::NumberFormat format,
    std::chrono::microseconds stampStep, Now now)
    : m_shell(shell)
    , m_now(now)
    , m_runEnd(Form1Design.timerInterval, stampStep)
    , m_controller(*this, format)
{
}

void GameSession::load() noexcept
{
    deliver([this] { m_controller.Form_Load(); });
}

void GameSession::press(Button which, PressInput input) noexcept
{
    if (m_boxOpen || input.autoRepeat) {
        return;
    }
    const RunEnd::Clock::time_point handled = m_now();
    if (m_runEnd.hasPassed(input.stamp, handled)) {
        tick();
    }
    m_pressStamp = input.stamp;
    m_pressHandled = handled;
    deliver([this, which] {
        if (which == Button::Command1) {
            m_controller.Command1_Click();
        } else {
            m_controller.Command2_Click();
        }
    });
    m_pressStamp.reset();
}

void GameSession::tick() noexcept
{
    // One the platform had already queued when the timer stopped belongs to no run.
    if (!m_ticking) {
        return;
    }
    m_runEnd.clear();
    deliver([this] { m_controller.Timer1_Timer(); });
}

template <typename Handler> void GameSession::deliver(Handler&& handler) noexcept
{
    if (m_failed) {
        return;
    }
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        fail(error.what());
    } catch (...) {
        fail(UnexpectedError);
    }
}

void GameSession::refuseAfterFailure() const
{
    if (m_failed) {
        throw clicktest::ControlError("The program is ending after an error");
    }
}

void GameSession::fail(std::string_view reason) noexcept
{
    if (m_failed) {
        return; // a handler unwinding after the first error
    }
    m_failed = true;
    try {
        m_shell.stopTicks();
    } catch (...) {
        // The timer is the shell's; a tick after this finds the game failed and does nothing.
    }
    try {
        const OpenBox open(m_boxOpen);
        m_shell.showFailure(reason);
    } catch (...) {
        // The box could not be shown; the program still ends with the failure's status.
    }
    // Only now: a quit before the box would close it unseen.
    m_shell.quit(1);
}

clicktest::Text GameSession::GetText(clicktest::Control which) const
{
    refuseAfterFailure();
    return m_shell.text(which);
}

void GameSession::SetText(clicktest::Control which, std::u16string_view text)
{
    refuseAfterFailure();
    m_shell.setText(which, text);
}

void GameSession::SetTimerEnabled(bool enabled)
{
    refuseAfterFailure();
    // The press that starts the run starts it at its own times.
    if (enabled) {
        m_shell.startTicks(TickInterval);
        m_runEnd.start(m_pressStamp, m_pressHandled);
    } else {
        m_shell.stopTicks();
        m_runEnd.clear();
    }
    m_ticking = enabled;
}

void GameSession::ShowMessage(std::u16string_view prompt)
{
    refuseAfterFailure();
    const OpenBox open(m_boxOpen);
    m_shell.showMessage(prompt);
}

} // namespace window
