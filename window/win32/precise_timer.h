#pragma once

#include "window/common/tick_schedule.h"
#include "window/win32/owned_handle.h"

#include <windows.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

namespace win32shell {

// How late a waitable timer may wake: a high-resolution one (Windows 10 1803 and later) within
// about a millisecond, a normal one up to a whole tick of the system clock (15.6 ms by default).
inline constexpr std::chrono::nanoseconds HighResolutionSlack = std::chrono::milliseconds(2);
inline constexpr std::chrono::nanoseconds NormalSlack = std::chrono::milliseconds(16);

// The longest stretch before a deadline that is watched rather than slept: a system whose sleeps
// run later than this is too busy for any timer to keep the millisecond.
inline constexpr std::chrono::nanoseconds MaximumSlack = std::chrono::milliseconds(20);

// The slack to allow from now on, after a sleep woke `overslept` after the time it was set for: a
// busy system's sleeps run later than its timer promises, so leave twice the lateness seen, never
// less than before and never more than the maximum.
[[nodiscard]] std::chrono::nanoseconds adaptedSlack(
    std::chrono::nanoseconds slack, std::chrono::nanoseconds overslept) noexcept;

// How long to sleep towards a deadline `remaining` away when a sleep may wake up to `slack` late:
// nullopt once the deadline is reached, zero for the last stretch, which is watched on the
// performance counter instead, else a sleep that wakes no later than the deadline.
[[nodiscard]] std::optional<std::chrono::nanoseconds> wakeDelay(
    std::chrono::nanoseconds remaining, std::chrono::nanoseconds slack) noexcept;

// A repeating timer whose ticks come on the millisecond: never early and within a millisecond of
// each deadline on the performance counter. SetTimer cannot do that (it fires on the system's
// 15.6 ms tick), and its WM_TIMER is not delivered while a box's own loop runs. A worker thread
// sleeps towards each deadline and posts `message` to `target` with the tick's generation in
// wParam; while disabled the worker sleeps without any wake-up.
class PreciseTimer {
public:
    // Throws Win32Error if the system cannot give it its event or waitable timer.
    PreciseTimer(HWND target, UINT message, std::chrono::milliseconds interval);
    PreciseTimer(const PreciseTimer&) = delete;
    PreciseTimer& operator=(const PreciseTimer&) = delete;
    PreciseTimer(PreciseTimer&&) = delete;
    PreciseTimer& operator=(PreciseTimer&&) = delete;
    ~PreciseTimer();

    [[nodiscard]] std::chrono::milliseconds interval() const noexcept;
    [[nodiscard]] bool isEnabled() const noexcept;

    // Starts a fresh interval from now, whether or not the timer was running.
    void enable();
    void disable();

    // Whether a tick message carrying `generation` is to be delivered: only while enabled, and
    // never one posted before the latest enable or disable.
    [[nodiscard]] bool accepts(WPARAM generation) const noexcept;

private:
    void run() noexcept;
    void sleepFor(std::chrono::nanoseconds delay) noexcept;
    void changeState(bool enabled);

    HWND m_target;
    UINT m_message;
    OwnedHandle m_changed; // set on every enable, disable and on shutdown
    OwnedHandle m_waitable;
    bool m_highResolution;
    std::chrono::nanoseconds m_slack; // the worker's own

    mutable std::mutex m_mutex; // guards what follows, shared with the worker
    window::TickSchedule m_schedule;
    bool m_enabled = false;
    bool m_stopping = false;
    WPARAM m_generation = 0;

    std::thread m_worker; // last: it starts once everything it reads exists
};

} // namespace win32shell
