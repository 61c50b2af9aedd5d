#pragma once

#include "window/common/tick_schedule.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

namespace qtshell {

// How long to sleep towards a deadline `remaining` away. The system lets a sleep run late by
// up to 0.1% of its length, so a long wait wakes a little early and sleeps again for the rest;
// nullopt means the deadline has been reached.
[[nodiscard]] std::optional<std::chrono::milliseconds> wakeDelay(
    std::chrono::nanoseconds remaining) noexcept;

// A repeating timer whose ticks come on the millisecond: never early and within a millisecond
// of each deadline, kept on the monotonic clock. A plain precise QTimer may wake later by the
// system's slack, which for a ten-second sleep is about ten milliseconds.
class DeadlineTimer final : public QObject {
    Q_OBJECT

public:
    explicit DeadlineTimer(std::chrono::milliseconds interval, QObject* parent = nullptr);

    [[nodiscard]] std::chrono::milliseconds interval() const noexcept
    {
        return m_schedule.interval();
    }
    [[nodiscard]] bool isActive() const noexcept { return m_active; }

    // Starts a fresh interval from now, whether or not the timer was running.
    void start();
    void stop();

signals:
    void timeout();

private:
    void sleepTowardsDeadline();
    void wake();

    [[nodiscard]] std::chrono::nanoseconds now() const
    {
        return std::chrono::nanoseconds(m_clock.nsecsElapsed());
    }

    window::TickSchedule m_schedule;
    bool m_active = false;
    QElapsedTimer m_clock;
    QTimer m_wake;
};

} // namespace qtshell
