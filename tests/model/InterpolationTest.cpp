#include "model/Interpolation.h"

#include <gtest/gtest.h>

namespace movalux {
namespace {

TEST(InterpolateGeometry, CutsDownToHundredthsInsteadOfRounding) {
    EXPECT_EQ(interpolateGeometry(10, 20, 0, 3, 1), 13.33f);
    EXPECT_EQ(interpolateGeometry(10, 20, 0, 3, 2), 16.66f);  // 16.666... is not rounded up
}

TEST(InterpolateGeometry, CutsNegativeValuesDownAwayFromZero) {
    EXPECT_EQ(interpolateGeometry(0, -10, 0, 3, 1), -3.34f);
    EXPECT_EQ(interpolateGeometry(0, -10, 0, 3, 2), -6.67f);
}

TEST(InterpolateGeometry, KeepsExactValuesAndWorksFromAnyStartFrame) {
    EXPECT_EQ(interpolateGeometry(100, 200, 1000, 1004, 1001), 125.0f);
    EXPECT_EQ(interpolateGeometry(0.5f, 0.5f, 0, 9, 4), 0.5f);
    // Decreasing runs go through the same formula.
    EXPECT_EQ(interpolateGeometry(20, 10, 0, 3, 1), 16.66f);
}

TEST(InterpolateParam, RoundsHalvesToEven) {
    EXPECT_EQ(interpolateParam(30, 70, 0, 4, 1), 40);
    EXPECT_EQ(interpolateParam(30, 70, 0, 4, 2), 50);
    EXPECT_EQ(interpolateParam(30, 70, 0, 4, 3), 60);
    EXPECT_EQ(interpolateParam(0, 5, 0, 4, 1), 1);  // 1.25
    EXPECT_EQ(interpolateParam(0, 5, 0, 4, 2), 2);  // 2.5
    EXPECT_EQ(interpolateParam(0, 5, 0, 4, 3), 4);  // 3.75
    EXPECT_EQ(interpolateParam(0, 3, 0, 2, 1), 2);  // 1.5
}

TEST(InterpolateParam, LevelsFarApartOnBothSidesOfZeroStayOnTheLine) {
    // The difference does not fit in 16 bits; the result still lies between
    // the two levels.
    EXPECT_EQ(interpolateParam(-30000, 30000, 0, 2, 1), 0);
    EXPECT_EQ(interpolateParam(32767, -32768, 0, 4, 4), -32768);
}

TEST(FadeIn, StartsFullyTransparentAndReachesTheSecondLevel) {
    // P = 70 over frames 10 to 14.
    EXPECT_EQ(fadeInParam(70, 10, 14, 10), 100);
    EXPECT_EQ(fadeInParam(70, 10, 14, 11), 92);  // 92.5
    EXPECT_EQ(fadeInParam(70, 10, 14, 12), 85);
    EXPECT_EQ(fadeInParam(70, 10, 14, 13), 78);  // 77.5
    EXPECT_EQ(fadeInParam(70, 10, 14, 14), 70);
}

TEST(FadeOut, RisesByTheDistanceOfTheSecondLevelFrom100) {
    EXPECT_EQ(fadeOutParam(70, 70, 10, 14, 11), 78);  // 77.5
    EXPECT_EQ(fadeOutParam(70, 70, 10, 14, 12), 85);
    EXPECT_EQ(fadeOutParam(70, 70, 10, 14, 13), 92);  // 92.5
    EXPECT_EQ(fadeOutParam(70, 70, 10, 14, 14), 100);
    // From 50 it ends at 80, not at 100.
    EXPECT_EQ(fadeOutParam(50, 70, 10, 14, 14), 80);
}

TEST(InterpolateRecord, TakesTheFirstKindAndLeavesTheText) {
    const EffRec a{6, 0, 10, 100, 50, 8, "0"};
    const EffRec b{9, 30, 40, 130, 80, 24, "1"};
    EffRec r{0, 0, 0, 0, 0, 0, "kept"};
    interpolateRecord(a, b, 0, 3, 1, r);
    EXPECT_EQ(r, (EffRec{6, 10, 20, 110, 60, 13, "kept"}));  // 13.33 rounds to 13
}

TEST(HookTextValue, ReadsTheNumberFromTheThirdCharacterOn) {
    EXPECT_EQ(hookTextValue("11000123"), 123);
    EXPECT_EQ(hookTextValue("0742.5"), 42);  // half to even
    EXPECT_EQ(hookTextValue("0743.5"), 44);
    EXPECT_EQ(hookTextValue("05"), 0);
    EXPECT_EQ(hookTextValue(""), 0);
    EXPECT_EQ(hookTextValue("1"), 0);
    EXPECT_EQ(hookTextValue("ab12x"), 12);
    // Characters, not bytes: two Japanese characters then the number.
    EXPECT_EQ(hookTextValue("画像77"), 77);
}

}  // namespace
}  // namespace movalux
