#include "effects/DrawShapeIcon.h"

#include <gtest/gtest.h>

#include "effects/Surface.h"

namespace movalux {
namespace {

int blackPixels(const Surface& s) {
    int n = 0;
    for (uint32_t p : s.pixels()) n += sameColour(p, kBlack);
    return n;
}

TEST(DrawShapeIcon, EllipseIsFilledBlackWithSemiAxesOfASixthAndAThirdOfTheHeight) {
    Surface icon(57, 73, kBlack);  // old contents are cleared first
    DrawShapeIcon(icon, 1, false);
    // Horizontal semi-axis 73 / 6 ~ 12.2, vertical 73 / 3 ~ 24.3 around (28.5, 36.5).
    EXPECT_EQ(icon.pixel(28, 36), kBlack);
    EXPECT_EQ(icon.pixel(28, 14), kBlack);
    EXPECT_EQ(icon.pixel(28, 8), kWhite);
    EXPECT_EQ(icon.pixel(38, 36), kBlack);
    EXPECT_EQ(icon.pixel(44, 36), kWhite);
    EXPECT_EQ(icon.pixel(0, 0), kWhite);
    const double area = 3.14159 * (73.0 / 6) * (73.0 / 3);
    EXPECT_NEAR(blackPixels(icon), area, area * 0.12);
}

TEST(DrawShapeIcon, OtherShapesDrawTheMiddleRectangle) {
    Surface icon(40, 80);
    DrawShapeIcon(icon, 2, false);
    EXPECT_EQ(icon.pixel(10, 20), kBlack);
    EXPECT_EQ(icon.pixel(30, 60), kBlack);
    EXPECT_EQ(icon.pixel(9, 20), kWhite);
    EXPECT_EQ(icon.pixel(31, 60), kWhite);
    EXPECT_EQ(blackPixels(icon), 21 * 41);
    Surface zero(40, 80);
    DrawShapeIcon(zero, 0, false);  // a module state that starts zeroed
    EXPECT_EQ(blackPixels(zero), 21 * 41);
}

TEST(DrawShapeIcon, OutsideInvertsTheWholePicture) {
    Surface inside(40, 80), outside(40, 80);
    DrawShapeIcon(inside, 2, false);
    DrawShapeIcon(outside, 2, true);
    for (size_t i = 0; i < inside.pixels().size(); ++i)
        ASSERT_EQ(outside.pixels()[i], (~inside.pixels()[i]) | kOpaque);
}

}  // namespace
}  // namespace movalux
