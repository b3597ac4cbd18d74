#include "base/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace movalux {
namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven32(0.5), 0);
    EXPECT_EQ(roundHalfEven32(1.5), 2);
    EXPECT_EQ(roundHalfEven32(2.5), 2);
    EXPECT_EQ(roundHalfEven32(-0.5), 0);
    EXPECT_EQ(roundHalfEven32(-1.5), -2);
    EXPECT_EQ(roundHalfEven32(2.5000001), 3);
    EXPECT_EQ(roundHalfEven16(-2.5), -2);
}

TEST(RoundHalfEven, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(roundHalfEven16(40000.0), 32767);
    EXPECT_EQ(roundHalfEven16(-40000.0), -32768);
    EXPECT_EQ(roundHalfEven32(1e20), INT32_MAX);
    EXPECT_EQ(roundHalfEven32(std::nan("")), 0);
}

TEST(DivRoundHalfEven, MatchesRoundingTheExactQuotient) {
    EXPECT_EQ(divRoundHalfEven(3, 2), 2);  // 1.5
    EXPECT_EQ(divRoundHalfEven(5, 2), 2);  // 2.5
    EXPECT_EQ(divRoundHalfEven(7, 2), 4);  // 3.5
    for (int64_t count = 1; count <= 40; ++count)
        for (int64_t sum = 0; sum <= 255 * count; ++sum)
            ASSERT_EQ(divRoundHalfEven(sum, count), std::nearbyint(static_cast<double>(sum) / count))
                << sum << "/" << count;
}

TEST(LeadingValue, ReadsTheNumberAtTheStartOfATextBox) {
    EXPECT_DOUBLE_EQ(leadingValue("12abc"), 12);
    EXPECT_DOUBLE_EQ(leadingValue("  -3.5 px"), -3.5);
    EXPECT_DOUBLE_EQ(leadingValue(".25"), 0.25);
    EXPECT_DOUBLE_EQ(leadingValue("1e3"), 1000);
    EXPECT_DOUBLE_EQ(leadingValue("1e"), 1);
    EXPECT_DOUBLE_EQ(leadingValue(""), 0);
    EXPECT_DOUBLE_EQ(leadingValue("abc"), 0);
    EXPECT_DOUBLE_EQ(leadingValue("-"), 0);
}

TEST(ParseNumber, AcceptsOnlyWholeNumbers) {
    EXPECT_EQ(parseNumber(".5"), 0.5);
    EXPECT_EQ(parseNumber("-.25"), -0.25);
    EXPECT_EQ(parseNumber("1.5E+20"), 1.5e20);
    EXPECT_FALSE(parseNumber("12x"));
    EXPECT_FALSE(parseNumber(""));
    EXPECT_FALSE(parseNumber("."));
    EXPECT_FALSE(parseNumber("1e999"));
    EXPECT_EQ(parseInteger("-35"), -35);
    EXPECT_FALSE(parseInteger("3.0"));
    EXPECT_FALSE(parseInteger(""));
}

TEST(FormatFixed, RoundsLikeTheCoordinateBoxes) {
    EXPECT_EQ(formatFixed(12.4, 0), "12");
    EXPECT_EQ(formatFixed(12.5, 0), "13");
    EXPECT_EQ(formatFixed(-0.4, 0), "0");
    EXPECT_EQ(formatFixed(-7.5, 0), "-8");
    EXPECT_EQ(formatFixed(37.5, 1), "37.5");
    EXPECT_EQ(formatFixed(50, 1), "50.0");
    EXPECT_EQ(plainNumberText(120), "120");
    EXPECT_EQ(plainNumberText(12.5), "12.5");
}

}  // namespace
}  // namespace movalux
