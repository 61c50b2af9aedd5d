#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace clicktest {

// Texts are UTF-16, as the window's own strings are.
using Text = std::u16string;

// The resting caption of the counting button; a run has not started while it shows.
inline constexpr std::u16string_view IdleCaption = u"NUMBER OF CLICKS";

// How numbers are written for the user. Chosen once at start-up from the user's locale.
struct NumberFormat {
    char16_t decimalSeparator = u'.';
};

// A text that should hold a number does not.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(std::u16string_view text);
};

// Arithmetic on a count left the finite numbers.
class FloatingPointError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[nodiscard]] Text IntegerText(std::int16_t value);

// 15 significant digits, no trailing fraction zeros, no sign for positives, no grouping.
// Throws FloatingPointError for a value that is not finite.
[[nodiscard]] Text NumberText(double value, NumberFormat format = {});

// Reads what IntegerText and NumberText write, and nothing looser: the whole text must be
// one decimal number (optional '-', digits, the separator, an exponent). Throws ConversionError.
[[nodiscard]] double TextNumber(std::u16string_view text, NumberFormat format = {});

// Code unit by code unit, case-sensitive.
[[nodiscard]] constexpr bool TextEquals(std::u16string_view a, std::u16string_view b) noexcept
{
    return a == b;
}

// Returns the result of a count's arithmetic, or throws FloatingPointError if it is not finite.
[[nodiscard]] double CheckedResult(double result);

} // namespace clicktest
