#pragma once

#include <cstdint>
#include <optional>

namespace window {

// The window system's time of an input event, in milliseconds. It is 32 bits wide and wraps about
// every 49.7 days, so two times are compared by their unsigned difference, never by value.
using InputTime = std::uint32_t;

// The end of a run in input time: a press belongs to the run when its input time is before the
// starting press's plus the run's length. The difference is read as signed, so a time a little
// before the start (another device's event queued behind it) counts as inside, and one across the
// clock's wrap as after.
class InputDeadline {
public:
    explicit constexpr InputDeadline(std::int32_t length) noexcept
        : m_length(length)
    {
    }

    constexpr void start(InputTime at) noexcept { m_start = at; }
    constexpr void clear() noexcept { m_start.reset(); }
    [[nodiscard]] constexpr bool isRunning() const noexcept { return m_start.has_value(); }

    // True once `at` is at or past the end of a running run.
    [[nodiscard]] constexpr bool hasPassed(InputTime at) const noexcept
    {
        return m_start && static_cast<std::int32_t>(at - *m_start) >= m_length;
    }

private:
    std::int32_t m_length;
    std::optional<InputTime> m_start;
};

} // namespace window
