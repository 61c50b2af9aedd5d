#include "clicktest/rating.h"

#include <algorithm>

namespace clicktest {

const RatingBand& BandFor(double rate) noexcept
{
    const auto* const band = std::find_if(RatingBands.begin(), RatingBands.end() - 1,
        [rate](const RatingBand& b) { return b.Holds(rate); });
    return *band;
}

Text RatingMessage(double rate, NumberFormat format)
{
    const RatingBand& band = BandFor(rate);
    Text message(band.first);
    message += NumberText(rate, format);
    message += band.second;
    return message;
}

} // namespace clicktest
