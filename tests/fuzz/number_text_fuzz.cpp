// libFuzzer target for the number reader, with both decimal separators.
//
// What every accepted text must satisfy. NumberText keeps 15 significant digits, so a number
// read from a longer text cannot come back bit for bit; what can be promised is:
//  1. The written text is itself accepted: the writer never produces what the reader refuses.
//  2. Writing is stable: the number read back from the written text writes the same text again.
//     Any decimal of 15 significant digits survives a trip through a double (DBL_DIG is 15).
//  3. The number read back is within one unit of the 15th digit of the number first read:
//     rounding to 15 digits moves it by at most half a unit (5e-15 of its size) and reading
//     adds at most half a unit of the double's own last place; below the normal range a double
//     holds fewer digits, so there the bound allows for the smallest step between doubles too.
//  4. A text of at most 15 significant digits in the normal range comes back exactly: its
//     written text is the same decimal, and both read as the double nearest to it.
// The reader also treats the two separators alike: swapping '.' and ',' in a text and in the
// format changes neither whether it is accepted nor the number it reads as.
// The core's own decimal conversions, which stand in where the C++ library lacks the
// floating-point <charconv>, agree with the library's to the bit: on the bytes as a text, on the
// number read from it, and on the first eight bytes as a double.
#include "clicktest/decimal.h"
#include "clicktest/number_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>

namespace {

using clicktest::NumberFormat;
using clicktest::Text;

constexpr NumberFormat Dot { u'.' };
constexpr NumberFormat Comma { u',' };
constexpr std::uint8_t WideEscape = 0xff;

// Bytes become code units one for one, so corpus files read as the texts they are. The byte
// 0xff and the two after it (low byte first) make any other code unit, to reach look-alike
// digits and signs outside Latin-1 and code units whose low byte is a digit.
Text Decode(std::span<const std::uint8_t> bytes)
{
    Text text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == WideEscape && i + 2 < bytes.size()) {
            text.push_back(static_cast<char16_t>(bytes[i + 1] | (bytes[i + 2] << 8)));
            i += 2;
        } else {
            text.push_back(static_cast<char16_t>(bytes[i]));
        }
    }
    return text;
}

std::string Printable(const Text& text)
{
    std::string out;
    for (const char16_t unit : text) {
        if (unit >= 0x20 && unit < 0x7f) {
            out.push_back(static_cast<char>(unit));
        } else {
            out += "\\u" + std::to_string(static_cast<unsigned>(unit));
        }
    }
    return out;
}

[[noreturn]] void Fail(const char* broken, const Text& text, NumberFormat format)
{
    const std::string report = std::string("number text fuzz: ") + broken + " for \""
        + Printable(text) + "\" with separator '" + static_cast<char>(format.decimalSeparator)
        + "'\n";
    std::fputs(report.c_str(), stderr);
    std::abort();
}

std::optional<double> Read(const Text& text, NumberFormat format)
{
    try {
        return clicktest::TextNumber(text, format);
    } catch (const clicktest::ConversionError&) {
        return std::nullopt;
    }
}

// Digits of the mantissa without the leading and trailing zeros, which carry no precision.
std::size_t SignificantDigits(const Text& text)
{
    std::u16string digits;
    for (const char16_t unit : text) {
        if (unit == u'e' || unit == u'E') {
            break;
        }
        if (unit >= u'0' && unit <= u'9') {
            digits.push_back(unit);
        }
    }
    const auto first = digits.find_first_not_of(u'0');
    if (first == std::u16string::npos) {
        return 0;
    }
    return digits.find_last_not_of(u'0') - first + 1;
}

Text Swapped(Text text)
{
    for (char16_t& unit : text) {
        if (unit == u'.') {
            unit = u',';
        } else if (unit == u',') {
            unit = u'.';
        }
    }
    return text;
}

void CheckAccepted(const Text& text, double value, NumberFormat format)
{
    if (!std::isfinite(value)) {
        Fail("accepted a number that is not finite", text, format);
    }
    const Text written = clicktest::NumberText(value, format);
    const std::optional<double> reread = Read(written, format);
    if (!reread) {
        Fail("the written text is refused", text, format);
    }
    if (clicktest::NumberText(*reread, format) != written) {
        Fail("writing the number read back changes the text", text, format);
    }
    const double bound = std::abs(value) * 1e-14 + std::numeric_limits<double>::denorm_min();
    if (!(std::abs(*reread - value) <= bound)) {
        Fail("the written text reads as another number", text, format);
    }
    const bool normal = value == 0.0 || std::abs(value) >= std::numeric_limits<double>::min();
    if (normal && SignificantDigits(text) <= 15 && *reread != value) {
        Fail("a text of at most 15 digits does not come back exactly", text, format);
    }
}

[[noreturn]] void FailDecimal(const char* broken, const std::string& text)
{
    const std::string report
        = std::string("number text fuzz: ") + broken + " for \"" + text + "\"\n";
    std::fputs(report.c_str(), stderr);
    std::abort();
}

void CheckDecimalText(double value)
{
    if (!std::isfinite(value)) {
        return;
    }
    for (const int precision : { 15, 17 }) {
        std::array<char, 32> buffer {};
        const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
            std::chars_format::general, precision);
        const std::string expected(buffer.data(), end);
        if (clicktest::DecimalText(value, precision) != expected) {
            FailDecimal("DecimalText differs from to_chars", expected);
        }
    }
}

void CheckDecimal(std::span<const std::uint8_t> bytes)
{
    const std::string text(bytes.begin(), bytes.end());
    double expected = 0.0;
    const char* const last = std::to_address(text.end());
    const auto [end, ec] = std::from_chars(text.data(), last, expected);
    const std::optional<double> read = clicktest::DecimalNumber(text);
    // from_chars also spells out infinities and NaNs, which are no decimal.
    const bool decimal = ec == std::errc() && end == last && std::isfinite(expected);
    if (read.has_value() != decimal
        || (read
            && std::bit_cast<std::uint64_t>(*read) != std::bit_cast<std::uint64_t>(expected))) {
        FailDecimal("DecimalNumber differs from from_chars", text);
    }
    if (read) {
        CheckDecimalText(*read);
    }
    std::array<std::uint8_t, sizeof(double)> raw {};
    std::copy_n(bytes.begin(), std::min(bytes.size(), raw.size()), raw.begin());
    CheckDecimalText(std::bit_cast<double>(raw));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Text text = Decode(std::span(data, size));
    const std::optional<double> withDot = Read(text, Dot);
    const std::optional<double> withComma = Read(Swapped(text), Comma);
    if (withDot.has_value() != withComma.has_value()
        || (withDot
            && std::bit_cast<std::uint64_t>(*withDot)
                != std::bit_cast<std::uint64_t>(*withComma))) {
        Fail("the two separators disagree", text, Dot);
    }
    if (withDot) {
        CheckAccepted(text, *withDot, Dot);
        CheckAccepted(Swapped(text), *withComma, Comma);
    }
    CheckDecimal(std::span(data, size));
    return 0;
}
