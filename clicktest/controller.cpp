#include "clicktest/controller.h"

#include "clicktest/rating.h"

namespace clicktest {

Controller::Controller(ClickTestView& view, NumberFormat format) noexcept
    : m_view(view)
    , m_format(format)
{
}

void Controller::Form_Load()
{
    m_recordRate = StartingRecordRate;
    m_timeUp = false;
}

void Controller::Command1_Click()
{
    const Text count = m_view.GetText(Control::Command1);
    if (TextEquals(count, IdleCaption)) {
        m_view.SetTimerEnabled(true);
        m_view.SetText(Control::Command1, IntegerText(1));
        return;
    }
    // Once the marker says the time is up, presses are silently not counted.
    if (TextNumber(m_view.GetText(Control::Counter), m_format) == 0.0) {
        m_view.SetText(Control::Command1, NextCount(count));
    }
}

void Controller::Command2_Click()
{
    if (m_timeUp) {
        Evaluate();
        return;
    }
    // Before the time is up, RESET is one more press of the counting button.
    const Text count = m_view.GetText(Control::Command1);
    if (TextEquals(count, IdleCaption)) {
        m_view.SetText(Control::Command1, IntegerText(1));
        m_view.SetTimerEnabled(true);
        return;
    }
    m_view.SetText(Control::Command1, NextCount(count));
}

void Controller::Timer1_Timer()
{
    // The timer keeps ticking until the evaluation; a later tick writes the same values again.
    m_view.SetText(Control::Counter, IntegerText(1));
    m_timeUp = true;
}

Text Controller::NextCount(std::u16string_view count) const
{
    return NumberText(CheckedResult(TextNumber(count, m_format) + 1.0), m_format);
}

void Controller::Evaluate()
{
    const Text count = m_view.GetText(Control::Command1);
    m_clickRate = TextEquals(count, IdleCaption)
        ? 0.0
        : CheckedResult(TextNumber(count, m_format) / RunSeconds);

    // A tick may arrive while a message is shown; it only repeats the time-up state.
    m_view.ShowMessage(RatingMessage(m_clickRate, m_format));
    if (m_clickRate > m_recordRate) {
        m_view.ShowMessage(NewRecordMessage);
        m_recordRate = m_clickRate;
        m_view.SetText(Control::Label1, NumberText(m_recordRate, m_format));
    }

    m_view.SetTimerEnabled(false);
    m_timeUp = false;
    m_view.SetText(Control::Command1, IdleCaption);
    m_view.SetText(Control::Counter, IntegerText(0));
}

} // namespace clicktest
