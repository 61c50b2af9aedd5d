#pragma once

#include <chrono>

namespace window {

// The run timer's deadlines, on whichever monotonic clock a shell reads (given as the time since
// any fixed moment). Each deadline is one interval after the one before, so a run is exactly as
// long as its interval however late a tick was delivered.
class TickSchedule {
public:
    using Time = std::chrono::nanoseconds;

    explicit TickSchedule(std::chrono::milliseconds interval) noexcept
        : m_interval(interval)
    {
    }

    [[nodiscard]] std::chrono::milliseconds interval() const noexcept { return m_interval; }

    // A fresh interval from `now`.
    void start(Time now) noexcept { m_deadline = now + m_interval; }

    [[nodiscard]] Time deadline() const noexcept { return m_deadline; }
    [[nodiscard]] Time remaining(Time now) const noexcept { return m_deadline - now; }
    [[nodiscard]] bool isDue(Time now) const noexcept { return now >= m_deadline; }

    // After a tick at `now`: the next deadline keeps the rhythm; after a long stall (a suspended
    // machine) it starts afresh rather than owing a burst of ticks.
    void advance(Time now) noexcept
    {
        m_deadline += m_interval;
        if (m_deadline <= now) {
            m_deadline = now + m_interval;
        }
    }

private:
    std::chrono::milliseconds m_interval;
    Time m_deadline {};
};

} // namespace window
