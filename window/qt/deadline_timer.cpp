#include "window/qt/deadline_timer.h"

namespace qtshell {

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
    , m_schedule(interval)
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_wake, &QTimer::timeout, this, &DeadlineTimer::wake);
}

void DeadlineTimer::start()
{
    m_clock.start();
    m_schedule.start(now());
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
    const auto delay = wakeDelay(m_schedule.remaining(now()));
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
    const nanoseconds reached = now();
    if (!m_schedule.isDue(reached)) {
        sleepTowardsDeadline();
        return;
    }
    m_schedule.advance(reached);
    sleepTowardsDeadline();
    emit timeout();
}

} // namespace qtshell
