#pragma once

#include "clicktest/number_text.h"

#include <array>
#include <limits>
#include <optional>
#include <string_view>

namespace clicktest {

// One row of the rating table. A rate falls in the band when it is above `above`, for the one
// band that has a lower bound, and below `below`; the message is first + rate + second.
struct RatingBand {
    std::optional<double> above;
    double below;
    std::u16string_view first;
    std::u16string_view second;

    [[nodiscard]] constexpr bool Holds(double rate) const noexcept
    {
        return (!above || rate > *above) && rate < below;
    }
};

// Tested top to bottom; every bound is strict, so a rate on a limit goes one band up.
inline constexpr std::array<RatingBand, 5> RatingBands { {
    { 0.0, 2.5, u"You only clicked the button ",
        u" times in a second. You need more practice using a mouse." },
    { std::nullopt, 4.0, u"You're pretty good - you clicked the button ",
        u" times each second. Next time, try to do better." },
    { std::nullopt, 6.0, u"Wow! You clicked the button ", u" times in a second. Bravo!!!" },
    { std::nullopt, 10.0, u"Amazing! Clicking a button ",
        u" times in a single second is quite cool!" },
    { std::nullopt, std::numeric_limits<double>::infinity(), u"Wow. ", u" times per second..." },
} };

// The band a rate falls in; the last band takes whatever no earlier band holds.
[[nodiscard]] const RatingBand& BandFor(double rate) noexcept;

[[nodiscard]] Text RatingMessage(double rate, NumberFormat format = {});

} // namespace clicktest
