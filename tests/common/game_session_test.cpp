#include "window/common/game_session.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using clicktest::Control;
using window::Button;

// A shell in memory: it keeps the texts, records the boxes, and runs `underBox` while one is up.
class FakeShell final : public window::ShellControls {
public:
    [[nodiscard]] clicktest::Text GetText(Control which) const override { return texts.at(which); }
    void SetText(Control which, std::u16string_view text) override
    {
        if (failSetText) {
            throw clicktest::ControlError("The control's text could not be set");
        }
        texts[which] = clicktest::Text(text);
    }
    void SetTimerEnabled(bool enabled) override { timerEnabled = enabled; }
    void ShowMessage(std::u16string_view prompt) override
    {
        boxes.emplace_back(prompt);
        runUnderBox();
    }
    void showFailure(const std::string& reason) override
    {
        boxes.emplace_back(reason.begin(), reason.end());
        runUnderBox();
    }
    void quit(int status) noexcept override { quits.push_back(status); }

    std::map<Control, clicktest::Text> texts { { Control::Command1, u"NUMBER OF CLICKS" },
        { Control::Counter, u"0" }, { Control::Label1, u"RECORD: 4" } };
    bool timerEnabled = false;
    bool failSetText = false;
    std::vector<std::u16string> boxes;
    std::vector<int> quits;
    std::function<void()> underBox;

private:
    void runUnderBox()
    {
        if (underBox) {
            const auto once = std::exchange(underBox, nullptr);
            once();
        }
    }
};

struct Session : testing::Test {
    FakeShell shell;
    window::GameSession session { shell, {} };

    // Three presses and the tick: the next RESET opens the rating box.
    void playARun()
    {
        session.load();
        for (int press = 0; press < 3; ++press) {
            session.press(Button::Command1);
        }
        session.tick();
    }
};

TEST_F(Session, NoPressIsTakenWhileABoxIsOpenButTheTickIs)
{
    playARun();
    bool mayCloseUnderBox = true;
    shell.underBox = [&] {
        mayCloseUnderBox = session.mayClose();
        session.press(Button::Command2);
        session.press(Button::Command1);
        session.tick();
    };
    session.press(Button::Command2);

    EXPECT_EQ(shell.boxes.size(), 1U); // the rating alone: 0.3 is no record
    EXPECT_FALSE(mayCloseUnderBox);
    EXPECT_TRUE(session.mayClose());
    EXPECT_FALSE(session.isBoxOpen());
    EXPECT_EQ(shell.texts.at(Control::Command1), u"NUMBER OF CLICKS");
    EXPECT_EQ(shell.texts.at(Control::Counter), u"0");
    EXPECT_FALSE(shell.timerEnabled);

    session.press(Button::Command1);
    EXPECT_EQ(shell.texts.at(Control::Command1), u"1");
}

TEST_F(Session, AFailureStopsTheTimerIsShownOnceAndEndsWithStatusOne)
{
    playARun();
    bool mayCloseUnderFailure = true;
    shell.failSetText = true;
    shell.underBox = [&] {
        shell.underBox = [&] {
            mayCloseUnderFailure = session.mayClose();
            session.press(Button::Command2);
        };
    };
    session.press(Button::Command2); // the rating box, then the reset's first write fails

    ASSERT_EQ(shell.boxes.size(), 2U);
    EXPECT_EQ(shell.boxes.back(), u"The control's text could not be set");
    EXPECT_FALSE(mayCloseUnderFailure);
    EXPECT_FALSE(shell.timerEnabled);
    EXPECT_EQ(shell.quits, std::vector<int> { 1 });
    EXPECT_TRUE(session.hasFailed());

    shell.failSetText = false;
    session.press(Button::Command1);
    session.tick();
    EXPECT_EQ(shell.boxes.size(), 2U);
    EXPECT_EQ(shell.texts.at(Control::Counter), u"1");
}

TEST(SessionLayout, EachButtonHasItsRowAndTheEarlierRowTakesAnOverlap)
{
    for (const Button button : { Button::Command1, Button::Command2 }) {
        EXPECT_EQ(window::buttonInRow(window::designRow(button)), button);
    }
    EXPECT_EQ(window::designOf(Control::Command1).name, "Command1");
    EXPECT_EQ(window::designOf(Control::Counter).name, "Counter");
    EXPECT_EQ(window::designOf(Control::Label1).name, "Label1");
    EXPECT_EQ(window::buttonInRow(window::designRow(Control::Label1)), std::nullopt);

    // The pixel rows at 96 dpi where the buttons overlap, and where RESET meets the record label.
    EXPECT_EQ(window::rowAt(100, 96 * 15), window::designRow(Button::Command1));
    EXPECT_EQ(window::rowAt(100, 128 * 15), window::designRow(Button::Command2));
    EXPECT_EQ(window::rowAt(100, 129 * 15), window::designRow(Control::Label1));
    EXPECT_EQ(window::rowAt(3100, 500), std::nullopt); // the marker is never hit
}

TEST(SessionKeys, ArrowsMoveTheFocusRoundTheButtons)
{
    for (const window::Arrow arrow :
        { window::Arrow::Left, window::Arrow::Up, window::Arrow::Right, window::Arrow::Down }) {
        EXPECT_EQ(window::focusAfter(Button::Command1, arrow), Button::Command2);
        EXPECT_EQ(window::focusAfter(Button::Command2, arrow), Button::Command1);
    }
}

} // namespace

TEST_F(Session, APressCountsByItsInputTimeAcrossTheRunsEnd)
{
    session.load();
    session.press(Button::Command1, 0xFFFF'FF00U); // the run starts just before the clock wraps
    session.press(Button::Command1, 0x0000'260FU); // 9999 ms later: inside
    EXPECT_EQ(shell.texts.at(Control::Command1), u"2");
    session.press(Button::Command1); // no input time: counted as it comes
    session.press(Button::Command1, 0x0000'2610U); // 10000 ms: the tick comes first
    EXPECT_EQ(shell.texts.at(Control::Counter), u"1");
    EXPECT_EQ(shell.texts.at(Control::Command1), u"3");

    session.press(Button::Command2); // rated; the next run has no input time to end by
    session.press(Button::Command1);
    session.press(Button::Command1, 0x0100'0000U);
    EXPECT_EQ(shell.texts.at(Control::Command1), u"2");
    EXPECT_EQ(shell.texts.at(Control::Counter), u"0");
}
