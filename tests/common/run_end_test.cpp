#include "window/common/run_end.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using window::inputTimeFromMilliseconds;
using window::RunEnd;

namespace {

const RunEnd::Clock::time_point Handled {};

TEST(RunEnd, ThePressOnTheLastMillisecondCountsAndTheNextDoesNot)
{
    RunEnd end(10s, 0us);
    EXPECT_FALSE(end.hasPassed(50'000'000, Handled + 1h)) << "no run: nothing has passed";
    end.start(1'000'000, Handled);
    // Stamped, the stamps decide, however late the press is handled.
    EXPECT_FALSE(end.hasPassed(10'999'999, Handled + 1h));
    EXPECT_TRUE(end.hasPassed(11'000'000, Handled));
    EXPECT_FALSE(end.hasPassed(999'000, Handled + 1h)) << "just before the start is inside";
    end.clear();
    EXPECT_FALSE(end.hasPassed(11'000'000, Handled));
}

TEST(RunEnd, TheMillisecondClockWrapsInsideARun)
{
    RunEnd end(10s, 0us);
    end.start(inputTimeFromMilliseconds(0xFFFF'F000U), Handled); // 4096 ms before the wrap
    EXPECT_FALSE(end.hasPassed(inputTimeFromMilliseconds(0x0000'170FU), Handled)); // 9999 ms in
    EXPECT_TRUE(end.hasPassed(inputTimeFromMilliseconds(0x0000'1710U), Handled));
}

TEST(RunEnd, WithoutStampsTheHandlingTimeDecides)
{
    RunEnd end(10s, 0us);
    end.start(std::nullopt, Handled);
    EXPECT_FALSE(end.hasPassed(5'000'000, Handled + 9999ms));
    EXPECT_TRUE(end.hasPassed(std::nullopt, Handled + 10s));
    end.start(0, Handled);
    EXPECT_FALSE(end.hasPassed(std::nullopt, Handled + 9999ms));
    EXPECT_TRUE(end.hasPassed(std::nullopt, Handled + 10s));
}

TEST(RunEnd, ACoarseStampDecidesOnlyWhereItsStepCannotReachTheEnd)
{
    RunEnd end(10s, 16ms);
    end.start(0, Handled);
    // Clear of the end by more than a step: the stamp, even against the handling time.
    EXPECT_FALSE(end.hasPassed(9'983'999, Handled + 1h));
    EXPECT_TRUE(end.hasPassed(10'016'000, Handled));
    // Within a step of it: when the press was handled.
    EXPECT_FALSE(end.hasPassed(9'984'000, Handled + 9999ms));
    EXPECT_TRUE(end.hasPassed(9'984'000, Handled + 10s));
    EXPECT_FALSE(end.hasPassed(10'015'999, Handled + 9999ms));
}

} // namespace
