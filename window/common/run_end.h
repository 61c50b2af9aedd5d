#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace window {

// The window system's time of an input event, in microseconds on a clock 32 bits wide that wraps
// about every 71.6 minutes, so two times are compared by their difference, read as signed, never
// by value. The desktops stamp whole milliseconds on 32-bit clocks of their own; the browser
// stamps fractions of one.
using InputTime = std::uint32_t;

// A desktop's 32-bit millisecond stamp. Its wrap stays a wrap: differences modulo 2^32 survive
// the multiplication.
[[nodiscard]] constexpr InputTime inputTimeFromMilliseconds(std::uint32_t milliseconds) noexcept
{
    return milliseconds * 1000U;
}

// The longest a press stamped in time may take to reach the game: a window system hands input
// over when it can, and a busy compositor or browser may hold it for a frame or two past the end.
// The run's tick waits this long past the end, so that it never cuts off such a press; nothing on
// screen shows the tick, and a press stamped past the end brings it at once.
inline constexpr std::chrono::milliseconds InputGrace { 500 };

// When a run ends. A press belongs to the run when it was made before the starting press plus the
// run's length. Where the window system stamped both, the stamps decide; read as signed, a stamp a
// little before the start (another device's event queued behind it) is inside, and one across the
// clock's wrap after. A stamp that steps coarser than the millisecond (Windows' tick count) leaves
// a press in doubt within a step either side of the end; there, as for a press that has no stamp,
// the time the game handled it decides.
class RunEnd {
public:
    using Clock = std::chrono::steady_clock;

    // `step`: how much later than its stamp a press may have been made, beyond the millisecond;
    // zero where the stamps are exact.
    constexpr RunEnd(std::chrono::milliseconds length, std::chrono::microseconds step) noexcept
        : m_length(std::chrono::duration_cast<std::chrono::microseconds>(length).count())
        , m_step(step.count())
    {
    }

    constexpr void start(std::optional<InputTime> stamp, Clock::time_point handled) noexcept
    {
        m_startStamp = stamp;
        m_startHandled = handled;
    }
    constexpr void clear() noexcept
    {
        m_startStamp.reset();
        m_startHandled.reset();
    }
    // True once a press stamped `stamp` and handled at `handled` is at or past the end of a
    // running run.
    [[nodiscard]] constexpr bool hasPassed(
        std::optional<InputTime> stamp, Clock::time_point handled) const noexcept
    {
        if (!m_startHandled) {
            return false;
        }
        if (stamp && m_startStamp) {
            const std::int64_t since = static_cast<std::int32_t>(*stamp - *m_startStamp);
            if (since < m_length - m_step) {
                return false;
            }
            if (since >= m_length + m_step) {
                return true;
            }
        }
        return handled - *m_startHandled >= std::chrono::microseconds(m_length);
    }

private:
    std::int64_t m_length; // microseconds, as the stamps
    std::int64_t m_step;
    std::optional<InputTime> m_startStamp;
    std::optional<Clock::time_point> m_startHandled;
};

} // namespace window
