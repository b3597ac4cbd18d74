#include "effects/RGBModule1.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "effects/RasterOps.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

TEST(ColourTone, GammaPerValue) {
    EXPECT_EQ(colourToneGamma(0), 17500);
    EXPECT_EQ(colourToneGamma(50), 10000);
    EXPECT_EQ(colourToneGamma(100), 2500);
    EXPECT_EQ(colourToneGamma(33), 12550);
    EXPECT_EQ(colourToneGamma(-101), 32650);
    EXPECT_THROW(colourToneGamma(-102), std::overflow_error);  // no 16-bit gamma
    EXPECT_EQ(colourToneGamma(300), -27500);                   // the curve takes it as 2500
    EXPECT_THROW(colourToneGamma(400), std::overflow_error);
}

TEST(ColourTone, EachPrimaryFollowsItsOwnCurve) {
    Surface src = test::patternPicture(37, 23), dst(37, 23);
    colourTone(dst, src, 2500, 10000, 17500);
    const auto blue = nthPowerCurve(2500), red = nthPowerCurve(17500);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            const uint32_t p = src.pixel(x, y);
            ASSERT_EQ(dst.pixel(x, y), rgb(red[static_cast<size_t>(redOf(p))], greenOf(p),
                                           blue[static_cast<size_t>(blueOf(p))]));
        }
    // A larger value brings more of its primary.
    EXPECT_GT(blue[100], 100);
    EXPECT_LT(red[100], 100);
}

TEST(ColourTone, OtherSizesAreStretchedByAreaAverage) {
    Surface src(4, 2, kBlack), dst(2, 1);
    src.setPixel(0, 0, rgb(200, 100, 40));
    colourTone(dst, src, 10000, 10000, 10000);
    EXPECT_EQ(dst.pixel(0, 0), rgb(50, 25, 10));
    EXPECT_EQ(dst.pixel(1, 0), kBlack);
}

class RGBModuleTest : public test::EditorTest {
  protected:
    void SetUp() override {
        picture = test::patternPicture(30, 20);
        openPicture(picture);
        editor.DspFrame2();
        EXPECT_EQ(editor.jumpEffValues(kouka::kColourTone, cmd::kPanel, 0, 0, 1.0f),
                  kouka::kColourTone);
    }
    Surface expected(int blue, int green, int red) {
        Surface s(30, 20);
        colourTone(s, picture, colourToneGamma(blue), colourToneGamma(green), colourToneGamma(red));
        return s;
    }
    bool mainEquals(const Surface& s) {
        return std::equal(s.pixels().begin(), s.pixels().end(), editor.PictMain().pixels().begin());
    }
    Surface picture;
};

TEST_F(RGBModuleTest, PanelShowsThreeColourScrollBarsAtNeutral) {
    for (const char* c : {"Frame5", "Frame6", "Combo5", "Combo6", "PreVewPict", "Combo1", "Label13",
                          "Label14", "Wzahyou", "ComdBtn2", "ComSTP2"})
        EXPECT_FALSE(panel.state(c).visible) << c;
    EXPECT_FALSE(panel.state("ComFdIn").enabled);
    EXPECT_TRUE(panel.state("mnuAll").enabled);
    EXPECT_EQ(panel.state("RDPictBtn").caption, "中立位置");
    EXPECT_EQ(panel.state("Label1").caption, "青");
    EXPECT_EQ(panel.state("Label3").caption, "緑");
    EXPECT_EQ(panel.state("Label6").caption, "赤");
    EXPECT_EQ(panel.state("Frame7").caption, "RGB値");
    EXPECT_EQ(panel.state("Label9").caption, "青");
    EXPECT_EQ(panel.state("Label10").caption, "緑");
    EXPECT_EQ(panel.state("Label15").caption, "赤");
    EXPECT_EQ(panel.state("XYSet").caption, "設定");
    for (const char* bar : {"HScroll1", "HScroll2", "HScroll3"}) {
        EXPECT_TRUE(panel.state(bar).visible);
        EXPECT_EQ(panel.state(bar).scrollValue, 50);
        EXPECT_EQ(panel.state(bar).left, 2200);
    }
    EXPECT_EQ(panel.state("HScroll3").top, 960);
    EXPECT_TRUE(mainEquals(picture));  // 50, 50, 50 reproduces the frame
}

TEST_F(RGBModuleTest, ScrollBarsNeutralButtonAndNumericEntry) {
    editor.jumpEffValues(kouka::kColourTone, cmd::kParam, ctl::kHScroll1, 90);
    editor.jumpEffValues(kouka::kColourTone, cmd::kParam, ctl::kHScroll3, 0);
    EXPECT_TRUE(mainEquals(expected(90, 50, 0)));
    EXPECT_EQ(editor.WorkRecord, (EffRec{7, 90, 50, 0, 0, 8, "0"}));
    EXPECT_EQ(panel.text("Xzahyou"), "90");
    EXPECT_EQ(panel.text("Hzahyou"), "0");
    editor.jumpEffValues(kouka::kColourTone, cmd::kParam, ctl::kRDPictBtn, 0);
    EXPECT_TRUE(mainEquals(picture));
    EXPECT_EQ(panel.text("Yzahyou"), "50");
    editor.jumpEffValues(kouka::kColourTone, cmd::kXYSet, 50, 101, 3.0f, 50.0f);
    editor.jumpEffValues(kouka::kColourTone, cmd::kXYSet, 50, 50, 3.0f, 101.0f);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, "この数値では設定できません");
    EXPECT_TRUE(mainEquals(picture));
    editor.jumpEffValues(kouka::kColourTone, cmd::kXYSet, 10, 20, 3.0f, 30.0f);
    EXPECT_EQ(editor.WorkRecord, (EffRec{7, 10, 20, 3, 30, 8, "0"}));
    EXPECT_TRUE(mainEquals(expected(10, 20, 30)));
    EXPECT_EQ(panel.scrollValue("HScroll2"), 20);
}

TEST_F(RGBModuleTest, RenderKeepsThePanelValuesAndARecordOutOfRangeIsTrapped) {
    editor.jumpEffValues(kouka::kColourTone, cmd::kParam, ctl::kHScroll2, 77);
    editor.EffArr.at(0, 0) = EffRec{7, 100, 0.5f, 9, 60, 8, "0"};
    ASSERT_EQ(editor.DspFrame2(), 0);
    EXPECT_TRUE(mainEquals(expected(100, 0, 60)));
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{7, 100, 0, 9, 60, 8, "0"}));
    EXPECT_EQ(editor.colourTone().green(), 77);
    editor.EffArr.at(0, 0) = EffRec{7, 50, 50, 0, 500, 8, "0"};
    ASSERT_EQ(editor.DspFrame2(), 0);
    EXPECT_EQ(editor.EffResult, kTrappedError);
    EXPECT_TRUE(mainEquals(picture));
}

}  // namespace
}  // namespace movalux
