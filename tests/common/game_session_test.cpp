#include "window/common/game_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <new>
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
    [[nodiscard]] clicktest::Text text(Control which) const override { return texts.at(which); }
    void setText(Control which, std::u16string_view text) override
    {
        if (failSetText) {
            failSetText();
        }
        texts[which] = clicktest::Text(text);
    }
    void startTicks(std::chrono::milliseconds interval) override
    {
        timerEnabled = true;
        tickInterval = interval;
    }
    void stopTicks() override { timerEnabled = false; }
    void showMessage(std::u16string_view prompt) override
    {
        boxes.emplace_back(prompt);
        runUnderBox();
    }
    void showFailure(std::string_view reason) override
    {
        boxes.emplace_back(reason.begin(), reason.end());
        if (failShowFailure) {
            throw std::bad_alloc();
        }
        runUnderBox();
    }
    void quit(int status) noexcept override { quits.push_back(status); }

    std::map<Control, clicktest::Text> texts { { Control::Command1, u"NUMBER OF CLICKS" },
        { Control::Counter, u"0" }, { Control::Label1, u"RECORD: 4" } };
    bool timerEnabled = false;
    std::chrono::milliseconds tickInterval {};
    std::function<void()> failSetText;
    bool failShowFailure = false;
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
    shell.failSetText
        = [] { throw clicktest::ControlError("The control's text could not be set"); };
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

    shell.failSetText = nullptr;
    session.press(Button::Command1);
    session.tick();
    EXPECT_EQ(shell.boxes.size(), 2U);
    EXPECT_EQ(shell.texts.at(Control::Counter), u"1");
}

TEST_F(Session, AnyFailureEndsTheGameEvenWhenItsBoxCannotBeShown)
{
    session.load();
    shell.failSetText = [] { throw 42; };
    shell.failShowFailure = true;
    session.press(Button::Command1);
    EXPECT_EQ(shell.boxes, std::vector<std::u16string> { u"An unexpected error occurred." });
    EXPECT_EQ(shell.quits, std::vector<int> { 1 });
}

TEST_F(Session, APressCountsByItsInputTimeAcrossTheRunsEnd)
{
    using window::inputTimeFromMilliseconds;
    session.load();
    // The run starts just before the millisecond clock wraps.
    session.press(Button::Command1, { inputTimeFromMilliseconds(0xFFFF'FF00U) });
    session.press(Button::Command1, { inputTimeFromMilliseconds(0x0000'260FU) }); // 9999 ms: in
    EXPECT_EQ(shell.texts.at(Control::Command1), u"2");
    session.press(Button::Command1); // no stamp: counted by when it is handled, at once
    session.press(Button::Command1, { inputTimeFromMilliseconds(0x0000'2610U) }); // 10000 ms: out
    EXPECT_EQ(shell.texts.at(Control::Counter), u"1");
    EXPECT_EQ(shell.texts.at(Control::Command1), u"3");

    session.press(Button::Command2); // rated; the next run starts with no stamp to end by
    session.press(Button::Command1);
    session.press(Button::Command1, { inputTimeFromMilliseconds(0x0100'0000U) });
    EXPECT_EQ(shell.texts.at(Control::Command1), u"2");
    EXPECT_EQ(shell.texts.at(Control::Counter), u"0");
}

TEST_F(Session, TheTickLeavesRoomForPressesStillOnTheirWay)
{
    using namespace std::chrono_literals;
    using window::inputTimeFromMilliseconds;
    session.load();
    session.tick(); // one the platform had queued from before: there is no run to end
    EXPECT_EQ(shell.texts.at(Control::Counter), u"0");

    session.press(Button::Command1, { inputTimeFromMilliseconds(1000) });
    // However busy the window system, a press stamped in time that reaches the game within
    // 300 ms of the end comes before the tick.
    EXPECT_GE(shell.tickInterval - window::Form1Design.timerInterval, 300ms);
    session.press(Button::Command1, { inputTimeFromMilliseconds(10'999) });
    EXPECT_EQ(shell.texts.at(Control::Command1), u"2");
    session.tick();
    session.press(Button::Command2);
    EXPECT_FALSE(shell.timerEnabled);
    session.tick(); // queued before the timer stopped
    EXPECT_EQ(shell.texts.at(Control::Counter), u"0");
}

TEST_F(Session, APressWithNoStampCountsByWhenItIsHandled)
{
    using namespace std::chrono_literals;
    static window::RunEnd::Clock::time_point now {};
    window::GameSession timed(shell, {}, 0us, []() noexcept { return now; });
    timed.load();
    timed.press(Button::Command1);
    now += 9999ms;
    timed.press(Button::Command1);
    now += 1ms;
    timed.press(Button::Command1);
    EXPECT_EQ(shell.texts.at(Control::Command1), u"2");
}

TEST_F(Session, AHeldKeyPressesOnce)
{
    session.load();
    session.press(Button::Command1);
    for (const Button held : { Button::Command1, Button::Command2 }) {
        session.press(held, { std::nullopt, true });
    }
    EXPECT_EQ(shell.texts.at(Control::Command1), u"1");
}

} // namespace
