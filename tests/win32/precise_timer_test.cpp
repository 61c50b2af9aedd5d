#include "window/win32/precise_timer.h"

#include "window/win32/qpc_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <optional>
#include <vector>

using namespace std::chrono_literals;
using std::chrono::nanoseconds;
using win32shell::adaptedSlack;
using win32shell::HighResolutionSlack;
using win32shell::MaximumSlack;
using win32shell::NormalSlack;
using win32shell::PreciseTimer;
using win32shell::qpcNow;
using win32shell::wakeDelay;

namespace {

constexpr UINT Tick = WM_APP + 7;

TEST(WakeDelay, aReachedDeadlineIsDueNow)
{
    EXPECT_EQ(wakeDelay(0ns, NormalSlack), std::nullopt);
    EXPECT_EQ(wakeDelay(-5ms, NormalSlack), std::nullopt);
}

TEST(WakeDelay, theLastStretchIsWatchedNotSlept)
{
    EXPECT_EQ(wakeDelay(1ns, HighResolutionSlack), std::optional(0ns));
    EXPECT_EQ(wakeDelay(HighResolutionSlack, HighResolutionSlack), std::optional(0ns));
    EXPECT_EQ(wakeDelay(15ms, NormalSlack), std::optional(0ns));
}

TEST(WakeDelay, aSleepThatWakesLateStillWakesBeforeTheDeadlineInOneGo)
{
    for (const nanoseconds slack : { HighResolutionSlack, NormalSlack }) {
        for (const nanoseconds remaining : { nanoseconds(10s), nanoseconds(1h), slack + 1ns }) {
            SCOPED_TRACE(remaining.count());
            const auto delay = wakeDelay(remaining, slack);
            ASSERT_TRUE(delay.has_value());
            ASSERT_GT(*delay, 0ns);
            // The latest the system may wake it: still in time, and close enough to watch.
            EXPECT_LE(*delay + slack, remaining);
            EXPECT_EQ(wakeDelay(remaining - *delay, slack), std::optional(0ns));
        }
    }
}

TEST(AdaptedSlack, growsToTwiceTheLatenessSeenAndNoFurther)
{
    EXPECT_EQ(adaptedSlack(HighResolutionSlack, 300us), HighResolutionSlack);
    EXPECT_EQ(adaptedSlack(HighResolutionSlack, 1500us), 3ms);
    EXPECT_EQ(adaptedSlack(3ms, 1ms), 3ms) << "a good sleep does not undo what a bad one taught";
    EXPECT_EQ(adaptedSlack(HighResolutionSlack, 1s), MaximumSlack);
    EXPECT_EQ(adaptedSlack(NormalSlack, -1ms), NormalSlack) << "a sleep that woke early";
}

// A window that only receives: the test takes its ticks off the queue itself.
class PreciseTimerTest : public ::testing::Test {
public:
    PreciseTimerTest(const PreciseTimerTest&) = delete;
    PreciseTimerTest& operator=(const PreciseTimerTest&) = delete;
    PreciseTimerTest(PreciseTimerTest&&) = delete;
    PreciseTimerTest& operator=(PreciseTimerTest&&) = delete;
    ~PreciseTimerTest() override { DestroyWindow(target); }

protected:
    PreciseTimerTest()
        : target(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
            GetModuleHandleW(nullptr), nullptr))
    {
    }

    // The performance-counter time of each tick `timer` lets through within `duration`.
    [[nodiscard]] std::vector<nanoseconds> ticksDuring(
        const PreciseTimer& timer, nanoseconds duration) const
    {
        std::vector<nanoseconds> ticks;
        const nanoseconds end = qpcNow() + duration;
        for (nanoseconds now = qpcNow(); now < end; now = qpcNow()) {
            MSG message {};
            if (PeekMessageW(&message, target, Tick, Tick, PM_REMOVE) != FALSE) {
                const nanoseconds arrived = qpcNow();
                if (timer.accepts(message.wParam)) {
                    ticks.push_back(arrived);
                }
                continue;
            }
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(end - now);
            MsgWaitForMultipleObjects(
                0, nullptr, FALSE, static_cast<DWORD>(wait.count()), QS_POSTMESSAGE);
        }
        return ticks;
    }

    HWND target;
};

TEST_F(PreciseTimerTest, startsDisabled)
{
    const PreciseTimer timer(target, Tick, 10000ms);
    EXPECT_EQ(timer.interval(), 10000ms);
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_TRUE(ticksDuring(timer, 50ms).empty());
}

TEST_F(PreciseTimerTest, ticksAreNeverEarlyAndAtMostAMillisecondLate)
{
    constexpr auto Interval = 50ms;
    constexpr int Ticks = 20;
    // A late tick may be the machine's doing: another process holding both processors just then.
    // A timer that is late by itself is late on every try; early is wrong on any.
    constexpr int Tries = 5;
    for (int attempt = 1; attempt <= Tries; ++attempt) {
        PreciseTimer timer(target, Tick, Interval);
        const nanoseconds enabled = qpcNow();
        timer.enable();
        const std::vector<nanoseconds> ticks = ticksDuring(timer, Interval * Ticks + Interval / 2);
        timer.disable();
        ASSERT_EQ(ticks.size(), std::size_t { Ticks });
        nanoseconds latest = nanoseconds::min();
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            const nanoseconds late = ticks[i] - (enabled + Interval * static_cast<int>(i + 1));
            ASSERT_GE(late, 0ns) << "tick " << i << " early";
            latest = std::max(latest, late);
        }
        std::cout << "try " << attempt << ": the latest of " << Ticks << " ticks came "
                  << static_cast<double>(latest.count()) / 1e3 << " us after its deadline\n";
        if (latest <= 1ms) {
            return;
        }
    }
    FAIL() << "a tick was over a millisecond late on every try";
}

TEST_F(PreciseTimerTest, enablingAgainStartsAFreshInterval)
{
    PreciseTimer timer(target, Tick, 60ms);
    timer.enable();
    Sleep(40);
    const nanoseconds restarted = qpcNow();
    timer.enable();
    const std::vector<nanoseconds> ticks = ticksDuring(timer, 90ms);
    ASSERT_EQ(ticks.size(), 1U);
    EXPECT_GE(ticks.front() - restarted, 60ms) << "the restart kept the old deadline";
}

TEST_F(PreciseTimerTest, noTickIsDeliveredAfterDisabling)
{
    PreciseTimer timer(target, Tick, 10ms);
    timer.enable();
    ASSERT_FALSE(ticksDuring(timer, 100ms).empty());
    // Ticks posted but not yet taken belong to the run that was stopped.
    Sleep(30);
    timer.disable();
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_TRUE(ticksDuring(timer, 50ms).empty());
    // Nor does a tick of an earlier run come through a later one.
    timer.enable();
    Sleep(30);
    timer.enable();
    const std::vector<nanoseconds> ticks = ticksDuring(timer, 5ms);
    EXPECT_TRUE(ticks.empty());
}

} // namespace
