#include "window/common/form1_design.h"
#include "window/common/game_session.h"

#include "clicktest/controller.h"
#include "clicktest/number_text.h"

#include <gtest/gtest.h>

#include <set>

using window::Form1Design;
using window::pixelsAt;

TEST(Form1Design, EveryLengthScalesLikeWindowsMulDiv)
{
    // At the design's 96 dpi every length is a whole pixel, as drawn.
    EXPECT_EQ(pixelsAt(Form1Design.clientWidth, 96), 199);
    EXPECT_EQ(pixelsAt(Form1Design.clientHeight, 96), 156);
    EXPECT_EQ(pixelsAt(-120, 96), -8);
    // At 150% halves round away from zero, on both sides of the origin.
    EXPECT_EQ(pixelsAt(2985, 144), 299);
    EXPECT_EQ(pixelsAt(-125, 144), -13);
    EXPECT_EQ(pixelsAt(1455, 144), 146);
    EXPECT_EQ(window::fontPixelsAt(13.5, 96), 18);
    EXPECT_EQ(window::fontPixelsAt(18.0, 144), 36);
}

TEST(Form1Design, ControlsAreDistinctAndTheGameFindsItsOwn)
{
    std::set<int> ids;
    std::set<int> tabs;
    for (const auto& control : Form1Design.controls) {
        ids.insert(control.id);
        tabs.insert(control.tabIndex);
    }
    EXPECT_EQ(ids.size(), Form1Design.controls.size());
    EXPECT_EQ(tabs.size(), Form1Design.controls.size());
    EXPECT_EQ(window::designOf(clicktest::Control::Command1).name, "Command1");
    EXPECT_EQ(window::designOf(clicktest::Control::Counter).name, "Counter");
    EXPECT_EQ(window::designOf(clicktest::Control::Label1).name, "Label1");
    EXPECT_EQ(window::designOf(window::Button::Command2).name, "Command2");
}

TEST(Form1Design, StartingTextsAgreeWithTheGame)
{
    EXPECT_EQ(window::designOf(clicktest::Control::Command1).text, clicktest::IdleCaption);
    EXPECT_EQ(window::designOf(clicktest::Control::Counter).text, clicktest::IntegerText(0));
    EXPECT_EQ(window::designOf(clicktest::Control::Label1).text,
        u"RECORD: " + clicktest::NumberText(clicktest::StartingRecordRate));
}
