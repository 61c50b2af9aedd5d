#include "window/common/error_boundary.h"

#include "clicktest/controller.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Boundary : testing::Test {
    std::vector<std::string> reports;
    window::ErrorBoundary boundary { [this](const std::string& reason) {
        reports.push_back(reason);
    } };
};

TEST_F(Boundary, HandlersRunUntilTheFirstErrorWhichIsReportedOnce)
{
    int ran = 0;
    boundary.deliver([&] { ++ran; });
    boundary.deliver([] { throw std::runtime_error("Type mismatch"); });
    boundary.deliver([&] { ++ran; });
    boundary.deliver([] { throw std::runtime_error("a second error"); });

    EXPECT_EQ(ran, 1);
    EXPECT_EQ(reports, std::vector<std::string> { "Type mismatch" });
    EXPECT_TRUE(boundary.hasFailed());
}

TEST_F(Boundary, ViewCallsAreRefusedOnlyOnceTheProgramIsEnding)
{
    EXPECT_NO_THROW(boundary.refuseAfterFailure());
    boundary.deliver([] { throw 42; });
    EXPECT_THROW(boundary.refuseAfterFailure(), clicktest::ControlError);
    EXPECT_EQ(
        reports, std::vector<std::string> { std::string(window::ErrorBoundary::UnexpectedError) });
}

TEST_F(Boundary, AnErrorRaisedUnderTheReportDoesNotReportAgain)
{
    // A handler still on the stack below the error box fails on its next view call.
    window::ErrorBoundary nested([&](const std::string& reason) {
        reports.push_back(reason);
        nested.deliver([&] { nested.refuseAfterFailure(); });
    });
    nested.deliver([] { throw std::runtime_error("first"); });
    EXPECT_EQ(reports, std::vector<std::string> { "first" });
}

TEST(BoundaryReport, AReportThatFailsStillEndsTheGame)
{
    window::ErrorBoundary boundary([](const std::string&) { throw std::bad_alloc(); });
    boundary.deliver([] { throw std::runtime_error("x"); });
    EXPECT_TRUE(boundary.hasFailed());
}

} // namespace
