// The pixel effects through movalux-cli apply: the numbers that the effects
// promise, on pictures written to and read back from files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/KakudaiMod.h"
#include "media/StillImage.h"
#include "support/CliRunner.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

class PixelEffectsApplyTest : public ::testing::Test {
  protected:
    // Writes the picture, applies the records and reads the result back.
    Surface apply(const Surface& picture, const std::vector<std::string>& records) {
        const std::string in = dir.path("in.png"), out = dir.path("out.png");
        EXPECT_TRUE(writeStillImage(picture, in));
        std::vector<std::string> args{"apply", "--force", in, out};
        args.insert(args.end(), records.begin(), records.end());
        const test::CliResult run = test::runCli(args);
        EXPECT_EQ(run.status, 0) << run.output;
        auto r = readStillImage(out);
        EXPECT_TRUE(r) << r.error();
        return r ? *r : Surface();
    }

    test::TempDir dir{"pixel-effects"};
};

TEST_F(PixelEffectsApplyTest, BrightnessContrastAndSaturationEdgeCases) {
    Surface pic(4, 1);
    pic.setPixel(0, 0, kBlack);
    pic.setPixel(1, 0, kWhite);
    pic.setPixel(2, 0, rgb(200, 50, 128));
    pic.setPixel(3, 0, rgb(255, 0, 0));  // blue 0, green 0, red 255
    Surface out = apply(pic, {R"(0,8,100,50,0,50,8,"0")"});
    EXPECT_EQ(out.pixel(0, 0), rgb(127, 127, 127));
    out = apply(pic, {R"(0,8,0,50,0,50,8,"0")"});
    EXPECT_EQ(out.pixel(1, 0), rgb(127, 127, 127));
    out = apply(pic, {R"(0,8,50,100,0,50,8,"0")"});
    EXPECT_EQ(out.pixel(2, 0), rgb(236, 11, 128));
    out = apply(pic, {R"(0,8,50,50,0,0,8,"0")"});
    EXPECT_EQ(out.pixel(3, 0), rgb(85, 85, 85));
    out = apply(pic, {R"(0,8,50,50,0,50,8,"0")", R"(0,107,50,50,0,50,8,"0")"});  // both neutral
    EXPECT_TRUE(std::equal(out.pixels().begin(), out.pixels().end(), pic.pixels().begin()));
}

TEST_F(PixelEffectsApplyTest, MaskSeventyPercentOverWhiteGives179) {
    const Surface white(160, 120, kWhite);
    Surface out = apply(white, {R"(0,2,40,30,80,60,70,"1")"});
    EXPECT_EQ(out.pixel(5, 5), rgb(179, 179, 179));
    EXPECT_EQ(out.pixel(80, 60), kWhite);
    out = apply(white, {R"(0,1,80,60,40,0.5,0,"1")"});  // ellipse, transparency 0
    EXPECT_EQ(out.pixel(2, 2), kBlack);
    EXPECT_EQ(out.pixel(80, 60), kWhite);
    EXPECT_EQ(out.pixel(80, 85), kBlack);  // below the 20-pixel vertical semi-axis
}

TEST_F(PixelEffectsApplyTest, BlurStrengthOneSpreadsADotOnlyDiagonally) {
    Surface dot(20, 20, kBlack);
    dot.setPixel(10, 10, kWhite);
    const Surface out = apply(dot, {R"(0,10,5,5,10,10,1,"0")"});
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool reached =
                (std::abs(x - 10) == 1 && std::abs(y - 10) == 1) || (x == 10 && y == 10);
            ASSERT_EQ(out.pixel(x, y) != kBlack, reached) << x << "," << y;
        }
    EXPECT_EQ(out.pixel(9, 9), rgb(61, 61, 61));
    EXPECT_EQ(out.pixel(11, 11), rgb(47, 47, 47));
}

TEST_F(PixelEffectsApplyTest, InvertingTwiceRestoresAndOnceInvertsInclusively) {
    const Surface pic = test::patternPicture(64, 48);
    Surface out = apply(pic, {R"(0,9,3,4,20,11,8,"1")", R"(0,109,3,4,20,11,8,"1")"});
    EXPECT_TRUE(std::equal(out.pixels().begin(), out.pixels().end(), pic.pixels().begin()));
    out = apply(pic, {R"(0,9,10,10,0,0,8,"0")"});
    EXPECT_EQ(out.pixel(10, 10), (pic.pixel(10, 10) ^ kRgbMask) | kOpaque);
    EXPECT_EQ(out.pixel(11, 10), pic.pixel(11, 10));
}

TEST_F(PixelEffectsApplyTest, ZoomOwnSizeCentredAndOverTheFrame) {
    const Surface pic = test::patternPicture(320, 240);
    // Centred by the outer size, the picture plus its two-pixel border.
    Surface out = apply(pic, {R"(0,5,30,40,100,50,0,"14")"});
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(out.pixel(112 + x, 97 + y), pic.pixel(30 + x, 40 + y));
    EXPECT_EQ(out.pixel(10, 10), paletteColour(14));
    EXPECT_EQ(out.pixel(111, 97), paletteColour(14));
    // The region a locked drag of 160 x 10 gives, over the whole frame.
    out = apply(pic, {R"(0,5,0,0,160,120,1,"0")"});
    EXPECT_EQ(out.pixel(0, 0), pic.pixel(0, 0));
    EXPECT_EQ(out.pixel(2, 2), pic.pixel(1, 1));
    EXPECT_EQ(out.pixel(318, 238), pic.pixel(159, 119));
}

}  // namespace
}  // namespace movalux
