#include "clicktest/controller.h"

#include "clicktest/rating.h"
#include "recording_view.h"

#include <gtest/gtest.h>

namespace clicktest {
namespace {

using testing_support::RecordingView;

const Text Band1With24 = u"You only clicked the button 2.4 times in a second. You need more "
                         u"practice using a mouse.";
const Text Band3With4 = u"Wow! You clicked the button 4 times in a second. Bravo!!!";
const Text Band3With41 = u"Wow! You clicked the button 4.1 times in a second. Bravo!!!";
const Text Band5With10 = u"Wow. 10 times per second...";
const Text Band1With01 = u"You only clicked the button 0.1 times in a second. You need more "
                         u"practice using a mouse.";

class ControllerTest : public testing::Test {
protected:
    ControllerTest() { game.Form_Load(); }

    void Click(int times)
    {
        for (int i = 0; i < times; ++i) {
            game.Command1_Click();
        }
    }
    // A whole run: the clicks, the tick, RESET; returns the messages it showed.
    std::vector<Text> Run(int clicks)
    {
        view.messages.clear();
        Click(clicks);
        game.Timer1_Timer();
        game.Command2_Click();
        return view.messages;
    }
    void ExpectIdle() const
    {
        EXPECT_EQ(view.TextOf(Control::Command1), IdleCaption);
        EXPECT_EQ(view.TextOf(Control::Counter), u"0");
        EXPECT_FALSE(view.timerEnabled);
        EXPECT_FALSE(game.TimeUp());
    }

    RecordingView view;
    Controller game { view, NumberFormat {} };
};

TEST_F(ControllerTest, StartsIdleWithTheStartingRecord)
{
    ExpectIdle();
    EXPECT_EQ(view.TextOf(Control::Label1), u"RECORD: 4");
    EXPECT_EQ(game.RecordRate(), 4.0);
    EXPECT_EQ(game.ClickRate(), 0.0);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(ControllerTest, FirstPressStartsTheRunAndCountsOne)
{
    game.Command1_Click();
    EXPECT_EQ(view.TextOf(Control::Command1), u"1");
    EXPECT_TRUE(view.timerEnabled);
    EXPECT_EQ(view.timerStarts, 1);
    Click(2);
    EXPECT_EQ(view.TextOf(Control::Command1), u"3");
    EXPECT_EQ(view.timerStarts, 1) << "a counted press must not restart the run's timer";
}

TEST_F(ControllerTest, ResetInIdleStartsARunAsTheButtonDoes)
{
    game.Command2_Click();
    EXPECT_EQ(view.TextOf(Control::Command1), u"1");
    EXPECT_TRUE(view.timerEnabled);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(ControllerTest, ResetWhileCountingAddsOne)
{
    Click(5);
    game.Command2_Click();
    EXPECT_EQ(view.TextOf(Control::Command1), u"6");
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.timerStarts, 1);
}

TEST_F(ControllerTest, TickFreezesTheCountWithoutStoppingTheTimer)
{
    Click(7);
    game.Timer1_Timer();
    EXPECT_EQ(view.TextOf(Control::Counter), u"1");
    EXPECT_TRUE(game.TimeUp());
    EXPECT_TRUE(view.timerEnabled);
    Click(3);
    EXPECT_EQ(view.TextOf(Control::Command1), u"7");
}

TEST_F(ControllerTest, LaterTicksChangeNothing)
{
    Click(7);
    game.Timer1_Timer();
    game.Timer1_Timer();
    EXPECT_EQ(view.TextOf(Control::Counter), u"1");
    EXPECT_EQ(view.TextOf(Control::Command1), u"7");
    EXPECT_TRUE(game.TimeUp());
}

TEST_F(ControllerTest, RunOf24IsBand1WithoutARecord)
{
    EXPECT_EQ(Run(24), std::vector<Text> { Band1With24 });
    EXPECT_EQ(game.ClickRate(), 2.4);
    EXPECT_EQ(view.TextOf(Control::Label1), u"RECORD: 4");
    ExpectIdle();
}

TEST_F(ControllerTest, RunOf40EqualsTheRecordWhichIsNotANewOne)
{
    EXPECT_EQ(Run(40), std::vector<Text> { Band3With4 });
    EXPECT_EQ(game.RecordRate(), 4.0);
}

TEST_F(ControllerTest, RunOf41SetsANewRecordOnceOnly)
{
    EXPECT_EQ(Run(41), (std::vector<Text> { Band3With41, Text(NewRecordMessage) }));
    EXPECT_EQ(view.TextOf(Control::Label1), u"4.1");
    EXPECT_EQ(game.RecordRate(), 4.1);
    ExpectIdle();

    EXPECT_EQ(Run(41), std::vector<Text> { Band3With41 });
    EXPECT_EQ(view.TextOf(Control::Label1), u"4.1");
}

TEST_F(ControllerTest, RunOf100IsBand5AndARecord)
{
    EXPECT_EQ(Run(100), (std::vector<Text> { Band5With10, Text(NewRecordMessage) }));
    EXPECT_EQ(view.TextOf(Control::Label1), u"10");
}

TEST_F(ControllerTest, RecordOnlyRises)
{
    (void)Run(100);
    EXPECT_EQ(Run(41), std::vector<Text> { Band3With41 });
    EXPECT_EQ(view.TextOf(Control::Label1), u"10");
    EXPECT_EQ(game.RecordRate(), 10.0);
}

TEST_F(ControllerTest, RunStartedAndEndedByResetCountsOne)
{
    game.Command2_Click();
    game.Timer1_Timer();
    game.Command2_Click();
    EXPECT_EQ(view.messages, std::vector<Text> { Band1With01 });
    ExpectIdle();
}

TEST_F(ControllerTest, ANewRunAfterTheResetCountsFromOne)
{
    (void)Run(24);
    game.Command1_Click();
    EXPECT_EQ(view.TextOf(Control::Command1), u"1");
    EXPECT_TRUE(view.timerEnabled);
    game.Command1_Click();
    EXPECT_EQ(view.TextOf(Control::Command1), u"2") << "the marker was cleared by the reset";
}

TEST_F(ControllerTest, TickWhileAMessageIsShownChangesNothing)
{
    Click(41);
    game.Timer1_Timer();
    view.whileMessageShown = [this] { game.Timer1_Timer(); };
    game.Command2_Click();
    EXPECT_EQ(view.messages, (std::vector<Text> { Band3With41, Text(NewRecordMessage) }));
    EXPECT_EQ(view.TextOf(Control::Label1), u"4.1");
    ExpectIdle();
}

TEST_F(ControllerTest, FailingControlCallStopsTheHandlerAndKeepsEarlierChanges)
{
    Click(41);
    game.Timer1_Timer();
    view.failingSetText = Control::Label1;
    EXPECT_THROW(game.Command2_Click(), ControlError);
    EXPECT_EQ(view.messages, (std::vector<Text> { Band3With41, Text(NewRecordMessage) }));
    EXPECT_EQ(game.RecordRate(), 4.1) << "the record was taken before the label write";
    EXPECT_EQ(view.TextOf(Control::Label1), u"RECORD: 4");
    EXPECT_EQ(view.TextOf(Control::Command1), u"41") << "the reset never ran";
    EXPECT_TRUE(view.timerEnabled);
    EXPECT_TRUE(game.TimeUp());
}

TEST_F(ControllerTest, FailingStartLeavesTheTimerRunning)
{
    view.failingSetText = Control::Command1;
    EXPECT_THROW(game.Command1_Click(), ControlError);
    EXPECT_TRUE(view.timerEnabled) << "the timer is switched on before the count is written";
    EXPECT_EQ(view.TextOf(Control::Command1), IdleCaption);
}

TEST_F(ControllerTest, UnreadableCountIsAConversionError)
{
    view.SetText(Control::Command1, u"12abc");
    EXPECT_THROW(game.Command1_Click(), ConversionError);
    EXPECT_THROW(game.Command2_Click(), ConversionError);
    EXPECT_EQ(view.TextOf(Control::Command1), u"12abc");
}

TEST_F(ControllerTest, UnreadableMarkerIsAConversionError)
{
    game.Command1_Click();
    view.SetText(Control::Counter, u"");
    EXPECT_THROW(game.Command1_Click(), ConversionError);
    EXPECT_EQ(view.TextOf(Control::Command1), u"1");
}

TEST(ControllerLocale, CommaSeparatorRunWritesTheRecordWithAComma)
{
    RecordingView view;
    Controller game { view, NumberFormat { u',' } };
    game.Form_Load();
    for (int i = 0; i < 41; ++i) {
        game.Command1_Click();
    }
    game.Timer1_Timer();
    game.Command2_Click();
    EXPECT_EQ(view.messages,
        (std::vector<Text> { u"Wow! You clicked the button 4,1 times in a second. Bravo!!!",
            Text(NewRecordMessage) }));
    EXPECT_EQ(view.TextOf(Control::Label1), u"4,1");
    EXPECT_EQ(game.RecordRate(), 4.1);
}

} // namespace
} // namespace clicktest
