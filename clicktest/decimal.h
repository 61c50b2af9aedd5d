#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace clicktest {

// Decimal text for doubles, exact in both directions, for a C++ library without the
// floating-point <charconv> (libc++ before 20 has no reader; before 14, no writer either). Where
// the library has them, the two agree with std::to_chars and std::from_chars on every decimal, to
// the bit.

// `value` (finite) with `precision` (at least 1) significant digits, rounded to nearest with ties
// to even, as std::to_chars writes it in chars_format::general: no trailing fraction zeros, an
// exponent of at least two digits when it is below -4 or at least `precision`.
[[nodiscard]] std::string DecimalText(double value, int precision);

// The double nearest to `text` (ties to even), when the whole text is one number as
// std::from_chars reads it in chars_format::general: an optional '-', at least one digit with
// at most one '.' before, among or after them, then an optional exponent. No value for any other
// text, or for one whose value overflows or underflows to zero.
[[nodiscard]] std::optional<double> DecimalNumber(std::string_view text);

} // namespace clicktest
