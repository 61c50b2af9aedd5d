#include "clicktest/decimal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace clicktest {
namespace {

// An unsigned integer of any size: every double, and every decimal the reader keeps, is one
// such integer scaled by a power of two or of ten, so comparing them is exact.
class BigInteger {
public:
    explicit BigInteger(std::uint64_t value)
    {
        for (; value != 0; value >>= 32U) {
            m_limbs.push_back(static_cast<std::uint32_t>(value));
        }
    }

    // For a factor above zero.
    void multiply(std::uint32_t factor)
    {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : m_limbs) {
            carry += std::uint64_t { limb } * factor;
            limb = static_cast<std::uint32_t>(carry);
            carry >>= 32U;
        }
        if (carry != 0) {
            m_limbs.push_back(static_cast<std::uint32_t>(carry));
        }
    }

    void add(std::uint32_t term)
    {
        std::uint64_t carry = term;
        for (auto limb = m_limbs.begin(); carry != 0 && limb != m_limbs.end(); ++limb) {
            carry += *limb;
            *limb = static_cast<std::uint32_t>(carry);
            carry >>= 32U;
        }
        if (carry != 0) {
            m_limbs.push_back(static_cast<std::uint32_t>(carry));
        }
    }

    void multiplyByPowerOfTen(int exponent)
    {
        constexpr int ChunkDigits = 9;
        constexpr std::uint32_t Chunk = 1'000'000'000;
        for (; exponent >= ChunkDigits; exponent -= ChunkDigits) {
            multiply(Chunk);
        }
        std::uint32_t rest = 1;
        for (; exponent > 0; --exponent) {
            rest *= 10;
        }
        multiply(rest);
    }

    void shiftLeft(int bits)
    {
        if (m_limbs.empty() || bits == 0) {
            return;
        }
        const auto part = static_cast<unsigned>(bits % 32);
        if (part != 0) {
            std::uint32_t carry = 0;
            for (std::uint32_t& limb : m_limbs) {
                const std::uint32_t out = limb >> (32U - part);
                limb = (limb << part) | carry;
                carry = out;
            }
            if (carry != 0) {
                m_limbs.push_back(carry);
            }
        }
        m_limbs.insert(m_limbs.begin(), static_cast<std::size_t>(bits / 32), 0U);
    }

    // Halves an even number.
    void halve()
    {
        for (std::size_t i = 0; i < m_limbs.size(); ++i) {
            const std::uint32_t above = i + 1 < m_limbs.size() ? m_limbs[i + 1] : 0U;
            m_limbs[i] = (m_limbs[i] >> 1U) | (above << 31U);
        }
        trim();
    }

    // *this -= other, for an other no greater.
    void subtract(const BigInteger& other)
    {
        std::uint64_t borrow = 0;
        for (std::size_t i = 0; i < m_limbs.size(); ++i) {
            const std::uint64_t taken
                = (i < other.m_limbs.size() ? std::uint64_t { other.m_limbs[i] } : 0U) + borrow;
            borrow = m_limbs[i] < taken ? 1U : 0U;
            m_limbs[i] = static_cast<std::uint32_t>(m_limbs[i] - taken);
        }
        trim();
    }

    [[nodiscard]] int bitLength() const
    {
        if (m_limbs.empty()) {
            return 0;
        }
        // bit_width gives an int from libc++ 18, and the limb's own type before.
        return static_cast<int>(32 * (m_limbs.size() - 1))
            + static_cast<int>(std::bit_width(m_limbs.back()));
    }

    [[nodiscard]] bool isZero() const { return m_limbs.empty(); }

    [[nodiscard]] std::strong_ordering operator<=>(const BigInteger& other) const
    {
        if (m_limbs.size() != other.m_limbs.size()) {
            return m_limbs.size() <=> other.m_limbs.size();
        }
        for (std::size_t i = m_limbs.size(); i-- > 0;) {
            if (m_limbs[i] != other.m_limbs[i]) {
                return m_limbs[i] <=> other.m_limbs[i];
            }
        }
        return std::strong_ordering::equal;
    }

private:
    void trim()
    {
        while (!m_limbs.empty() && m_limbs.back() == 0) {
            m_limbs.pop_back();
        }
    }

    // Least significant first; the last is never zero.
    std::vector<std::uint32_t> m_limbs;
};

// std::bit_cast, which libc++ has only from 14.
template <typename To, typename From> To BitCast(const From& from)
{
    static_assert(sizeof(To) == sizeof(From));
    To to {};
    std::memcpy(&to, &from, sizeof to);
    return to;
}

constexpr int MantissaBits = 52;
constexpr std::uint64_t ImplicitBit = std::uint64_t { 1 } << MantissaBits;
constexpr int ExponentBias = 1023;
// The exponent of the smallest subnormal's only bit, and of a normal number's lowest bit when
// its biased exponent field is 1.
constexpr int LowestBit = 1 - ExponentBias - MantissaBits;
constexpr std::uint64_t InfinityBits = std::uint64_t { 0x7ff } << MantissaBits;

// Every double that is an integer's nearest is decided by its first 767 significant digits; past
// them only whether any further digit is nonzero matters, which one more digit stands for.
constexpr std::size_t KeptDigits = 800;

// Decimal exponents beyond these put a value out of range; the bound keeps them small.
constexpr long long ExponentBound = 100'000;

// A number's first significant digits, rounded, and the decimal exponent of the first.
struct Digits {
    std::string digits;
    int exponent = 0;
};

// `precision` digits of a finite magnitude above zero, rounded to nearest with ties to even.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): DecimalText's own pair, passed on
Digits RoundedDigits(double magnitude, int precision)
{
    // magnitude = mantissa * 2^exponent, exactly.
    const auto bits = BitCast<std::uint64_t>(magnitude);
    const auto field = static_cast<int>(bits >> MantissaBits);
    const std::uint64_t mantissa = field == 0 ? bits : (bits & (ImplicitBit - 1)) | ImplicitBit;
    const int exponent = LowestBit + (field == 0 ? 0 : field - 1);
    BigInteger numerator(mantissa);
    BigInteger denominator(1);
    if (exponent > 0) {
        numerator.shiftLeft(exponent);
    } else {
        denominator.shiftLeft(-exponent);
    }

    // The first digit's exponent, estimated from the binary one and then set right, so that
    // numerator / denominator = magnitude / 10^decimal lies in [1, 10).
    constexpr double Log10Of2 = 0.301029995663981195;
    const int binary = exponent + static_cast<int>(std::bit_width(mantissa)) - 1;
    auto decimal = static_cast<int>(std::floor(binary * Log10Of2));
    if (decimal >= 0) {
        denominator.multiplyByPowerOfTen(decimal);
    } else {
        numerator.multiplyByPowerOfTen(-decimal);
    }
    for (BigInteger tenfold = denominator;; ++decimal) {
        tenfold.multiply(10);
        if (numerator < tenfold) {
            break;
        }
        denominator = tenfold;
    }
    for (; numerator < denominator; --decimal) {
        numerator.multiply(10);
    }

    std::string digits;
    for (int place = 0; place < precision; ++place) {
        if (place > 0) {
            numerator.multiply(10);
        }
        char digit = '0';
        for (; numerator >= denominator; ++digit) {
            numerator.subtract(denominator);
        }
        digits.push_back(digit);
    }
    // Twice the remainder against one unit of the last digit.
    numerator.shiftLeft(1);
    const auto half = numerator <=> denominator;
    if (half == std::strong_ordering::greater
        || (half == std::strong_ordering::equal && (digits.back() - '0') % 2 == 1)) {
        auto digit = digits.rbegin();
        for (; digit != digits.rend() && *digit == '9'; ++digit) {
            *digit = '0';
        }
        if (digit == digits.rend()) {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++decimal;
        } else {
            ++*digit;
        }
    }
    return { digits, decimal };
}

} // namespace

std::string DecimalText(double value, int precision)
{
    std::string text = std::signbit(value) ? "-" : "";
    if (value == 0.0) {
        return text + "0";
    }
    auto [digits, exponent] = RoundedDigits(std::abs(value), precision);
    digits.erase(digits.find_last_not_of('0') + 1);
    const auto length = static_cast<int>(digits.size());
    if (exponent < -4 || exponent >= precision) {
        text += digits.front();
        if (length > 1) {
            text += '.';
            text.append(digits, 1);
        }
        text += exponent < 0 ? "e-" : "e+";
        text += std::abs(exponent) < 10 ? "0" : "";
        text += std::to_string(std::abs(exponent));
    } else if (exponent < 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    } else if (length <= exponent + 1) {
        text += digits;
        text.append(static_cast<std::size_t>(exponent + 1 - length), '0');
    } else {
        const auto point = static_cast<std::size_t>(exponent) + 1;
        text.append(digits, 0, point);
        text += '.';
        text.append(digits, point);
    }
    return text;
}

namespace {

constexpr bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal as read: its value is (-1 if negative) * digits * 10^exponent, with no leading zero
// among the digits, and none at all for zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    long long exponent = 0;
};

// Takes a mantissa's digits and point from the front of `text` into `read`; false if there is no
// digit. Digits past the kept ones count only for whether any is nonzero, which one more digit
// stands for.
bool TakeMantissa(std::string_view& text, Decimal& read)
{
    bool anyDigit = false;
    bool dropped = false;
    bool point = false;
    for (; !text.empty(); text.remove_prefix(1)) {
        const char next = text.front();
        if (next == '.' && !point) {
            point = true;
            continue;
        }
        if (!IsDigit(next)) {
            break;
        }
        anyDigit = true;
        const bool leadingZero = read.digits.empty() && next == '0';
        if (leadingZero || read.digits.size() < KeptDigits) {
            read.digits.append(leadingZero ? 0 : 1, next);
            read.exponent -= point ? 1 : 0;
        } else {
            dropped = dropped || next != '0';
            read.exponent += point ? 0 : 1;
        }
    }
    if (dropped) {
        read.digits.push_back('1');
        --read.exponent;
    }
    return anyDigit;
}

// Takes an exponent ('e' or 'E', a sign, digits) from the front of `text`, if one is there: an
// 'e' without digits is no exponent, and stays.
long long TakeExponent(std::string_view& text)
{
    if (text.empty() || (text.front() != 'e' && text.front() != 'E')) {
        return 0;
    }
    std::string_view rest = text.substr(1);
    const bool below = !rest.empty() && rest.front() == '-';
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
        rest.remove_prefix(1);
    }
    if (rest.empty() || !IsDigit(rest.front())) {
        return 0;
    }
    long long written = 0;
    for (; !rest.empty() && IsDigit(rest.front()); rest.remove_prefix(1)) {
        written = std::min(written * 10 + (rest.front() - '0'), ExponentBound);
    }
    text = rest;
    return below ? -written : written;
}

// The whole text as one decimal, or nothing.
std::optional<Decimal> ParseDecimal(std::string_view text)
{
    Decimal read;
    read.negative = !text.empty() && text.front() == '-';
    if (read.negative) {
        text.remove_prefix(1);
    }
    if (!TakeMantissa(text, read)) {
        return std::nullopt;
    }
    read.exponent += TakeExponent(text);
    if (!text.empty()) {
        return std::nullopt;
    }
    return read;
}

// The double nearest to digits * 10^exponent (ties to even), if it is finite and not zero.
std::optional<double> NearestDouble(const std::string& digits, long long exponent)
{
    // The value lies in [10^(scale - 1), 10^scale): past the largest double, or below half the
    // smallest, it is out of range at once.
    const long long scale = static_cast<long long>(digits.size()) + exponent;
    constexpr long long AboveLargest = 309;
    constexpr long long BelowHalfSmallest = -323;
    if (scale > AboveLargest || scale < BelowHalfSmallest) {
        return std::nullopt;
    }
    BigInteger numerator(0);
    for (const char digit : digits) {
        numerator.multiply(10);
        numerator.add(static_cast<std::uint32_t>(digit - '0'));
    }
    BigInteger denominator(1);
    if (exponent >= 0) {
        numerator.multiplyByPowerOfTen(static_cast<int>(exponent));
    } else {
        denominator.multiplyByPowerOfTen(static_cast<int>(-exponent));
    }

    // The value lies in [2^binary, 2^(binary + 1)).
    int binary = numerator.bitLength() - denominator.bitLength();
    BigInteger above = numerator;
    BigInteger below = denominator;
    if (binary >= 0) {
        below.shiftLeft(binary);
    } else {
        above.shiftLeft(-binary);
    }
    binary -= above < below ? 1 : 0;
    // The bits the double keeps: 53 for a normal number, fewer below, none under half the
    // smallest subnormal.
    const int kept = std::min(MantissaBits + 1, binary - LowestBit + 1);
    if (binary > ExponentBias || kept < 0) {
        return std::nullopt;
    }

    // quotient = floor(value * 2^(kept - binary)): the kept bits and one to round by.
    const int shift = kept - binary;
    if (shift >= 0) {
        numerator.shiftLeft(shift);
    } else {
        denominator.shiftLeft(-shift);
    }
    denominator.shiftLeft(kept);
    std::uint64_t quotient = 0;
    for (int bit = kept; bit >= 0; --bit) {
        quotient <<= 1U;
        if (numerator >= denominator) {
            numerator.subtract(denominator);
            quotient |= 1U;
        }
        if (bit > 0) {
            denominator.halve();
        }
    }
    std::uint64_t mantissa = quotient >> 1U;
    if ((quotient & 1U) != 0 && (!numerator.isZero() || (mantissa & 1U) != 0)) {
        ++mantissa;
    }
    // A normal number's leading bit, and a carry out of the top on rounding, add to the
    // exponent field; a subnormal's mantissa is its whole pattern.
    const std::uint64_t bits = binary + ExponentBias > 0
        ? (static_cast<std::uint64_t>(binary + ExponentBias - 1) << MantissaBits) + mantissa
        : mantissa;
    if (bits == 0 || bits >= InfinityBits) {
        return std::nullopt;
    }
    return BitCast<double>(bits);
}

} // namespace

std::optional<double> DecimalNumber(std::string_view text)
{
    const std::optional<Decimal> read = ParseDecimal(text);
    if (!read) {
        return std::nullopt;
    }
    if (read->digits.empty()) {
        return read->negative ? -0.0 : 0.0;
    }
    const std::optional<double> magnitude = NearestDouble(read->digits, read->exponent);
    if (magnitude && read->negative) {
        return -*magnitude;
    }
    return magnitude;
}

} // namespace clicktest
