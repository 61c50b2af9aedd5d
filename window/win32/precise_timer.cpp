#include "window/win32/precise_timer.h"

#include "window/win32/qpc_clock.h"
#include "window/win32/win32_error.h"

#include <algorithm>
#include <array>

namespace win32shell {
namespace {

using std::chrono::nanoseconds;

// Not yet in every SDK's headers; Windows before 10 1803, and Wine, refuse it.
constexpr DWORD CreateWaitableTimerHighResolution = 0x00000002;

OwnedHandle madeOrThrow(HANDLE handle, const char* what)
{
    if (handle == nullptr) {
        throw lastWin32Error(what);
    }
    return OwnedHandle(handle);
}

OwnedHandle createWaitableTimer(bool highResolution) noexcept
{
    return OwnedHandle(CreateWaitableTimerExW(nullptr, nullptr,
        highResolution ? CreateWaitableTimerHighResolution : 0, TIMER_ALL_ACCESS));
}

} // namespace

nanoseconds adaptedSlack(nanoseconds slack, nanoseconds overslept) noexcept
{
    return std::clamp(overslept * 2, slack, std::max(slack, MaximumSlack));
}

std::optional<nanoseconds> wakeDelay(nanoseconds remaining, nanoseconds slack) noexcept
{
    if (remaining <= nanoseconds::zero()) {
        return std::nullopt;
    }
    if (remaining <= slack) {
        return nanoseconds::zero();
    }
    return remaining - slack;
}

PreciseTimer::PreciseTimer(HWND target, UINT message, std::chrono::milliseconds interval)
    : m_target(target)
    , m_message(message)
    , m_changed(madeOrThrow(CreateEventW(nullptr, FALSE, FALSE, nullptr), "No timer event"))
    , m_waitable(createWaitableTimer(true))
    , m_highResolution(m_waitable != nullptr)
    , m_slack(m_highResolution ? HighResolutionSlack : NormalSlack)
    , m_schedule(interval)
{
    if (!m_highResolution) {
        m_waitable = madeOrThrow(createWaitableTimer(false).release(), "No waitable timer");
    }
    m_worker = std::thread([this] { run(); });
}

PreciseTimer::~PreciseTimer()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    SetEvent(m_changed.get());
    m_worker.join();
}

std::chrono::milliseconds PreciseTimer::interval() const noexcept
{
    const std::lock_guard lock(m_mutex);
    return m_schedule.interval();
}

bool PreciseTimer::isEnabled() const noexcept
{
    const std::lock_guard lock(m_mutex);
    return m_enabled;
}

void PreciseTimer::enable()
{
    changeState(true);
}

void PreciseTimer::disable()
{
    changeState(false);
}

bool PreciseTimer::accepts(WPARAM generation) const noexcept
{
    const std::lock_guard lock(m_mutex);
    return m_enabled && generation == m_generation;
}

void PreciseTimer::changeState(bool enabled)
{
    {
        const std::lock_guard lock(m_mutex);
        // A tick already posted belongs to the old state and is dropped on arrival.
        ++m_generation;
        m_enabled = enabled;
        if (enabled) {
            m_schedule.start(qpcNow());
        }
    }
    SetEvent(m_changed.get());
}

void PreciseTimer::run() noexcept
{
    // Above the program's other threads, so that a tick is posted as soon as it is due; it
    // only ever spins for the slack.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    for (;;) {
        std::unique_lock lock(m_mutex);
        if (m_stopping) {
            return;
        }
        if (!m_enabled) {
            lock.unlock();
            WaitForSingleObject(m_changed.get(), INFINITE);
            continue;
        }
        const nanoseconds now = qpcNow();
        const std::optional<nanoseconds> delay = wakeDelay(m_schedule.remaining(now), m_slack);
        if (!delay) {
            m_schedule.advance(now);
            const WPARAM generation = m_generation;
            lock.unlock();
            PostMessageW(m_target, m_message, generation, 0);
            continue;
        }
        if (*delay == nanoseconds::zero()) {
            // The last stretch is spun on the counter: giving the processor away here can cost a
            // whole time slice on a busy machine. A change of state meanwhile is seen after it.
            const nanoseconds deadline = m_schedule.deadline();
            lock.unlock();
            while (qpcNow() < deadline) {
                YieldProcessor();
            }
            continue;
        }
        lock.unlock();
        sleepFor(*delay);
    }
}

void PreciseTimer::sleepFor(nanoseconds delay) noexcept
{
    constexpr std::int64_t NanosecondsPerUnit = 100;
    LARGE_INTEGER due {};
    due.QuadPart = -(delay.count() / NanosecondsPerUnit); // negative: relative to now
    if (SetWaitableTimer(m_waitable.get(), &due, 0, nullptr, nullptr, FALSE) == FALSE) {
        return; // without a sleep, watching the counter is still on time
    }
    const nanoseconds target = qpcNow() + delay;
    const std::array<HANDLE, 2> wakers { m_changed.get(), m_waitable.get() };
    if (WaitForMultipleObjects(static_cast<DWORD>(wakers.size()), wakers.data(), FALSE, INFINITE)
        == WAIT_OBJECT_0 + 1) {
        m_slack = adaptedSlack(m_slack, qpcNow() - target);
    }
}

} // namespace win32shell
