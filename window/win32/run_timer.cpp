#include "window/win32/run_timer.h"

#include "window/win32/win32_error.h"

namespace win32shell {

RunTimer::RunTimer(HWND window, UINT_PTR id) noexcept
    : m_window(window)
    , m_id(id)
{
}

RunTimer::~RunTimer()
{
    stop();
}

void RunTimer::start(std::chrono::milliseconds interval)
{
    if (SetTimer(m_window, m_id, static_cast<UINT>(interval.count()), nullptr) == 0) {
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

} // namespace win32shell
