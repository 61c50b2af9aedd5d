#include "window/common/number_format.h"

#include <gtest/gtest.h>

using window::numberFormatWithSeparator;

TEST(NumberFormat, TakesAOneCharacterSeparatorAndElseAFullStop)
{
    EXPECT_EQ(numberFormatWithSeparator(u",").decimalSeparator, u',');
    EXPECT_EQ(numberFormatWithSeparator(u"\u066B").decimalSeparator, u'\u066B');
    EXPECT_EQ(numberFormatWithSeparator(u"").decimalSeparator, u'.');
    EXPECT_EQ(numberFormatWithSeparator(u",,").decimalSeparator, u'.');
}
