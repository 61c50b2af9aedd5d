#pragma once

#include "clicktest/number_text.h"

#include <stdexcept>
#include <string_view>

namespace clicktest {

// The window's controls the game reads or writes.
enum class Control {
    Command1, // the counting button; its text is the count
    Counter, // the hidden marker: 0 while presses count, 1 once the time is up
    Label1, // the record label
};

// What the game needs from its window. Each operation throws (e.g. ControlError) when the
// control call fails; the handler that made it stops there.
class ClickTestView {
public:
    ClickTestView() = default;
    ClickTestView(const ClickTestView&) = delete;
    ClickTestView& operator=(const ClickTestView&) = delete;
    ClickTestView(ClickTestView&&) = delete;
    ClickTestView& operator=(ClickTestView&&) = delete;
    virtual ~ClickTestView() = default;

    [[nodiscard]] virtual Text GetText(Control control) const = 0;
    virtual void SetText(Control control, std::u16string_view text) = 0;
    // Enabling starts a fresh interval from now; disabling stops the ticks.
    virtual void SetTimerEnabled(bool enabled) = 0;
    // Modal; returns once the user has dismissed the message.
    virtual void ShowMessage(std::u16string_view prompt) = 0;
};

// A control call that did not succeed.
class ControlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::u16string_view NewRecordMessage = u"NEW RECORD!";
inline constexpr double StartingRecordRate = 4.0;
// The run's length in seconds, for the rate; the timer's interval is the window's business.
inline constexpr double RunSeconds = 10.0;

// The game: four event handlers over the view. Count and time-up marker live in the
// controls and are read back from them; the record lives here for the program's life.
class Controller {
public:
    Controller(ClickTestView& view, NumberFormat format) noexcept;

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Timer1_Timer();

    [[nodiscard]] bool TimeUp() const noexcept { return m_timeUp; }
    [[nodiscard]] double ClickRate() const noexcept { return m_clickRate; }
    [[nodiscard]] double RecordRate() const noexcept { return m_recordRate; }

private:
    [[nodiscard]] Text NextCount(std::u16string_view count) const;
    void Evaluate();

    ClickTestView& m_view;
    NumberFormat m_format;
    bool m_timeUp = false;
    double m_clickRate = 0.0;
    double m_recordRate = StartingRecordRate;
};

} // namespace clicktest
