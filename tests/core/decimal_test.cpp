#include "clicktest/decimal.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace clicktest {
namespace {

struct Written {
    double value;
    const char* text;
};

struct Read {
    std::string text;
    double value;
};

TEST(DecimalText, RoundsToNearestWithTiesToEven)
{
    const std::array cases {
        Written { 2.3, "2.3" },
        Written { -2.5, "-2.5" },
        Written { 0.000123, "0.000123" },
        Written { 1.5e-5, "1.5e-05" },
        Written { 123456789012345678.0, "1.23456789012346e+17" },
        Written { 1000000000000005.0, "1e+15" },
        Written { 1000000000000015.0, "1.00000000000002e+15" },
        Written { 999999999999999.5, "1e+15" },
        Written { std::numeric_limits<double>::denorm_min(), "4.94065645841247e-324" },
        Written { std::numeric_limits<double>::max(), "1.79769313486232e+308" },
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(DecimalText(value, 15), text) << text;
    }
    EXPECT_EQ(DecimalText(0.1, 17), "0.10000000000000001");
}

TEST(DecimalNumber, ReadsTheNearestDouble)
{
    const std::string tie = "9007199254740993"; // halfway between two doubles
    const std::array cases {
        Read { "2.3", 2.3 },
        Read { "000.0012e+3", 1.2 },
        Read { ".5", 0.5 },
        Read { "5.", 5.0 },
        Read { "-1E-5", -1e-5 },
        Read { tie, 9007199254740992.0 },
        Read { "9007199254740995", 9007199254740996.0 },
        Read { tie + "." + std::string(800, '0') + "1", 9007199254740994.0 },
        Read { "2.4703282292062328e-324", std::numeric_limits<double>::denorm_min() },
        Read { "1.7976931348623158e308", std::numeric_limits<double>::max() },
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(DecimalNumber(text), std::optional(value)) << text.substr(0, 40);
    }
    const std::optional<double> negativeZero = DecimalNumber("-0");
    ASSERT_TRUE(negativeZero);
    EXPECT_TRUE(*negativeZero == 0.0 && std::signbit(*negativeZero));
}

TEST(DecimalNumber, RefusesWhatIsNoNumberOrOutOfRange)
{
    for (const char* text : { "", "-", ".", "+5", "e5", "1e", "1e+", "1.2.3", " 1", "0x10", "inf",
             "1e400", "2.4703282292062327e-324", "1.7976931348623159e308" }) {
        EXPECT_EQ(DecimalNumber(text), std::nullopt) << text;
    }
}

} // namespace
} // namespace clicktest
