#include "window/deadline_timer.h"

namespace window {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

std::optional<milliseconds> wakeDelay(nanoseconds remaining) noexcept
{
    if (remaining <= nanoseconds::zero()) {
        return std::nullopt;
    }
    // Leave room for twice the system's slack; under a millisecond, spin through the event loop.
    return std::chrono::floor<milliseconds>(remaining - remaining / 500);
}

DeadlineTimer::DeadlineTimer(milliseconds interval, QObject* parent)
    : QObject(parent)
    , m_interval(interval)
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_wake, &QTimer::timeout, this, &DeadlineTimer::wake);
}

void DeadlineTimer::start()
{
    m_clock.start();
    m_deadline = m_interval;
    m_active = true;
    sleepTowardsDeadline();
}

void DeadlineTimer::stop()
{
    m_active = false;
    m_wake.stop();
}

void DeadlineTimer::sleepTowardsDeadline()
{
    const auto delay = wakeDelay(m_deadline - nanoseconds(m_clock.nsecsElapsed()));
    if (!delay) {
        // The deadline has passed: tick now, from the event loop, never inside start().
        m_wake.start(0);
        return;
    }
    m_wake.start(*delay);
}

void DeadlineTimer::wake()
{
    if (!m_active) {
        return;
    }
    const nanoseconds now(m_clock.nsecsElapsed());
    if (now < m_deadline) {
        sleepTowardsDeadline();
        return;
    }
    // The next deadline keeps the rhythm; after a long stall (a suspended machine) it starts
    // afresh rather than firing a burst of ticks.
    m_deadline += m_interval;
    if (m_deadline <= now) {
        m_deadline = now + m_interval;
    }
    sleepTowardsDeadline();
    emit timeout();
}

} // namespace window
