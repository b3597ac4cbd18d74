#include "effects/BokasiMod1.h"

#include <gtest/gtest.h>

#include <random>

#include "effects/RasterOps.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

using test::patternPicture;

// The blends exactly as stated: whole-rectangle AlphaBlend calls, first pass
// dy, dx from -s to s, second pass from s down to -s.
void referenceRect(Surface& dst, const Surface& src, int x, int y, int w, int h, int s,
                   uint8_t alpha) {
    if (w <= 0 || h <= 0) return;
    for (int dy = -s; dy <= s; ++dy)
        for (int dx = -s; dx <= s; ++dx)
            if (blurPatternFlag(std::abs(dy), std::abs(dx)))
                AlphaBlend(dst, x + dx, y + dy, w, h, src, x, y, alpha);
    for (int dy = s; dy >= -s; --dy)
        for (int dx = s; dx >= -s; --dx)
            if (blurPatternFlag(std::abs(dy), std::abs(dx)))
                AlphaBlend(dst, x + dx, y + dy, w, h, src, x, y, alpha);
}

Surface randomPicture(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Surface s(w, h);
    for (uint32_t& p : s.pixels()) p = kOpaque | (rng() & kRgbMask);
    return s;
}

bool same(const Surface& a, const Surface& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin());
}

class BokasiModuleTest : public test::EditorTest {
  protected:
    void SetUp() override {
        picture = randomPicture(64, 48, 7);
        openPicture(picture);
        editor.DspFrame2();
        EXPECT_EQ(editor.jumpEffValues(kouka::kBlur, cmd::kPanel, 0, 0, 1.0f), kouka::kBlur);
    }
    void render(const EffRec& rec) {
        editor.EffArr.at(0, 0) = rec;
        ASSERT_EQ(editor.DspFrame2(), 0);
        ASSERT_NE(editor.EffResult, kTrappedError);
    }
    Surface picture;
};

TEST(BlurPattern, OffsetsAndOpacitiesPerStrength) {
    auto count = [](int s) {
        int n = 0;
        for (int dy = -s; dy <= s; ++dy)
            for (int dx = -s; dx <= s; ++dx) n += blurPatternFlag(std::abs(dy), std::abs(dx));
        return n;
    };
    EXPECT_EQ(count(1), 4);
    EXPECT_EQ(count(2), 12);
    EXPECT_EQ(count(4), 20);
    EXPECT_EQ(count(7), 36);
    EXPECT_FALSE(blurPatternFlag(0, 0));
    EXPECT_FALSE(blurPatternFlag(1, 0));
    EXPECT_TRUE(blurPatternFlag(7, 0));
    EXPECT_FALSE(blurPatternFlag(0, 8));
    EXPECT_EQ(blurOpacity(1), 50);
    EXPECT_EQ(blurOpacity(2), 25);
    EXPECT_EQ(blurOpacity(3), 20);
    EXPECT_EQ(blurOpacity(4), 17);
    EXPECT_EQ(blurOpacity(7), 12);
    EXPECT_EQ(blurOpacity(5), -1);
    EXPECT_EQ(blurOpacity(0), -1);
}

TEST_F(BokasiModuleTest, StrengthOneSpreadsADotOnlyDiagonallyInTheStatedOrder) {
    Surface dot(20, 20, kBlack);
    dot.setPixel(10, 10, kWhite);
    openPicture(dot);
    render(EffRec{10, 5, 5, 10, 10, 1, "0"});
    const Surface& m = editor.PictMain();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool reached =
                (std::abs(x - 10) == 1 && std::abs(y - 10) == 1) || (x == 10 && y == 10);
            ASSERT_EQ(m.pixel(x, y) != kBlack, reached) << x << "," << y;
        }
    // (9, 9) takes the white first and last, (11, 11) in the middle of the
    // sequence: 50, 40, 32, 26, 21, 17, 14, 61 against 0, 0, 0, 50, 90, 72, 58, 47.
    EXPECT_EQ(m.pixel(9, 9), rgb(61, 61, 61));
    EXPECT_EQ(m.pixel(11, 11), rgb(47, 47, 47));
}

TEST_F(BokasiModuleTest, RowByRowBlendingEqualsTheWholeRectangleBlends) {
    struct Case {
        int x, y, w, h, s;
        const char* side;
    };
    for (const Case& c :
         {Case{10, 8, 30, 20, 7, "0"}, Case{0, 0, 64, 48, 4, "0"}, Case{-3, 40, 100, 30, 2, "0"},
          Case{10, 8, 30, 20, 7, "1"}, Case{20, 2, 10, 10, 4, "1"}, Case{1, 1, 62, 46, 1, "1"},
          Case{30, 20, -5, 6, 2, "0"}}) {
        render(EffRec{10, static_cast<float>(c.x), static_cast<float>(c.y), static_cast<float>(c.w),
                      static_cast<float>(c.h), static_cast<int16_t>(c.s), c.side});
        Surface expect = picture;
        const uint8_t a = static_cast<uint8_t>(blurOpacity(c.s));
        const int s = c.s, SW = 64, SH = 48, X = c.x, Y = c.y, W = c.w, H = c.h;
        if (c.side[0] == '0') {
            referenceRect(expect, picture, X - s >= 0 ? X : s, Y - s >= 0 ? Y : s,
                          X + W + s > SW ? SW - X - s : W, Y + H + s > SH ? SH - Y - s : H, s, a);
        } else {
            referenceRect(expect, picture, s, s, SW - 2 * s, Y - s, s, a);
            referenceRect(expect, picture, s, Y + H, SW - 2 * s, SH - Y - H - s, s, a);
            referenceRect(expect, picture, s, Y, X - s, H, s, a);
            referenceRect(expect, picture, X + W, Y, SW - X - W - s, H, s, a);
        }
        EXPECT_TRUE(same(editor.PictMain(), expect))
            << c.x << "," << c.y << " s=" << c.s << " " << c.side;
    }
}

// Large blends run on two bands of lines at once; the picture must be the
// one a single thread gives, for regions inside, outside and across edges.
TEST(BlurBlender, TwoBandsGiveTheSinglePicture) {
    const Surface source = patternPicture(1280, 720);
    const struct {
        int32_t x, y, w, h;
        int strength;
        bool inside;
    } cases[] = {{100, 50, 900, 600, 7, true},  {-20, -30, 1400, 800, 4, true},
                 {300, 200, 400, 300, 2, false}, {0, 355, 1280, 10, 7, true},
                 {600, 10, 300, 700, 1, false}};
    for (const auto& c : cases) {
        Surface one = source, two = source;
        for (int threads : {1, 2}) {
            BlurBlender b;
            if (c.inside)
                queueBlurInside(b, 1280, 720, c.x, c.y, c.w, c.h, c.strength, 25);
            else
                queueBlurOutside(b, 1280, 720, c.x, c.y, c.w, c.h, c.strength, 25);
            b.run(threads == 1 ? one : two, source, threads);
        }
        EXPECT_TRUE(std::equal(one.pixels().begin(), one.pixels().end(), two.pixels().begin()))
            << c.x << "," << c.y << " " << c.w << "x" << c.h;
        EXPECT_FALSE(std::equal(one.pixels().begin(), one.pixels().end(), source.pixels().begin()));
    }
}

TEST_F(BokasiModuleTest, RegionAtTheLeftEdgeStartsAtColumnSAndStillReachesColumnZero) {
    render(EffRec{10, 0, 10, 20, 20, 4, "0"});
    Surface expect = picture;
    referenceRect(expect, picture, 4, 10, 20, 20, 4, 17);
    EXPECT_TRUE(same(editor.PictMain(), expect));
    bool changedLeft = false;
    for (int y = 10; y < 30; ++y)
        changedLeft |= editor.PictMain().pixel(0, y) != picture.pixel(0, y);
    EXPECT_TRUE(changedLeft);
}

TEST_F(BokasiModuleTest, OutsideWithTheRegionAtTheTopBlendsNoTopBand) {
    render(EffRec{10, 10, 3, 30, 20, 4, "1"});
    Surface expect = picture;
    referenceRect(expect, picture, 4, 23, 56, 48 - 23 - 4, 4, 17);  // bottom
    referenceRect(expect, picture, 4, 3, 6, 20, 4, 17);             // left
    referenceRect(expect, picture, 40, 3, 20, 20, 4, 17);           // right
    EXPECT_TRUE(same(editor.PictMain(), expect));
    // Above the left and right bands (lines 0 to 2, columns 14 to 35) no
    // band reaches.
    for (int y = 0; y < 3; ++y)
        for (int x = 14; x < 36; ++x)
            ASSERT_EQ(editor.PictMain().pixel(x, y), picture.pixel(x, y)) << x << "," << y;
}

TEST_F(BokasiModuleTest, RenderingBeforeThePanelWasOpenedBlursTheSame) {
    test::RecordingHost freshHost;
    test::RecordingPanel freshPanel;
    Editor fresh(freshHost, freshPanel);
    fresh.setPictureSize(64, 48);
    fresh.setFrameSource(&source);
    fresh.recreateTimeline(0, 10);
    fresh.EffArr.at(0, 0) = EffRec{10, 12, 9, 25, 17, 7, "1"};
    ASSERT_EQ(fresh.DspFrame2(), 0);
    render(EffRec{10, 12, 9, 25, 17, 7, "1"});
    EXPECT_TRUE(same(fresh.PictMain(), editor.PictMain()));
    // A strength outside the table keeps the opacity last set.
    fresh.EffArr.at(0, 0) = EffRec{10, 12, 9, 25, 17, 5, "0"};
    fresh.DspFrame2();
    EXPECT_EQ(fresh.blur().opacity(), 12);
}

TEST_F(BokasiModuleTest, PanelShowsStrengthsAndSides) {
    EXPECT_EQ(panel.state("Frame5").caption, "ぼかし");
    for (const char* c : {"Frame6", "Combo6", "Label6", "Label3", "RDPictBtn", "PreVewPict",
                          "Combo1", "ComdBtn2", "ComSTP2", "HScroll1", "HScroll2", "HScroll3"})
        EXPECT_FALSE(panel.state(c).visible) << c;
    EXPECT_FALSE(panel.state("ComFdIn").enabled);
    EXPECT_FALSE(panel.state("ComFdOut").enabled);
    EXPECT_TRUE(panel.state("mnuAll").enabled);
    EXPECT_EQ(panel.state("Label1").caption, "細かさ");
    EXPECT_TRUE(panel.checked("Option3"));
    EXPECT_EQ(panel.state("Option3").caption, "内側");
    EXPECT_EQ(panel.state("Option4").caption, "外側");
    EXPECT_EQ(panel.state("Combo5").items, (std::vector<std::string>{"微", "弱", "中", "強"}));
    EXPECT_EQ(panel.text("Combo5"), "弱");
    EXPECT_EQ(std::pair(panel.state("Combo5").left, panel.state("Combo5").top),
              std::pair(3680, 360));
    EXPECT_EQ(std::pair(panel.state("Label1").left, panel.state("Label1").top),
              std::pair(2920, 420));
    EXPECT_EQ(panel.state("Frame7").caption, "効果位置");
    EXPECT_EQ(editor.blur().strength(), 2);
    EXPECT_EQ(editor.blur().text(), "0");
}

TEST_F(BokasiModuleTest, PanelChoiceSurvivesRenderingAndDrivesTheNextRegion) {
    for (int i = 0; i < 4; ++i) {
        editor.jumpEffValues(kouka::kBlur, cmd::kParam, ctl::kCombo5, static_cast<int16_t>(i));
        EXPECT_EQ(editor.blur().strength(), kBlurStrengths[i]);
    }
    editor.jumpEffValues(kouka::kBlur, cmd::kParam, ctl::kCombo5, 4);  // outside the list
    EXPECT_EQ(editor.blur().strength(), 7);
    editor.jumpEffValues(kouka::kBlur, cmd::kParam, ctl::kOption4, 50);
    render(EffRec{10, 1, 2, 3, 4, 1, "0"});
    EXPECT_EQ(editor.blur().strength(), 7);
    EXPECT_EQ(editor.blur().text(), "1");
    editor.EffArr.at(0, 0) = EffRec{};
    editor.DspFrame2();
    const size_t pointers = host.pointers.size();
    editor.jumpEffValues(kouka::kBlur, cmd::kXYSet, 10, 12, 20.0f, 15.0f);
    EXPECT_EQ(editor.WorkRecord, (EffRec{10, 10, 12, 20, 15, 7, "1"}));
    EXPECT_EQ(panel.text("Hzahyou"), "15");
    // The hourglass while blending, then the default pointer.
    ASSERT_EQ(host.pointers.size(), pointers + 2);
    EXPECT_EQ(host.pointers[pointers], 11);
    EXPECT_EQ(host.pointers[pointers + 1], 0);
    editor.jumpEffValues(kouka::kBlur, cmd::kXYSet, 10, 12, 20.0f, 0.0f);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "この数値では設定できません");
}

TEST_F(BokasiModuleTest, DragBlursFromThePictureWithoutTheRubberBand) {
    editor.Dragging = true;
    editor.jumpEffValues(kouka::kBlur, cmd::kMouseDown, 1, 0, 10, 10);
    editor.jumpEffValues(kouka::kBlur, cmd::kMouseMove, 1, 0, 50, 40);
    editor.jumpEffValues(kouka::kBlur, cmd::kMouseUp, 1, 0, 40, 30);
    editor.Dragging = false;
    EXPECT_EQ(editor.WorkRecord, (EffRec{10, 10, 10, 30, 20, 2, "0"}));
    Surface expect = picture;
    referenceRect(expect, picture, 10, 10, 30, 20, 2, 25);
    EXPECT_TRUE(same(editor.PictMain(), expect));
}

}  // namespace
}  // namespace movalux
