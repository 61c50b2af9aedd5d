#include "clicktest/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

namespace clicktest {
namespace {

constexpr NumberFormat Comma { u',' };

std::string Narrow(const Text& text)
{
    return { text.begin(), text.end() };
}

TEST(IntegerText, WritesPlainDigits)
{
    EXPECT_EQ(IntegerText(0), u"0");
    EXPECT_EQ(IntegerText(1), u"1");
    EXPECT_EQ(IntegerText(-1), u"-1");
    EXPECT_EQ(IntegerText(32767), u"32767");
    EXPECT_EQ(IntegerText(-32768), u"-32768");
}

struct Written {
    double value;
    const char16_t* dot;
    const char16_t* comma;
};

void PrintTo(const Written& written, std::ostream* out)
{
    *out << written.value;
}

std::string WrittenName(const testing::TestParamInfo<Written>& info)
{
    std::string name;
    for (const char16_t unit : std::u16string_view(info.param.dot)) {
        name += unit == u'.' ? 'p' : unit == u'-' ? 'm' : static_cast<char>(unit);
    }
    return "Writes" + name + "_" + std::to_string(info.index);
}

class NumberTextWrites : public testing::TestWithParam<Written> { };

TEST_P(NumberTextWrites, InBothSeparators)
{
    EXPECT_EQ(NumberText(GetParam().value), GetParam().dot);
    EXPECT_EQ(NumberText(GetParam().value, Comma), GetParam().comma);
}

INSTANTIATE_TEST_SUITE_P(Counts, NumberTextWrites,
    testing::Values(Written { 0.0, u"0", u"0" }, Written { -0.0, u"0", u"0" },
        Written { 4.0, u"4", u"4" }, Written { 24.0, u"24", u"24" },
        Written { 100000.0, u"100000", u"100000" },
        Written { 999999999999999.0, u"999999999999999", u"999999999999999" }),
    WrittenName);

INSTANTIATE_TEST_SUITE_P(Rates, NumberTextWrites,
    testing::Values(Written { 23.0 / 10, u"2.3", u"2,3" }, Written { 7.0 / 10, u"0.7", u"0,7" },
        Written { 100.0 / 10, u"10", u"10" }, Written { 5.0 / 10, u"0.5", u"0,5" },
        Written { 1.0 / 10, u"0.1", u"0,1" }, Written { 41.0 / 10, u"4.1", u"4,1" },
        Written { 0.1 + 0.2, u"0.3", u"0,3" }, Written { -2.5, u"-2.5", u"-2,5" }),
    WrittenName);

TEST(NumberText, RefusesWhatIsNotFinite)
{
    EXPECT_THROW((void)NumberText(std::numeric_limits<double>::infinity()), FloatingPointError);
    EXPECT_THROW((void)NumberText(std::numeric_limits<double>::quiet_NaN()), FloatingPointError);
}

TEST(TextNumber, ReadsWhatTheWritersWrite)
{
    EXPECT_EQ(TextNumber(u"0"), 0.0);
    EXPECT_NE(TextNumber(u"1"), 0.0);
    EXPECT_EQ(TextNumber(u"23"), 23.0);
    EXPECT_EQ(TextNumber(u"2.3"), 2.3);
    EXPECT_EQ(TextNumber(u"2,3", Comma), 2.3);
    EXPECT_EQ(TextNumber(u"-2.5"), -2.5);
    EXPECT_EQ(TextNumber(u"1e+15"), 1e15);
}

TEST(TextNumber, CountArithmeticAsTheButtonDoesIt)
{
    EXPECT_EQ(NumberText(TextNumber(u"23") + 1), u"24");
    EXPECT_EQ(NumberText(TextNumber(u"9") + 1), u"10");
    EXPECT_EQ(NumberText(TextNumber(u"23") / 10), u"2.3");
    EXPECT_EQ(NumberText(TextNumber(u"40") / 10), u"4");
    EXPECT_EQ(NumberText(TextNumber(u"5") / 10), u"0.5");
}

class TextNumberRejects : public testing::TestWithParam<const char16_t*> { };

// Letters and digits stay, anything else is spelled as its code: "Text12abc", "Text_2e_".
std::string TextName(const testing::TestParamInfo<const char16_t*>& info)
{
    std::string name = "Text";
    for (const char16_t unit : std::u16string_view(info.param)) {
        const bool plain = (unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'z')
            || (unit >= u'A' && unit <= u'Z');
        name += plain ? std::string(1, static_cast<char>(unit))
                      : "_" + std::to_string(static_cast<int>(unit)) + "_";
    }
    return name;
}

TEST_P(TextNumberRejects, WithAConversionError)
{
    EXPECT_THROW((void)TextNumber(GetParam()), ConversionError);
}

INSTANTIATE_TEST_SUITE_P(NotNumbers, TextNumberRejects,
    testing::Values(u"", u"NUMBER OF CLICKS", u"12abc", u"2.3.4", u"1e400", u"-1e400", u" 1", u"1 ",
        u"+", u"-", u".", u"e5", u"inf", u"nan", u"0x10", u"2,3", u"1\u0661", u"\uff11"),
    TextName);

TEST(TextNumber, CommaLocaleRejectsTheFullStop)
{
    EXPECT_THROW((void)TextNumber(u"2.3", Comma), ConversionError);
}

TEST(TextNumber, ErrorNamesTheText)
{
    try {
        (void)TextNumber(u"12abc");
        FAIL() << "no error";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "Type mismatch: \"12abc\" is not a number");
    }
}

TEST(NumberTextRoundTrip, EveryCountAndEveryTenthOfOne)
{
    for (int count = 0; count <= 100000; ++count) {
        const double value = count;
        const double rate = value / 10;
        for (const NumberFormat format : { NumberFormat {}, Comma }) {
            ASSERT_EQ(TextNumber(NumberText(value, format), format), value) << count;
            const Text rateText = NumberText(rate, format);
            ASSERT_EQ(TextNumber(rateText, format), rate) << Narrow(rateText);
            // A tenth has at most one fractional digit on screen.
            const auto separator = rateText.find(format.decimalSeparator);
            ASSERT_TRUE(separator == Text::npos || separator + 2 == rateText.size())
                << Narrow(rateText);
        }
    }
}

TEST(NumberTextRoundTrip, ExtremeMagnitudesStayReadable)
{
    constexpr double Largest = std::numeric_limits<double>::max();
    for (const double value : { Largest, -Largest, std::nextafter(Largest, 0.0),
             std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min() }) {
        for (const NumberFormat format : { NumberFormat {}, Comma }) {
            const Text written = NumberText(value, format);
            double reread = 0.0;
            ASSERT_NO_THROW(reread = TextNumber(written, format)) << Narrow(written);
            EXPECT_LE(std::abs(reread - value), std::abs(value) * 1e-14) << Narrow(written);
        }
    }
    EXPECT_EQ(NumberText(Largest), u"1.79769313486231e+308");
}

TEST(CheckedResult, PassesFiniteAndRaisesOtherwise)
{
    EXPECT_EQ(CheckedResult(2.5), 2.5);
    EXPECT_THROW((void)CheckedResult(std::numeric_limits<double>::max() * 2), FloatingPointError);
    EXPECT_THROW((void)CheckedResult(std::nan("")), FloatingPointError);
}

TEST(TextEquals, IsExactAndCaseSensitive)
{
    EXPECT_TRUE(TextEquals(u"NUMBER OF CLICKS", IdleCaption));
    EXPECT_FALSE(TextEquals(u"number of clicks", IdleCaption));
    EXPECT_FALSE(TextEquals(u"NUMBER OF CLICKS ", IdleCaption));
    EXPECT_FALSE(TextEquals(std::u16string_view(u"NUMBER OF CLICKS\0", 17), IdleCaption));
}

} // namespace
} // namespace clicktest
