#include "window/common/tick_schedule.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using window::TickSchedule;

TEST(TickSchedule, DeadlinesKeepTheRhythmWhateverTheDeliveryDelay)
{
    TickSchedule schedule(10s);
    schedule.start(5ms);
    EXPECT_FALSE(schedule.isDue(10'004'999'999ns));
    EXPECT_TRUE(schedule.isDue(10'005ms));
    EXPECT_EQ(schedule.remaining(5ms), 10s);

    schedule.advance(10'005ms + 800us); // delivered late: the next deadline does not drift
    EXPECT_EQ(schedule.deadline(), 20'005ms);
}

TEST(TickSchedule, AfterALongStallItStartsAfreshInsteadOfOwingTicks)
{
    TickSchedule schedule(10s);
    schedule.start(0ns);
    schedule.advance(95s); // a suspended machine woke up
    EXPECT_EQ(schedule.deadline(), 105s);
}

TEST(TickSchedule, StartBeginsAFreshIntervalFromNow)
{
    TickSchedule schedule(10s);
    schedule.start(0ns);
    schedule.start(7s);
    EXPECT_EQ(schedule.deadline(), 17s);
}
