#include "window/win32/run_timer.h"

#include "window/win32/win32_error.h"

namespace win32shell {
namespace {

window::TickSchedule::Time now() noexcept
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

} // namespace

RunTimer::RunTimer(HWND window, UINT_PTR id, std::chrono::milliseconds interval) noexcept
    : m_window(window)
    , m_id(id)
    , m_schedule(interval)
{
}

RunTimer::~RunTimer()
{
    stop();
}

void RunTimer::start()
{
    const window::TickSchedule::Time started = now();
    m_schedule.start(started);
    if (!arm(started)) {
        throw lastWin32Error("The run's timer could not be set");
    }
    m_running = true;
}

void RunTimer::stop() noexcept
{
    if (m_running) {
        KillTimer(m_window, m_id);
        m_running = false;
    }
}

bool RunTimer::isTick() noexcept
{
    if (!m_running) {
        return false;
    }
    const window::TickSchedule::Time reached = now();
    // Should the system refuse to set the timer again, the run still ends by the presses' own
    // times; only the marker would wait.
    if (!m_schedule.isDue(reached)) {
        (void)arm(reached);
        return false;
    }
    if ((HIWORD(GetQueueStatus(QS_INPUT)) & QS_INPUT) != 0) {
        (void)SetTimer(m_window, m_id, USER_TIMER_MINIMUM, nullptr);
        return false;
    }
    m_schedule.advance(reached);
    (void)arm(reached);
    return true;
}

bool RunTimer::arm(window::TickSchedule::Time at) noexcept
{
    // Rounded up, so that the timer does not wake before the deadline it is set for.
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(m_schedule.remaining(at));
    return SetTimer(m_window, m_id, static_cast<UINT>(delay.count()), nullptr) != 0;
}

} // namespace win32shell
