#include "window/common/input_deadline.h"

#include <gtest/gtest.h>

using window::InputDeadline;

TEST(InputDeadline, ThePressOnTheLastMillisecondCountsAndTheNextDoesNot)
{
    InputDeadline deadline(10'000);
    EXPECT_FALSE(deadline.hasPassed(50'000)) << "no run: nothing has passed";
    deadline.start(1'000);
    EXPECT_TRUE(deadline.isRunning());
    EXPECT_FALSE(deadline.hasPassed(10'999));
    EXPECT_TRUE(deadline.hasPassed(11'000));
    EXPECT_FALSE(deadline.hasPassed(999)) << "a time just before the start is inside the run";
    deadline.clear();
    EXPECT_FALSE(deadline.hasPassed(11'000));
}

TEST(InputDeadline, TheClockWrapsInsideARun)
{
    InputDeadline deadline(10'000);
    deadline.start(0xFFFF'F000U); // 4096 ms before the wrap
    EXPECT_FALSE(deadline.hasPassed(0x0000'170FU)); // 9999 ms in, past the wrap
    EXPECT_TRUE(deadline.hasPassed(0x0000'1710U));
}
