#include "effects/RasterOps.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "support/EditorFixture.h"

namespace movalux {
namespace {

using test::patternPicture;

int countColour(const Surface& s, uint32_t c) {
    int n = 0;
    for (uint32_t p : s.pixels()) n += sameColour(p, c);
    return n;
}

TEST(BitBlt, EachRopCombinesSourceAndDestinationBits) {
    const uint32_t s = rgb(0xF0, 0x0F, 0x55), d = rgb(0xCC, 0x3C, 0xAA);
    struct Case {
        Rop rop;
        uint32_t expect;
    } cases[] = {
        {Rop::SrcCopy, s},
        {Rop::DstInvert, rgb(0x33, 0xC3, 0x55)},
        {Rop::SrcAnd, rgb(0xC0, 0x0C, 0x00)},
        {Rop::SrcPaint, rgb(0xFC, 0x3F, 0xFF)},
        {Rop::NotSrcCopy, rgb(0x0F, 0xF0, 0xAA)},
        {Rop::MergePaint, rgb(0xCF, 0xFC, 0xAA)},
    };
    for (const Case& c : cases) {
        Surface src(3, 3, s), dst(3, 3, d);
        BitBlt(dst, 0, 0, 3, 3, &src, 0, 0, c.rop);
        EXPECT_EQ(dst.pixel(1, 1), c.expect) << static_cast<int>(c.rop);
        EXPECT_EQ(dst.pixel(1, 1) & kOpaque, kOpaque);
    }
}

TEST(BitBlt, ClipsAtBothPicturesEdges) {
    const Surface src = patternPicture(10, 8);
    Surface dst(6, 5, kBlack);
    // Destination starts left of and above the picture; source reaches past
    // its own right edge.
    BitBlt(dst, -2, -1, 20, 20, &src, 3, 2, Rop::SrcCopy);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            int sx = x + 2 + 3, sy = y + 1 + 2;
            uint32_t expect = (sx < 10 && sy < 8) ? src.pixel(sx, sy) : kBlack;
            ASSERT_EQ(dst.pixel(x, y), expect) << x << "," << y;
        }
}

TEST(BitBlt, NothingHappensForEmptyOrOutsideRectangles) {
    const Surface src = patternPicture(4, 4);
    Surface dst(4, 4, kWhite);
    BitBlt(dst, 0, 0, 0, 4, &src, 0, 0, Rop::SrcCopy);
    BitBlt(dst, 4, 0, 4, 4, &src, 0, 0, Rop::SrcCopy);
    BitBlt(dst, 0, 0, 4, 4, &src, -4, 0, Rop::SrcCopy);
    BitBlt(dst, 0, 0, -3, -3, &src, 0, 0, Rop::SrcCopy);
    EXPECT_EQ(countColour(dst, kWhite), 16);
}

TEST(BitBlt, OverlappingCopyWithinOnePictureReadsTheOriginal) {
    Surface s = patternPicture(8, 8);
    const Surface before = s;
    BitBlt(s, 1, 1, 7, 7, &s, 0, 0, Rop::SrcCopy);
    for (int y = 1; y < 8; ++y)
        for (int x = 1; x < 8; ++x) ASSERT_EQ(s.pixel(x, y), before.pixel(x - 1, y - 1));
    EXPECT_EQ(s.pixel(0, 0), before.pixel(0, 0));
}

TEST(BitBlt, DstInvertTwiceRestoresAndNeedsNoSource) {
    Surface s = patternPicture(5, 5);
    const Surface before = s;
    BitBlt(s, 1, 1, 3, 3, nullptr, 0, 0, Rop::DstInvert);
    EXPECT_EQ(s.pixel(2, 2), (~before.pixel(2, 2)) | kOpaque);
    EXPECT_EQ(s.pixel(0, 0), before.pixel(0, 0));
    BitBlt(s, 1, 1, 3, 3, nullptr, 0, 0, Rop::DstInvert);
    EXPECT_EQ(s.pixels()[12], before.pixels()[12]);
    EXPECT_TRUE(std::equal(s.pixels().begin(), s.pixels().end(), before.pixels().begin()));
}

TEST(StretchBlt, NearestPicksTheSourcePixelUnderEachCentre) {
    Surface src(4, 1);
    for (int x = 0; x < 4; ++x) src.setPixel(x, 0, rgb(x * 10, 0, 0));
    Surface dst(8, 2, kBlack);
    StretchBlt(dst, 0, 0, 8, 2, src, 0, 0, 4, 1, Rop::SrcCopy, StretchMode::Nearest);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(redOf(dst.pixel(x, 0)), (x / 2) * 10);
        EXPECT_EQ(dst.pixel(x, 1), dst.pixel(x, 0));
    }
    Surface half(2, 1, kBlack);
    StretchBlt(half, 0, 0, 2, 1, src, 0, 0, 4, 1, Rop::SrcCopy, StretchMode::Nearest);
    EXPECT_EQ(redOf(half.pixel(0, 0)), 10);  // centre 0.5 * 2 = 1
    EXPECT_EQ(redOf(half.pixel(1, 0)), 30);
}

TEST(StretchBlt, HalftoneAveragesTheCoveredArea) {
    Surface src(4, 2);
    // Blue 0, 10, 20, 30 in the top row, 100.. in the bottom row.
    for (int x = 0; x < 4; ++x) {
        src.setPixel(x, 0, rgb(0, 0, x * 10));
        src.setPixel(x, 1, rgb(0, 0, 100 + x * 10));
    }
    Surface dst(2, 1, kBlack);
    StretchBlt(dst, 0, 0, 2, 1, src, 0, 0, 4, 2, Rop::SrcCopy, StretchMode::Halftone);
    EXPECT_EQ(blueOf(dst.pixel(0, 0)), (0 + 10 + 100 + 110 + 2) / 4);
    EXPECT_EQ(blueOf(dst.pixel(1, 0)), (20 + 30 + 120 + 130 + 2) / 4);

    // Three source pixels onto two: the middle one is split in halves.
    Surface three(3, 1);
    three.setPixel(0, 0, rgb(0, 0, 0));
    three.setPixel(1, 0, rgb(0, 0, 90));
    three.setPixel(2, 0, rgb(0, 0, 210));
    Surface two(2, 1, kBlack);
    StretchBlt(two, 0, 0, 2, 1, three, 0, 0, 3, 1, Rop::SrcCopy, StretchMode::Halftone);
    EXPECT_EQ(blueOf(two.pixel(0, 0)), 30);   // (0 * 2 + 90) / 3
    EXPECT_EQ(blueOf(two.pixel(1, 0)), 170);  // (90 + 210 * 2) / 3
}

TEST(StretchBlt, HalftoneOfAUniformPictureKeepsItsColour) {
    Surface src(37, 23, rgb(12, 200, 77));
    Surface dst(50, 9, kBlack);
    StretchBlt(dst, 0, 0, 50, 9, src, 0, 0, 37, 23, Rop::SrcCopy, StretchMode::Halftone);
    EXPECT_EQ(countColour(dst, rgb(12, 200, 77)), 50 * 9);
}

TEST(StretchBlt, MergePaintAndClippingAtTheDestination) {
    Surface src(2, 2, rgb(0xFF, 0x00, 0xF0));
    Surface dst(3, 3, rgb(0x00, 0x11, 0x0F));
    StretchBlt(dst, 1, 1, 4, 4, src, 0, 0, 2, 2, Rop::MergePaint, StretchMode::Nearest);
    EXPECT_EQ(dst.pixel(2, 2), rgb(0x00, 0xFF, 0x0F));
    EXPECT_EQ(dst.pixel(0, 0), rgb(0x00, 0x11, 0x0F));
}

TEST(AlphaBlend, UsesTheFixedRoundingForEveryValuePair) {
    // The blend's fast division must equal the plain formula everywhere.
    for (int a : {0, 1, 76, 128, 178, 254, 255}) {
        Surface src(256, 256), dst(256, 256);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                src.setPixel(x, y, rgb(x, y, 255 - x));
                dst.setPixel(x, y, rgb(y, x, x));
            }
        const Surface before = dst;
        AlphaBlend(dst, 0, 0, 256, 256, src, 0, 0, static_cast<uint8_t>(a));
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                uint32_t s = src.pixel(x, y), d = before.pixel(x, y), r = dst.pixel(x, y);
                auto blend = [a](int sv, int dv) { return (sv * a + dv * (255 - a) + 127) / 255; };
                ASSERT_EQ(redOf(r), blend(redOf(s), redOf(d))) << a << " " << x << "," << y;
                ASSERT_EQ(greenOf(r), blend(greenOf(s), greenOf(d)));
                ASSERT_EQ(blueOf(r), blend(blueOf(s), blueOf(d)));
                ASSERT_EQ(r & kOpaque, kOpaque);
            }
    }
}

TEST(AlphaBlend, BlackMaskAtOpacity76OverWhiteGives179) {
    Surface src(2, 2, kBlack), dst(2, 2, kWhite);
    AlphaBlend(dst, 0, 0, 2, 2, src, 0, 0, 76);
    EXPECT_EQ(dst.pixel(1, 1), rgb(179, 179, 179));
}

TEST(AlphaBlend, ClipsAtTheEdges) {
    Surface src(4, 4, kBlack), dst(4, 4, kWhite);
    AlphaBlend(dst, 2, 2, 4, 4, src, 0, 0, 255);
    EXPECT_EQ(countColour(dst, kBlack), 4);
    EXPECT_EQ(dst.pixel(3, 3), kBlack);
    EXPECT_EQ(dst.pixel(1, 3), kWhite);
}

TEST(TransparentBlt, SkipsTheTransparentColourOnly) {
    Surface src(3, 1);
    src.setPixel(0, 0, kWhite);
    src.setPixel(1, 0, kBlack);
    src.setPixel(2, 0, rgb(254, 255, 255));
    Surface dst(3, 1, rgb(1, 2, 3));
    TransparentBlt(dst, 0, 0, 3, 1, src, 0, 0, 3, 1, kWhite);
    EXPECT_EQ(dst.pixel(0, 0), rgb(1, 2, 3));
    EXPECT_EQ(dst.pixel(1, 0), kBlack);
    EXPECT_EQ(dst.pixel(2, 0), rgb(254, 255, 255));
}

TEST(TransparentBlt, ScalesWhenSizesDifferAndClips) {
    Surface src(2, 2, kWhite);
    src.setPixel(1, 1, kBlack);
    Surface dst(3, 3, rgb(9, 9, 9));
    TransparentBlt(dst, -1, -1, 4, 4, src, 0, 0, 2, 2, kWhite);
    // Destination pixels 1..2 of the 4x4 target map to source pixel 1.
    EXPECT_EQ(dst.pixel(1, 1), kBlack);
    EXPECT_EQ(dst.pixel(2, 2), kBlack);
    EXPECT_EQ(dst.pixel(0, 0), rgb(9, 9, 9));
}

TEST(FloodFill, BorderFillStaysInsideAClosedBox) {
    Surface s(20, 20, kWhite);
    DrawBox(s, 5, 5, 14, 12, kBlack, DrawMode::CopyPen);
    FloodFill(s, 8, 8, kBlack, FloodType::Border, rgb(255, 0, 0));
    EXPECT_EQ(countColour(s, rgb(255, 0, 0)), 8 * 6);
    EXPECT_EQ(s.pixel(4, 8), kWhite);
    EXPECT_EQ(s.pixel(15, 8), kWhite);
}

TEST(FloodFill, BorderFillWithTheBorderColourFillsTheInsideSolid) {
    Surface s(12, 12, kWhite);
    DrawBox(s, 2, 2, 9, 9, kBlack, DrawMode::CopyPen);
    FloodFill(s, 5, 5, kBlack, FloodType::Border, kBlack);
    EXPECT_EQ(countColour(s, kBlack), 8 * 8);
}

TEST(FloodFill, SurfaceFillTakesOnlyTheConnectedSameColour) {
    Surface s(10, 3, kWhite);
    for (int y = 0; y < 3; ++y) s.setPixel(4, y, rgb(0, 0, 255));
    FloodFill(s, 1, 1, kWhite, FloodType::Surface, rgb(0, 255, 0));
    EXPECT_EQ(countColour(s, rgb(0, 255, 0)), 12);
    EXPECT_EQ(s.pixel(6, 1), kWhite);
    // Diagonal neighbours are not connected.
    Surface d(3, 3, kWhite);
    d.setPixel(1, 0, kBlack);
    d.setPixel(0, 1, kBlack);
    FloodFill(d, 0, 0, kWhite, FloodType::Surface, rgb(5, 5, 5));
    EXPECT_EQ(countColour(d, rgb(5, 5, 5)), 1);
}

TEST(FloodFill, SeedsOutsideOrOnTheBorderFillNothing) {
    Surface s(6, 6, kWhite);
    s.setPixel(2, 2, kBlack);
    const Surface before = s;
    FloodFill(s, -1, 2, kBlack, FloodType::Border, kBlack);
    FloodFill(s, 6, 0, kBlack, FloodType::Border, kBlack);
    FloodFill(s, 2, 2, kBlack, FloodType::Border, rgb(1, 1, 1));
    FloodFill(s, 0, 0, kBlack, FloodType::Surface, rgb(1, 1, 1));  // seed is not black
    EXPECT_TRUE(std::equal(s.pixels().begin(), s.pixels().end(), before.pixels().begin()));
}

TEST(DrawLine, IncludesBothEndsAndClips) {
    Surface s(10, 10, kWhite);
    DrawLine(s, -5, 3, 4, 3, kBlack, DrawMode::CopyPen);
    EXPECT_EQ(countColour(s, kBlack), 5);
    EXPECT_EQ(s.pixel(4, 3), kBlack);
    EXPECT_EQ(s.pixel(5, 3), kWhite);
    Surface d(10, 10, kWhite);
    DrawLine(d, 0, 0, 9, 9, kBlack, DrawMode::CopyPen);
    EXPECT_EQ(countColour(d, kBlack), 10);
}

TEST(DrawBox, InvertModeTwiceRestoresThePicture) {
    Surface s = patternPicture(30, 20);
    const Surface before = s;
    DrawBox(s, 25, 15, 3, 4, kBlack, DrawMode::Invert);  // corners in any order
    EXPECT_EQ(s.pixel(3, 4), (~before.pixel(3, 4)) | kOpaque);  // corner inverted once
    EXPECT_EQ(s.pixel(10, 10), before.pixel(10, 10));
    DrawBox(s, 25, 15, 3, 4, kBlack, DrawMode::Invert);
    EXPECT_TRUE(std::equal(s.pixels().begin(), s.pixels().end(), before.pixels().begin()));
    // Degenerate box: one pixel, inverted once.
    DrawBox(s, 7, 7, 7, 7, kBlack, DrawMode::Invert);
    EXPECT_EQ(s.pixel(7, 7), (~before.pixel(7, 7)) | kOpaque);
}

TEST(InvertOutlineBox, AWideBandIsConcentricBoxesAndTwiceRestoresAnyBox) {
    Surface s = patternPicture(30, 20);
    const Surface before = s;
    InvertOutlineBox(s, 25, 15, 3, 4, 3);
    for (int i = 0; i < 3; ++i) EXPECT_NE(s.pixel(14, 4 + i), before.pixel(14, 4 + i)) << i;
    EXPECT_EQ(s.pixel(14, 7), before.pixel(14, 7));
    InvertOutlineBox(s, 25, 15, 3, 4, 3);
    EXPECT_TRUE(std::equal(s.pixels().begin(), s.pixels().end(), before.pixels().begin()));
    // Thinner than the band, and boxes as far apart as the integers go.
    for (const auto& [x1, y1, x2, y2] : {std::array<int, 4>{5, 5, 6, 12},
                                         std::array<int, 4>{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                                         std::array<int, 4>{INT_MAX, 3, INT_MIN, 18}}) {
        InvertOutlineBox(s, x1, y1, x2, y2, 4);
        InvertOutlineBox(s, x1, y1, x2, y2, 4);
        EXPECT_TRUE(std::equal(s.pixels().begin(), s.pixels().end(), before.pixels().begin()));
    }
}

TEST(DrawEllipse, OutlineIsClosedSoAFillStaysInside) {
    for (double aspect : {0.3, 1.0, 2.5}) {
        Surface s(120, 120, kWhite);
        DrawEllipse(s, 60.5, 59.25, 40, aspect, kBlack, DrawMode::CopyPen);
        FloodFill(s, 60, 59, kBlack, FloodType::Border, kBlack);
        EXPECT_EQ(s.pixel(0, 0), kWhite) << aspect;
        EXPECT_EQ(s.pixel(119, 119), kWhite) << aspect;
        EXPECT_EQ(s.pixel(60, 59), kBlack) << aspect;
    }
}

TEST(DrawEllipse, AspectChoosesWhichSemiAxisIsTheRadius) {
    Surface wide(101, 101, kWhite);
    DrawEllipse(wide, 50, 50, 40, 0.5, kBlack, DrawMode::CopyPen);  // 40 across, 20 down
    EXPECT_EQ(wide.pixel(90, 50), kBlack);
    EXPECT_EQ(wide.pixel(50, 30), kBlack);
    EXPECT_EQ(wide.pixel(50, 10), kWhite);
    Surface tall(101, 101, kWhite);
    DrawEllipse(tall, 50, 50, 40, 2.0, kBlack, DrawMode::CopyPen);  // 20 across, 40 down
    EXPECT_EQ(tall.pixel(70, 50), kBlack);
    EXPECT_EQ(tall.pixel(50, 90), kBlack);
    EXPECT_EQ(tall.pixel(90, 50), kWhite);
}

TEST(DrawEllipse, InvertModeTwiceRestores) {
    Surface s = patternPicture(64, 64);
    const Surface before = s;
    DrawEllipse(s, 30, 30, 50, 1.3, kBlack, DrawMode::Invert);
    DrawEllipse(s, 30, 30, 50, 1.3, kBlack, DrawMode::Invert);
    EXPECT_TRUE(std::equal(s.pixels().begin(), s.pixels().end(), before.pixels().begin()));
}

TEST(ColorAdjustment, IdentityAtTenThousandAndMonotoneElsewhere) {
    auto id = gammaCurve(10000);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(id[static_cast<size_t>(i)], i);
    for (int g : {2500, 5000, 17500, 65000}) {
        auto c = gammaCurve(g);
        EXPECT_EQ(c[0], 0);
        EXPECT_EQ(c[255], 255);
        for (int i = 1; i < 256; ++i) ASSERT_GE(c[static_cast<size_t>(i)], c[static_cast<size_t>(i - 1)]);
    }
    EXPECT_GT(gammaCurve(17500)[128], 128);
    EXPECT_LT(gammaCurve(5000)[128], 128);
}

TEST(ColorAdjustment, AppliesPerChannelInsideTheClippedRectangle) {
    Surface s(4, 4, rgb(128, 128, 128));
    ApplyColorAdjustment(s, 2, 2, 10, 10, {17500, 10000, 5000});
    const auto up = gammaCurve(17500), down = gammaCurve(5000);
    EXPECT_EQ(s.pixel(3, 3), rgb(up[128], 128, down[128]));
    EXPECT_EQ(s.pixel(1, 1), rgb(128, 128, 128));
}

}  // namespace
}  // namespace movalux

namespace movalux {
namespace {

TEST(AlphaBlendRow, MatchesTheRoundedFormulaForEveryByteAndOpacity) {
    // Every source and destination byte against each other, for the
    // opacities the effects use and the extremes.
    for (int a : {0, 1, 12, 17, 25, 50, 76, 128, 178, 254, 255}) {
        std::vector<uint32_t> src, dst;
        for (uint32_t s = 0; s < 256; ++s)
            for (uint32_t d = 0; d < 256; ++d) {
                src.push_back(0xFF000000u | s << 16 | (255 - s) << 8 | d);
                dst.push_back(0xFF000000u | d << 16 | s << 8 | (255 - d));
            }
        std::vector<uint32_t> out = dst;
        alphaBlendRow(out.data(), src.data(), static_cast<int>(out.size()),
                      static_cast<uint8_t>(a));
        for (size_t i = 0; i < out.size(); ++i) {
            for (int shift : {0, 8, 16}) {
                const uint32_t s = (src[i] >> shift) & 255, d = (dst[i] >> shift) & 255;
                const uint32_t expect = (s * a + d * (255 - a) + 127) / 255;
                ASSERT_EQ((out[i] >> shift) & 255, expect) << "a=" << a << " s=" << s << " d=" << d;
            }
            ASSERT_EQ(out[i] >> 24, 0xFFu);
        }
    }
}

TEST(AlphaBlendRow, TouchesExactlyTheGivenPixels) {
    std::vector<uint32_t> dst(40, rgb(10, 20, 30)), src(40, rgb(250, 240, 230));
    alphaBlendRow(dst.data() + 3, src.data(), 33, 128);  // odd lengths leave a tail
    EXPECT_EQ(dst[2], rgb(10, 20, 30));
    EXPECT_EQ(dst[36], rgb(10, 20, 30));
    EXPECT_EQ(dst[3], rgb(130, 130, 130));
    EXPECT_EQ(dst[35], rgb(130, 130, 130));
}

TEST(NthPowerCurve, IdentityAtTenThousandMonotoneAndBrighterBelowIt) {
    auto id = nthPowerCurve(10000);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(id[static_cast<size_t>(i)], i);
    for (int g : {2500, 5000, 17500, 32767}) {
        auto c = nthPowerCurve(g);
        EXPECT_EQ(c[0], 0);
        EXPECT_EQ(c[255], 255);
        for (int i = 1; i < 256; ++i)
            ASSERT_GE(c[static_cast<size_t>(i)], c[static_cast<size_t>(i - 1)]);
    }
    // 255 * (128 / 255) ^ 0.25 = 214.6; 255 * (128 / 255) ^ 1.75 = 76.3.
    EXPECT_EQ(nthPowerCurve(2500)[128], 215);
    EXPECT_EQ(nthPowerCurve(17500)[128], 76);
    // Out of range gammas act as the nearest end.
    EXPECT_EQ(nthPowerCurve(-12500), nthPowerCurve(2500));
}

}  // namespace
}  // namespace movalux
