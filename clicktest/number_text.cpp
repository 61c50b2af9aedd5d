#include "clicktest/number_text.h"

#include "clicktest/decimal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace clicktest {
namespace {

// Shows the offending text in the error; anything outside ASCII becomes '?'.
std::string Printable(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char16_t unit : text) {
        out.push_back(unit >= 0x20 && unit < 0x7f ? static_cast<char>(unit) : '?');
    }
    return out;
}

constexpr bool IsNumberChar(char16_t unit)
{
    return (unit >= u'0' && unit <= u'9') || unit == u'-' || unit == u'+' || unit == u'e'
        || unit == u'E';
}

// The significant digits NumberText shows.
constexpr int ShownDigits = 15;

#if defined(__cpp_lib_to_chars)
std::string WriteDecimal(double value)
{
    std::array<char, 32> buffer {};
    const auto [end, ec] = std::to_chars(buffer.data(), std::to_address(buffer.end()), value,
        std::chars_format::general, ShownDigits);
    return { buffer.data(), end };
}

std::optional<double> ReadDecimal(std::string_view text)
{
    double value = 0.0;
    const char* const last = std::to_address(text.end());
    const auto [end, ec] = std::from_chars(text.data(), last, value);
    if (ec != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}
#else
// This C++ library has no floating-point <charconv>: the core's own conversions stand in.
std::string WriteDecimal(double value)
{
    return DecimalText(value, ShownDigits);
}

std::optional<double> ReadDecimal(std::string_view text)
{
    return DecimalNumber(text);
}
#endif

Text Widen(std::string_view ascii, NumberFormat format)
{
    Text out(ascii.size(), u'\0');
    std::transform(ascii.begin(), ascii.end(), out.begin(),
        [format](char c) { return c == '.' ? format.decimalSeparator : static_cast<char16_t>(c); });
    return out;
}

} // namespace

ConversionError::ConversionError(std::u16string_view text)
    : std::runtime_error("Type mismatch: \"" + Printable(text) + "\" is not a number")
{
}

Text IntegerText(std::int16_t value)
{
    std::array<char, 8> buffer {};
    const auto [end, ec] = std::to_chars(buffer.data(), std::to_address(buffer.end()), value);
    return Widen(
        std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data())), {});
}

Text NumberText(double value, NumberFormat format)
{
    if (!std::isfinite(value)) {
        throw FloatingPointError("Overflow: the number is not finite");
    }
    // Negative zero is still zero to the user. The few doubles above the largest finite number
    // of 15 digits would round up past the largest double, to a text that reads as no number.
    constexpr double LargestWritable = 1.79769313486231e308;
    const double shown = value == 0.0 ? 0.0 : std::clamp(value, -LargestWritable, LargestWritable);
    return Widen(WriteDecimal(shown), format);
}

double TextNumber(std::u16string_view text, NumberFormat format)
{
    // from_chars alone would also take "inf", "nan" and hex digits; none is a number here.
    std::string ascii;
    ascii.reserve(text.size());
    for (const char16_t unit : text) {
        if (unit == format.decimalSeparator) {
            ascii.push_back('.');
        } else if (IsNumberChar(unit)) {
            ascii.push_back(static_cast<char>(unit));
        } else {
            throw ConversionError(text);
        }
    }
    const std::optional<double> value = ReadDecimal(ascii);
    if (!value || !std::isfinite(*value)) {
        throw ConversionError(text);
    }
    return *value;
}

double CheckedResult(double result)
{
    if (std::isnan(result)) {
        throw FloatingPointError("Invalid floating-point operation");
    }
    if (std::isinf(result)) {
        throw FloatingPointError("Overflow");
    }
    return result;
}

} // namespace clicktest
