// The block transforms against a plain per-pixel rendering of the rules,
// and the documented edge cases.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "effects/MozaikModule1.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

using test::patternPicture;

void fillBlock(Surface& out, const Surface& in, const std::vector<std::pair<int, int>>& px) {
    if (px.empty()) return;
    double r = 0, g = 0, b = 0;
    for (auto [x, y] : px) {
        uint32_t p = in.pixel(x, y);
        r += redOf(p);
        g += greenOf(p);
        b += blueOf(p);
    }
    const double n = static_cast<double>(px.size());
    const uint32_t c = rgb(static_cast<int>(std::nearbyint(r / n)), static_cast<int>(std::nearbyint(g / n)),
                           static_cast<int>(std::nearbyint(b / n)));
    for (auto [x, y] : px) out.setPixel(x, y, c);
}

Surface referenceInside(const Surface& in, int X, int Y, int W, int H, int B) {
    Surface out = in;
    const long nR = std::lrint(static_cast<double>(H) / B), nC = std::lrint(static_cast<double>(W) / B);
    for (long i = 0; i <= nR; ++i) {
        long y0 = Y + i * B;
        if (y0 > in.height()) break;
        for (long j = 0; j <= nC; ++j) {
            long x0 = X + j * B;
            if (x0 > in.width()) break;
            std::vector<std::pair<int, int>> px;
            for (long y = y0; y < y0 + B; ++y)
                for (long x = x0; x < x0 + B; ++x)
                    if (x >= X && x <= X + W && y >= Y && y <= Y + H && in.contains(int(x), int(y)))
                        px.emplace_back(int(x), int(y));
            fillBlock(out, in, px);
        }
    }
    return out;
}

Surface referenceOutside(const Surface& in, int X, int Y, int W, int H, int B) {
    Surface out = in;
    const long lastR = std::lrint(static_cast<double>(in.height()) / B - 1);
    const long lastC = std::lrint(static_cast<double>(in.width()) / B - 1);
    for (long i = 0; i <= lastR; ++i)
        for (long j = 0; j <= lastC; ++j) {
            long x0 = j * B, y0 = i * B;
            if (X < x0 && x0 < X + W && Y < y0 && y0 < Y + H) continue;
            std::vector<std::pair<int, int>> px;
            for (long y = y0; y < y0 + B; ++y)
                for (long x = x0; x < x0 + B; ++x)
                    if (in.contains(int(x), int(y))) px.emplace_back(int(x), int(y));
            fillBlock(out, in, px);
        }
    return out;
}

::testing::AssertionResult samePictures(const Surface& a, const Surface& b) {
    if (a.width() != b.width() || a.height() != b.height()) return ::testing::AssertionFailure() << "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return ::testing::AssertionFailure() << "first difference at " << x << "," << y;
    return ::testing::AssertionSuccess();
}

TEST(Mosaic, MatchesThePerPixelRulesForManyRegionsAndBlockSizes) {
    std::mt19937 rng(20261208);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 400; ++round) {
        const Surface in = patternPicture(pick(1, 70), pick(1, 60));
        const int B = std::array{1, 2, 3, 4, 5, 8, 16, 24}[static_cast<size_t>(pick(0, 7))];
        const int X = pick(-30, 80), Y = pick(-30, 70), W = pick(-10, 90), H = pick(-10, 90);
        Surface inside = in;
        mosaicInside(inside, X, Y, W, H, B);
        ASSERT_TRUE(samePictures(inside, referenceInside(in, X, Y, W, H, B)))
            << "inside " << in.width() << "x" << in.height() << " region " << X << "," << Y << "," << W << ","
            << H << " block " << B;
        Surface outside = in;
        mosaicOutside(outside, X, Y, W, H, B);
        ASSERT_TRUE(samePictures(outside, referenceOutside(in, X, Y, W, H, B)))
            << "outside " << in.width() << "x" << in.height() << " region " << X << "," << Y << "," << W << ","
            << H << " block " << B;
    }
}

TEST(Mosaic, InsideBlocksOfATwentyPixelRegionEndWithFivePixelStrips) {
    Surface pic = patternPicture(40, 40);
    const Surface before = pic;
    mosaicInside(pic, 0, 0, 20, 20, 8);
    // Third block row and column hold lines and columns 16 to 20.
    EXPECT_EQ(pic.pixel(16, 16), pic.pixel(20, 20));
    EXPECT_EQ(pic.pixel(16, 0), pic.pixel(20, 7));
    EXPECT_NE(pic.pixel(15, 0), pic.pixel(16, 0));
    EXPECT_EQ(pic.pixel(21, 5), before.pixel(21, 5));
    EXPECT_EQ(pic.pixel(5, 21), before.pixel(5, 21));
    EXPECT_EQ(pic.pixel(0, 0), pic.pixel(7, 7));
}

TEST(Mosaic, InsideRegionPastThePictureChangesOnlyPixelsInsideIt) {
    Surface pic = patternPicture(30, 20);
    mosaicInside(pic, 20, 10, 500, 500, 8);
    const Surface ref = referenceInside(patternPicture(30, 20), 20, 10, 500, 500, 8);
    EXPECT_TRUE(samePictures(pic, ref));
    EXPECT_EQ(pic.pixel(19, 19), patternPicture(30, 20).pixel(19, 19));
}

TEST(Mosaic, OutsideOnA320x240PictureWithBlock24LeavesTheRightStrip) {
    Surface pic = patternPicture(320, 240);
    const Surface before = pic;
    mosaicOutside(pic, 1000, 1000, 10, 10, 24);
    for (int y = 0; y < 240; ++y)
        for (int x = 312; x < 320; ++x) ASSERT_EQ(pic.pixel(x, y), before.pixel(x, y));
    // Thirteen block columns reach column 311; ten block rows cover every line.
    EXPECT_EQ(pic.pixel(288, 216), pic.pixel(311, 239));
    EXPECT_NE(pic.pixel(311, 239), before.pixel(311, 239));
}

TEST(Mosaic, OutsideBlockWithItsCornerOnTheRegionEdgeIsMosaicked) {
    Surface pic = patternPicture(64, 64);
    const Surface before = pic;
    mosaicOutside(pic, 16, 16, 32, 32, 8);
    // Corner (16,16) lies on the edge: mosaicked.
    EXPECT_EQ(pic.pixel(16, 16), pic.pixel(23, 23));
    EXPECT_NE(pic.pixel(16, 16), before.pixel(16, 16));
    // Corner (24,24) lies strictly inside: untouched.
    for (int y = 24; y < 32; ++y)
        for (int x = 24; x < 32; ++x) ASSERT_EQ(pic.pixel(x, y), before.pixel(x, y));
    // Corner (48,24) lies on the right edge: mosaicked.
    EXPECT_EQ(pic.pixel(48, 24), pic.pixel(55, 31));
}

TEST(Mosaic, BlockTwoOnAUniformColourChangesNothing) {
    Surface pic(33, 17, rgb(12, 34, 56));
    mosaicInside(pic, 0, 0, 33, 17, 2);
    mosaicOutside(pic, 5, 5, 3, 3, 2);
    for (uint32_t p : pic.pixels()) ASSERT_EQ(p, rgb(12, 34, 56));
}

TEST(Mosaic, AveragesRoundHalvesToEven) {
    Surface pic(2, 1);
    pic.setPixel(0, 0, rgb(0, 2, 1));
    pic.setPixel(1, 0, rgb(0, 3, 2));
    // Region 0..1 inclusive, one block of two pixels.
    mosaicInside(pic, 0, 0, 1, 0, 2);
    EXPECT_EQ(blueOf(pic.pixel(0, 0)), 2);   // 1.5 -> 2
    EXPECT_EQ(greenOf(pic.pixel(0, 0)), 2);  // 2.5 -> 2
    EXPECT_EQ(pic.pixel(1, 0), pic.pixel(0, 0));
}

TEST(Mosaic, NonPositiveBlockSizeIsAnError) {
    Surface pic(4, 4);
    EXPECT_THROW(mosaicInside(pic, 0, 0, 4, 4, 0), std::invalid_argument);
    EXPECT_THROW(mosaicOutside(pic, 0, 0, 4, 4, -8), std::invalid_argument);
}

TEST(Mosaic, HugeRegionsFinishWithoutWalkingEveryBlock) {
    Surface pic = patternPicture(50, 40);
    mosaicInside(pic, -2000000000, -2000000000, 2100000000, 2100000000, 2);
    EXPECT_TRUE(samePictures(pic, [] {
        Surface p = patternPicture(50, 40);
        mosaicOutside(p, 100, 100, 0, 0, 2);
        return p;
    }()));
}

}  // namespace
}  // namespace movalux
