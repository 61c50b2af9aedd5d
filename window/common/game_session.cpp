#include "window/common/game_session.h"

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

} // namespace

GameSession::GameSession(ShellControls& shell, clicktest::NumberFormat format)
    : m_shell(shell)
    , m_runEnd(static_cast<std::int32_t>(Form1Design.timerInterval.count()))
    , m_boundary([this](const std::string& reason) { reportFailure(reason); })
    , m_controller(*this, format)
{
}

void GameSession::load() noexcept
{
    m_boundary.deliver([this] { m_controller.Form_Load(); });
}

void GameSession::press(Button which, std::optional<InputTime> at) noexcept
{
    if (m_boxOpen) {
        return;
    }
    if (at && m_runEnd.hasPassed(*at)) {
        tick();
    }
    m_pressTime = at;
    m_boundary.deliver([this, which] {
        if (which == Button::Command1) {
            m_controller.Command1_Click();
        } else {
            m_controller.Command2_Click();
        }
    });
    m_pressTime.reset();
}

void GameSession::tick() noexcept
{
    m_runEnd.clear();
    m_boundary.deliver([this] { m_controller.Timer1_Timer(); });
}

clicktest::Text GameSession::GetText(clicktest::Control which) const
{
    m_boundary.refuseAfterFailure();
    return m_shell.GetText(which);
}

void GameSession::SetText(clicktest::Control which, std::u16string_view text)
{
    m_boundary.refuseAfterFailure();
    m_shell.SetText(which, text);
}

void GameSession::SetTimerEnabled(bool enabled)
{
    m_boundary.refuseAfterFailure();
    m_shell.SetTimerEnabled(enabled);
    // The press that starts the run starts it in input time too; one with no time leaves the
    // run's end to the timer alone.
    if (enabled && m_pressTime) {
        m_runEnd.start(*m_pressTime);
    } else {
        m_runEnd.clear();
    }
}

void GameSession::ShowMessage(std::u16string_view prompt)
{
    m_boundary.refuseAfterFailure();
    const OpenBox open(m_boxOpen);
    m_shell.ShowMessage(prompt);
}

void GameSession::reportFailure(const std::string& reason) noexcept
{
    try {
        m_shell.SetTimerEnabled(false);
    } catch (...) {
        // The timer is the shell's; a tick after this finds the game failed and does nothing.
    }
    try {
        const OpenBox open(m_boxOpen);
        m_shell.showFailure(reason);
    } catch (...) {
        // The box could not be shown; the program still ends with the failure's status.
    }
    // Only now: a quit queued before the box would close it unseen.
    m_shell.quit(1);
}

} // namespace window
