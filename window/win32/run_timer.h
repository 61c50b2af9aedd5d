#pragma once

#include <windows.h>

#include <chrono>

namespace win32shell {

// The run timer: a window timer of the system's, which ticks every interval with a WM_TIMER of
// its id, made only once no input is waiting. It may come a step of the system's clock late or
// early, which decides no count: the session counts a press by its own time and starts the timer
// with room to spare.
class RunTimer {
public:
    RunTimer(HWND window, UINT_PTR id) noexcept;
    RunTimer(const RunTimer&) = delete;
    RunTimer& operator=(const RunTimer&) = delete;
    RunTimer(RunTimer&&) = delete;
    RunTimer& operator=(RunTimer&&) = delete;
    ~RunTimer();

    // A fresh interval from now, whether or not the timer was running. Throws Win32Error if the
    // system has no timer left to give.
    void start(std::chrono::milliseconds interval);
    void stop() noexcept;

private:
    HWND m_window;
    UINT_PTR m_id;
    bool m_running = false;
};

} // namespace win32shell
