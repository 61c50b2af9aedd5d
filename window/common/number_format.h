#pragma once

#include "clicktest/number_text.h"

#include <string_view>

namespace window {

// The game's number format for the decimal separator a platform's locale gives: that separator if
// it is one character, as the game writes one, else the game's own full stop.
[[nodiscard]] constexpr clicktest::NumberFormat numberFormatWithSeparator(
    std::u16string_view separator) noexcept
{
    return separator.size() == 1 ? clicktest::NumberFormat { separator.front() }
                                 : clicktest::NumberFormat {};
}

} // namespace window
