#include "clicktest/rating.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace clicktest {
namespace {

struct Rated {
    double rate;
    const char16_t* message;
};

// "Rate2p5", "RateMinus1": readable test names.
std::string RateName(const testing::TestParamInfo<Rated>& info)
{
    std::string name = std::to_string(info.param.rate);
    name.erase(name.find_last_not_of('0') + 1);
    if (name.back() == '.') {
        name.pop_back();
    }
    for (char& c : name) {
        c = c == '.' ? 'p' : c;
    }
    return "Rate" + (name.front() == '-' ? "Minus" + name.substr(1) : name);
}

void PrintTo(const Rated& rated, std::ostream* out)
{
    *out << rated.rate;
}

class RatingMessageFor : public testing::TestWithParam<Rated> { };

TEST_P(RatingMessageFor, TheRatesBand)
{
    EXPECT_EQ(RatingMessage(GetParam().rate), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Bounds, RatingMessageFor,
    testing::Values(Rated { 0.1,
                        u"You only clicked the button 0.1 times in a second. You need more "
                        u"practice using a "
                        u"mouse." },
        Rated { 2.4,
            u"You only clicked the button 2.4 times in a second. You need more practice using "
            u"a "
            u"mouse." },
        Rated { 0.0,
            u"You're pretty good - you clicked the button 0 times each second. Next time, try "
            u"to "
            u"do better." },
        Rated { -1.0,
            u"You're pretty good - you clicked the button -1 times each second. Next time, try "
            u"to "
            u"do better." },
        Rated { 2.5,
            u"You're pretty good - you clicked the button 2.5 times each second. Next time, "
            u"try "
            u"to do better." },
        Rated { 3.9,
            u"You're pretty good - you clicked the button 3.9 times each second. Next time, "
            u"try "
            u"to do better." },
        Rated { 4.0, u"Wow! You clicked the button 4 times in a second. Bravo!!!" },
        Rated { 5.9, u"Wow! You clicked the button 5.9 times in a second. Bravo!!!" },
        Rated { 6.0, u"Amazing! Clicking a button 6 times in a single second is quite cool!" },
        Rated { 9.9, u"Amazing! Clicking a button 9.9 times in a single second is quite cool!" },
        Rated { 10.0, u"Wow. 10 times per second..." },
        Rated { 12.3, u"Wow. 12.3 times per second..." },
        Rated { 1e9, u"Wow. 1000000000 times per second..." }),
    RateName);

TEST(RatingMessage, WritesTheRateInTheUsersSeparator)
{
    EXPECT_EQ(RatingMessage(4.1, NumberFormat { u',' }),
        u"Wow! You clicked the button 4,1 times in a second. Bravo!!!");
}

TEST(BandFor, JustBelowALimitStaysInTheLowerBand)
{
    EXPECT_EQ(&BandFor(2.4999999999), &RatingBands.at(0));
    EXPECT_EQ(&BandFor(3.9999999999), &RatingBands.at(1));
    EXPECT_EQ(&BandFor(5.9999999999), &RatingBands.at(2));
    EXPECT_EQ(&BandFor(9.9999999999), &RatingBands.at(3));
}

} // namespace
} // namespace clicktest
