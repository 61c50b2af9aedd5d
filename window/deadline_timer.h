#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

namespace window {

// How long to sleep towards a deadline `remaining` away. The system lets a sleep run late by
// up to 0.1% of its length, so a long wait wakes a little early and sleeps again for the rest;
// nullopt means the deadline has been reached.
[[nodiscard]] std::optional<std::chrono::milliseconds> wakeDelay(
    std::chrono::nanoseconds remaining) noexcept;

// A repeating timer whose ticks come on the millisecond: never early and within a millisecond
// of each deadline. Deadlines are kept on the monotonic clock, each one interval after the last,
// so a run is exactly as long as its interval.
class DeadlineTimer final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive)
    Q_PROPERTY(Qt::TimerType timerType READ timerType)

public:
    explicit DeadlineTimer(std::chrono::milliseconds interval, QObject* parent = nullptr);

    [[nodiscard]] std::chrono::milliseconds interval() const noexcept { return m_interval; }
    void setInterval(std::chrono::milliseconds interval) noexcept { m_interval = interval; }
    [[nodiscard]] bool isActive() const noexcept { return m_active; }
    [[nodiscard]] Qt::TimerType timerType() const noexcept { return m_wake.timerType(); }

    // Starts a fresh interval from now, whether or not the timer was running.
    void start();
    void stop();

signals:
    void timeout();

private:
    void sleepTowardsDeadline();
    void wake();

    std::chrono::milliseconds m_interval;
    bool m_active = false;
    QElapsedTimer m_clock;
    std::chrono::nanoseconds m_deadline {}; // on m_clock
    QTimer m_wake;
};

} // namespace window
