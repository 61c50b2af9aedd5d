#pragma once

#include "window/common/tick_schedule.h"

#include <windows.h>

#include <chrono>

namespace win32shell {

// The run timer: a tick every interval, the first one interval after it is started, never early.
// It is a timer of the window's own, and the system makes its WM_TIMER only once the window's
// queue holds no input; and since Wine fetches its X server's input only as it hands over the
// timer's message, a tick also waits while input is still queued then. So every press already
// made is handled before the tick, without a loop of the timer's own. It may come up to a tick of
// the system clock late (15.6 ms by default), which decides no count: the session counts a press
// by its own time.
class RunTimer {
public:
    RunTimer(HWND window, UINT_PTR id, std::chrono::milliseconds interval) noexcept;
    RunTimer(const RunTimer&) = delete;
    RunTimer& operator=(const RunTimer&) = delete;
    RunTimer(RunTimer&&) = delete;
    RunTimer& operator=(RunTimer&&) = delete;
    ~RunTimer();

    // A fresh interval from now, whether or not the timer was running. Throws Win32Error if the
    // system has no timer left to give.
    void start();
    void stop() noexcept;

    // For the window's WM_TIMER of this timer: whether it is a tick. One the system sends before
    // the deadline (its timers keep the system clock's coarser time) waits for the rest, and one
    // that finds input queued waits for it to be handled.
    [[nodiscard]] bool isTick() noexcept;

private:
    // False if the system refused.
    [[nodiscard]] bool arm(window::TickSchedule::Time at) noexcept;

    HWND m_window;
    UINT_PTR m_id;
    window::TickSchedule m_schedule;
    bool m_running = false;
};

} // namespace win32shell
