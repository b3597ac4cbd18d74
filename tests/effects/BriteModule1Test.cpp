#include "effects/BriteModule1.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/EditorFixture.h"

namespace movalux {
namespace {

// The formula term by term, straight from its statement.
int referenceChannel(int c, int m, int B, int C, int V) {
    const double bright =
        B > 50 ? std::floor((B - 50.0) * (255 - c) / 100) : std::floor((B - 50.0) * c / 100);
    const double contrast = std::floor((C - 50.0) / 100 * (c - 128));
    const double sat = std::floor((V - 50.0) / 50 * (c - m));
    return static_cast<int>(std::clamp(c + contrast + bright + sat, 0.0, 255.0));
}

uint32_t onePixel(uint32_t p, int B, int C, int V) {
    Surface src(1, 1, p), dst(1, 1);
    brightnessContrast(dst, src, B, C, V);
    return dst.pixel(0, 0);
}

TEST(BrightnessContrast, EdgeCasesOfTheFormula) {
    EXPECT_EQ(onePixel(rgb(0, 0, 0), 100, 50, 50), rgb(127, 127, 127));
    EXPECT_EQ(onePixel(rgb(255, 255, 255), 0, 50, 50), rgb(127, 127, 127));
    EXPECT_EQ(onePixel(rgb(200, 50, 128), 50, 100, 50), rgb(236, 11, 128));
    EXPECT_EQ(onePixel(rgb(255, 0, 0), 50, 50, 0), rgb(85, 85, 85));   // blue 0, green 0, red 255
    EXPECT_EQ(onePixel(rgb(255, 0, 0), 50, 50, 100), rgb(255, 0, 0));  // clamped both ways
    EXPECT_EQ(onePixel(rgb(1, 2, 3), 50, 50, 50), rgb(1, 2, 3));
}

TEST(BrightnessContrast, EveryPixelFollowsTheFormula) {
    std::mt19937 rng(3);
    Surface src(97, 61);
    for (uint32_t& p : src.pixels()) p = kOpaque | (rng() & kRgbMask);
    Surface dst(97, 61);
    for (auto [B, C, V] :
         {std::tuple(50, 50, 50), std::tuple(73, 21, 50), std::tuple(3, 99, 17),
          std::tuple(57, 43, 71), std::tuple(100, 0, 100), std::tuple(-20, 300, 49)}) {
        brightnessContrast(dst, src, B, C, V);
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x) {
                const uint32_t p = src.pixel(x, y);
                const int m = (redOf(p) + greenOf(p) + blueOf(p)) / 3;
                const uint32_t expect = rgb(referenceChannel(redOf(p), m, B, C, V),
                                            referenceChannel(greenOf(p), m, B, C, V),
                                            referenceChannel(blueOf(p), m, B, C, V));
                ASSERT_EQ(dst.pixel(x, y), expect)
                    << B << " " << C << " " << V << " at " << x << "," << y;
            }
    }
}

class BriteModuleTest : public test::EditorTest {
  protected:
    void SetUp() override {
        picture = test::patternPicture(30, 20);
        openPicture(picture);
        editor.DspFrame2();
        EXPECT_EQ(editor.jumpEffValues(kouka::kBrightness, cmd::kPanel, 0, 0, 1.0f),
                  kouka::kBrightness);
    }
    Surface expected(int B, int C, int V) {
        Surface s(30, 20);
        brightnessContrast(s, picture, B, C, V);
        return s;
    }
    bool mainEquals(const Surface& s) {
        return std::equal(s.pixels().begin(), s.pixels().end(), editor.PictMain().pixels().begin());
    }
    Surface picture;
};

TEST_F(BriteModuleTest, PanelShowsThreeScrollBarsAtNeutral) {
    for (const char* c : {"Frame5", "Frame6", "Combo5", "Combo6", "PreVewPict", "Combo1", "Label13",
                          "Label14", "Wzahyou", "ComdBtn2", "ComSTP2"})
        EXPECT_FALSE(panel.state(c).visible) << c;
    EXPECT_FALSE(panel.state("ComFdIn").enabled);
    EXPECT_FALSE(panel.state("ComFdOut").enabled);
    EXPECT_TRUE(panel.state("mnuAll").enabled);
    EXPECT_EQ(panel.state("RDPictBtn").caption, "中立位置");
    EXPECT_EQ(panel.state("Label1").caption, "明るさ");
    EXPECT_EQ(panel.state("Label3").caption, "ｺﾝﾄﾗｽﾄ");
    EXPECT_EQ(panel.state("Label6").caption, "彩度");
    EXPECT_EQ(panel.state("Frame7").caption, "設定値");
    EXPECT_EQ(panel.state("Label9").caption, "B");
    EXPECT_EQ(panel.state("Label10").caption, "C");
    EXPECT_EQ(panel.state("Label15").caption, "V");
    EXPECT_EQ(panel.state("XYSet").caption, "設定");
    int top = 360;
    for (const char* bar : {"HScroll1", "HScroll2", "HScroll3"}) {
        const ControlState& s = panel.state(bar);
        EXPECT_TRUE(s.visible) << bar;
        EXPECT_EQ(s.scrollValue, 50) << bar;
        EXPECT_EQ(std::tuple(s.left, s.top, s.width, s.height), std::tuple(2200, top, 2000, 200))
            << bar;
        top += 300;
    }
    EXPECT_EQ(std::pair(panel.state("Hzahyou").left, panel.state("Hzahyou").top),
              std::pair(300, 1920));
    EXPECT_EQ(editor.brightness().brightness(), 50);
    EXPECT_TRUE(mainEquals(picture));
}

TEST_F(BriteModuleTest, ScrollBarsPreviewLiveAndAClickStoresThem) {
    panel.setScrollValue("HScroll1", 80);
    EXPECT_EQ(editor.jumpEffValues(kouka::kBrightness, cmd::kParam, ctl::kHScroll1, 80),
              kouka::kBrightness);
    EXPECT_TRUE(mainEquals(expected(80, 50, 50)));
    panel.setScrollValue("HScroll3", 10);
    editor.jumpEffValues(kouka::kBrightness, cmd::kParam, ctl::kHScroll3, 10);
    EXPECT_TRUE(mainEquals(expected(80, 50, 10)));
    EXPECT_EQ(panel.text("Xzahyou"), "80");
    EXPECT_EQ(panel.text("Hzahyou"), "10");
    EXPECT_EQ(panel.text("Wzahyou"), "");
    editor.KoukaSel = kouka::kBrightness;
    editor.Dragging = true;
    editor.PictMain_MouseUp(1, 0, 5, 5);
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{8, 80, 50, 0, 10, 8, "0"}));
}

TEST_F(BriteModuleTest, NeutralButtonResetsEverything) {
    editor.jumpEffValues(kouka::kBrightness, cmd::kParam, ctl::kHScroll2, 90);
    editor.jumpEffValues(kouka::kBrightness, cmd::kParam, ctl::kRDPictBtn, 0);
    EXPECT_TRUE(mainEquals(picture));
    for (const char* bar : {"HScroll1", "HScroll2", "HScroll3"})
        EXPECT_EQ(panel.scrollValue(bar), 50);
    for (const char* box : {"Xzahyou", "Yzahyou", "Hzahyou"}) EXPECT_EQ(panel.text(box), "50");
    EXPECT_EQ(editor.WorkRecord, (EffRec{8, 50, 50, 0, 50, 8, "0"}));
}

TEST_F(BriteModuleTest, NumericEntryChecksAllThreeValues) {
    editor.WorkRecord = EffRec{};
    editor.jumpEffValues(kouka::kBrightness, cmd::kXYSet, 50, 50, 7.0f, -1.0f);
    editor.jumpEffValues(kouka::kBrightness, cmd::kXYSet, 101, 50, 7.0f, 50.0f);
    editor.jumpEffValues(kouka::kBrightness, cmd::kXYSet, 50, -1, 7.0f, 50.0f);
    ASSERT_EQ(host.messages.size(), 3u);
    for (const auto& m : host.messages) {
        EXPECT_EQ(m.text, "この数値では設定できません");
        EXPECT_EQ(m.title, "警告");
        EXPECT_EQ(m.style, 272);
    }
    EXPECT_EQ(editor.WorkRecord, EffRec{});
    EXPECT_TRUE(mainEquals(picture));
    editor.jumpEffValues(kouka::kBrightness, cmd::kXYSet, 100, 0, 7.0f, 100.0f);
    EXPECT_EQ(editor.WorkRecord, (EffRec{8, 100, 0, 7, 100, 8, "0"}));
    EXPECT_TRUE(mainEquals(expected(100, 0, 100)));
    EXPECT_EQ(panel.scrollValue("HScroll1"), 100);
    EXPECT_EQ(panel.scrollValue("HScroll2"), 0);
}

TEST_F(BriteModuleTest, RenderDrawsTheRecordAndKeepsTheScrollBarChoice) {
    editor.jumpEffValues(kouka::kBrightness, cmd::kParam, ctl::kHScroll1, 70);
    editor.EffArr.at(0, 0) = EffRec{8, 20.9f, 60.2f, 33.5f, 40.7f, 8, "0"};
    ASSERT_EQ(editor.DspFrame2(), 0);
    EXPECT_TRUE(mainEquals(expected(20, 60, 40)));
    // The record keeps its width field.
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{8, 20, 60, 33.5f, 40, 8, "0"}));
    EXPECT_EQ(editor.brightness().brightness(), 70);
    EXPECT_EQ(editor.brightness().contrast(), 50);
}

}  // namespace
}  // namespace movalux
