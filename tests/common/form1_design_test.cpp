#include "window/common/form1_design.h"

#include "clicktest/controller.h"
#include "clicktest/number_text.h"

#include <gtest/gtest.h>

#include <set>

using clicktest::Control;
using window::Button;
using window::Form1Design;
using window::pixelsAt;

namespace {

const window::ControlDesign& designOf(Control which)
{
    return Form1Design.controls.at(window::rowOf(which));
}

} // namespace

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

TEST(Form1Design, EachControlHasOneRowAndTheGameFindsItsOwn)
{
    std::set<int> ids;
    std::set<int> tabs;
    for (const auto& control : Form1Design.controls) {
        ids.insert(control.id);
        tabs.insert(control.tabIndex);
    }
    EXPECT_EQ(ids.size(), Form1Design.controls.size());
    EXPECT_EQ(tabs.size(), Form1Design.controls.size());
    EXPECT_EQ(designOf(Control::Command1).name, "Command1");
    EXPECT_EQ(designOf(Control::Counter).name, "Counter");
    EXPECT_EQ(designOf(Control::Label1).name, "Label1");
    EXPECT_EQ(window::designOf(Button::Command2).name, "Command2");
    EXPECT_EQ(&window::designOf(Button::Command1), &designOf(Control::Command1));
    EXPECT_FALSE(designOf(Control::Label1).isButton());
    EXPECT_EQ(window::buttonWithId(window::designOf(Button::Command2).id), Button::Command2);
    EXPECT_EQ(window::buttonWithId(designOf(Control::Label1).id), std::nullopt);
}

TEST(Form1Design, StartingTextsAgreeWithTheGame)
{
    EXPECT_EQ(designOf(Control::Command1).text, clicktest::IdleCaption);
    EXPECT_EQ(designOf(Control::Counter).text, clicktest::IntegerText(0));
    EXPECT_EQ(designOf(Control::Label1).text,
        u"RECORD: " + clicktest::NumberText(clicktest::StartingRecordRate));
}

TEST(Form1Design, TabOrderComesFromTheTableAndArrowsFollowItRoundTheButtons)
{
    EXPECT_EQ(window::buttonsInTabOrder(), (std::array { Button::Command1, Button::Command2 }));
    const auto rows = window::rowsInTabOrder();
    for (std::size_t place = 1; place < rows.size(); ++place) {
        EXPECT_LT(Form1Design.controls.at(rows.at(place - 1)).tabIndex,
            Form1Design.controls.at(rows.at(place)).tabIndex);
    }
    for (const window::Arrow arrow :
        { window::Arrow::Left, window::Arrow::Up, window::Arrow::Right, window::Arrow::Down }) {
        EXPECT_EQ(window::focusAfter(Button::Command1, arrow), Button::Command2);
        EXPECT_EQ(window::focusAfter(Button::Command2, arrow), Button::Command1);
    }
}
