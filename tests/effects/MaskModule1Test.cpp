#include "effects/MaskModule1.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "effects/DrawShapeIcon.h"
#include "effects/RasterOps.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

bool same(const Surface& a, const Surface& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin());
}

TEST(MaskOpacity, TransparencyInPercentToAByte) {
    EXPECT_EQ(maskOpacity(0), 255);
    EXPECT_EQ(maskOpacity(30), 178);
    EXPECT_EQ(maskOpacity(50), 128);
    EXPECT_EQ(maskOpacity(70), 76);
    EXPECT_EQ(maskOpacity(90), 26);
    EXPECT_EQ(maskOpacity(100), 0);
    EXPECT_THROW(maskOpacity(101), std::overflow_error);
    EXPECT_THROW(maskOpacity(-1), std::overflow_error);
}

TEST(MaskSemiAxes, LargerSemiAxisIsTheRadius) {
    EXPECT_EQ(maskSemiAxes(50, 4.0 / 3.0).horizontal, 37.5);
    EXPECT_EQ(maskSemiAxes(50, 4.0 / 3.0).vertical, 50);
    EXPECT_EQ(maskSemiAxes(40, 0.5).horizontal, 40);
    EXPECT_EQ(maskSemiAxes(40, -0.5).vertical, 20);
}

class MaskModuleTest : public test::EditorTest {
  protected:
    void SetUp() override {
        picture = test::patternPicture(160, 120);
        openPicture(picture);
        editor.DspFrame2();
        editor.Combo3_Click("マスク");
        EXPECT_EQ(editor.KoukaSel, 1);
    }
    void drag(float x0, float y0, float x1, float y1, int16_t shift = 0) {
        editor.Dragging = true;
        editor.jumpEffValues(editor.KoukaSel, cmd::kMouseDown, 1, shift, x0, y0);
        editor.jumpEffValues(editor.KoukaSel, cmd::kMouseMove, 1, shift, (x0 + x1) / 2,
                             (y0 + y1) / 2);
        editor.jumpEffValues(editor.KoukaSel, cmd::kMouseMove, 1, shift, x1, y1);
        editor.PictMain_MouseUp(1, shift, x1, y1);
    }
    void render(const EffRec& rec) {
        editor.EffArr.at(0, 0) = rec;
        ASSERT_EQ(editor.DspFrame2(), 0);
        ASSERT_NE(editor.EffResult, kTrappedError);
    }
    Surface picture;
};

TEST_F(MaskModuleTest, PanelShowsShapeEffectTransparencyAndTheIcon) {
    EXPECT_EQ(panel.state("Frame5").caption, "形状");
    EXPECT_TRUE(panel.checked("Option3"));
    EXPECT_EQ(panel.state("Option3").caption, "楕円");
    EXPECT_EQ(panel.state("Option4").caption, "四角");
    EXPECT_TRUE(panel.state("Frame6").visible);
    EXPECT_EQ(panel.state("Frame6").caption, "効果");
    EXPECT_TRUE(panel.checked("Option5"));
    EXPECT_EQ(panel.state("Option5").caption, "外黒");
    EXPECT_EQ(panel.state("Option6").caption, "中黒");
    EXPECT_TRUE(panel.state("PreVewPict").visible);
    EXPECT_EQ(panel.state("Label1").caption, "透明度%");
    EXPECT_EQ(panel.state("Combo1").items, (std::vector<std::string>{"0", "30", "50", "70"}));
    EXPECT_EQ(panel.text("Combo1"), "50");
    for (const char* c : {"Combo5", "Combo6", "Label6", "Label3", "RDPictBtn", "ComdBtn2",
                          "ComSTP2", "HScroll1", "HScroll2", "HScroll3"})
        EXPECT_FALSE(panel.state(c).visible) << c;
    EXPECT_TRUE(panel.state("ComFdIn").enabled);
    EXPECT_TRUE(panel.state("ComFdOut").enabled);
    EXPECT_FALSE(panel.state("mnuAll").enabled);
    EXPECT_EQ(panel.state("Frame7").caption, "効果位置");
    const ControlState& icon = panel.state("PreVewPict");
    EXPECT_EQ(std::tuple(icon.left, icon.top, icon.width, icon.height),
              std::tuple(3720, 360, 850, 1100));
    EXPECT_EQ(std::pair(panel.state("Label1").left, panel.state("Label1").top),
              std::pair(1320, 1260));
    EXPECT_EQ(std::pair(panel.state("Combo1").left, panel.state("Combo1").top),
              std::pair(2040, 1200));
    EXPECT_EQ(editor.mask().shape(), 1);
    EXPECT_TRUE(editor.mask().outside());
    EXPECT_EQ(editor.mask().transparency(), 50);
    EXPECT_EQ(editor.ParamValue, 50);
    // The icon: the ellipse, inverted for "外黒".
    Surface icon57(57, 73);
    DrawShapeIcon(icon57, 1, true);
    EXPECT_TRUE(same(editor.PreVewPict(), icon57));
}

TEST_F(MaskModuleTest, ChoosingTheRectangleMakesTheNextRecordKindTwoAndTheIconFollows) {
    editor.ParamValue = 50;
    int16_t button = ctl::kOption4, shift = editor.ParamValue;
    float x = 0, y = 0;
    int32_t a = 0, b = 0;
    editor.KoukaSel = static_cast<int16_t>(
        editor.JumpEff(editor.KoukaSel, cmd::kParam, button, shift, x, y, a, b));
    EXPECT_EQ(editor.KoukaSel, 2);
    Surface rectIcon(57, 73);
    DrawShapeIcon(rectIcon, 2, true);
    EXPECT_TRUE(same(editor.PreVewPict(), rectIcon));
    editor.jumpEffValues(2, cmd::kParam, ctl::kOption6, 50);  // 中黒
    DrawShapeIcon(rectIcon, 2, false);
    EXPECT_TRUE(same(editor.PreVewPict(), rectIcon));
    drag(20, 30, 60, 50);
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{2, 20, 30, 40, 20, 50, "0"}));
    EXPECT_EQ(panel.text("Wzahyou"), "40.0");
    // A panel opened again starts from the ellipse.
    editor.Combo3_Click("マスク");
    EXPECT_EQ(editor.KoukaSel, 1);
}

TEST_F(MaskModuleTest, TransparencySeventyOverWhiteGives179AndZeroGivesBlack) {
    Surface white(160, 120, kWhite);
    openPicture(white);
    render(EffRec{2, 40, 30, 80, 60, 70, "1"});
    EXPECT_EQ(editor.PictMain().pixel(5, 5), rgb(179, 179, 179));
    EXPECT_EQ(editor.PictMain().pixel(80, 60), kWhite);  // inside the shape
    render(EffRec{2, 40, 30, 80, 60, 0, "1"});
    EXPECT_EQ(editor.PictMain().pixel(5, 5), kBlack);
    EXPECT_EQ(editor.PictMain().pixel(159, 119), kBlack);
    EXPECT_EQ(editor.PictMain().pixel(80, 60), kWhite);
    render(EffRec{2, 40, 30, 80, 60, 30, "0"});  // black inside, opacity 178
    EXPECT_EQ(editor.PictMain().pixel(80, 60), rgb(77, 77, 77));
    EXPECT_EQ(editor.PictMain().pixel(5, 5), kWhite);
}

TEST_F(MaskModuleTest, MaskIsDrawnOnPictMskAndBlendedAsTransparentBlitThenAlphaBlend) {
    render(EffRec{1, 80, 60, 30, 0.5f, 50, "1"});
    Surface msk(160, 120, kWhite);
    DrawEllipse(msk, 80, 60, 30, 0.5, kBlack, DrawMode::CopyPen);
    FloodFill(msk, 82, 62, kBlack, FloodType::Border, kBlack);
    BitBlt(msk, 0, 0, 160, 120, nullptr, 0, 0, Rop::DstInvert);
    EXPECT_TRUE(same(editor.PictMsk(), msk));
    Surface jt = picture;
    TransparentBlt(jt, 0, 0, 160, 120, msk, 0, 0, 160, 120, kWhite);
    Surface expect = picture;
    AlphaBlend(expect, 0, 0, 160, 120, jt, 0, 0, 128);
    EXPECT_TRUE(same(editor.PictMain(), expect));
    // The mask leaves PictJT alone: rendering again from it gives the same.
    editor.PictJT().assign(picture);
    editor.WorkRecord = EffRec{1, 80, 60, 30, 0.5f, 50, "1"};
    editor.jumpEffValues(1, cmd::kRender);
    EXPECT_TRUE(same(editor.PictJT(), picture));
    EXPECT_TRUE(same(editor.PictMain(), expect));
}

TEST_F(MaskModuleTest, EllipseDragUsesTheLastDragStep) {
    drag(100, 100, 130, 140);
    const EffRec& r = editor.EffArr.at(0, 0);
    EXPECT_EQ(r.Kind, 1);
    EXPECT_EQ(r.X, 100);
    EXPECT_EQ(r.Y, 100);
    EXPECT_FLOAT_EQ(r.W, 50);
    EXPECT_FLOAT_EQ(r.H, 4.0f / 3.0f);
    EXPECT_EQ(panel.text("Wzahyou"), "37.5");
    EXPECT_EQ(panel.text("Hzahyou"), "50.0");
    EXPECT_EQ(panel.text("Xzahyou"), "100");
    // Shift keeps it round.
    drag(50, 50, 60, 80, 1);
    EXPECT_FLOAT_EQ(editor.EffArr.at(0, 0).W, std::hypot(10.0f, 30.0f));
    EXPECT_EQ(editor.EffArr.at(0, 0).H, 1.0f);
}

TEST_F(MaskModuleTest, ShiftSquaresTheRectangleInTheDragDirection) {
    editor.jumpEffValues(1, cmd::kParam, ctl::kOption4, 50);
    editor.KoukaSel = 2;
    drag(50, 50, 20, 60, 1);  // left 30, down 10: the larger distance wins
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{2, 20, 50, 30, 30, 50, "1"}));
    drag(50, 50, 55, 10, 1);  // up 40, right 5
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{2, 50, 10, 40, 40, 50, "1"}));
    drag(50, 50, 200, 70);  // no Shift, no clipping to the picture
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{2, 50, 50, 150, 20, 50, "1"}));
    // The mouse never reaches a module left of the picture (issue 18): a
    // release there is a pointer on column 0.
    drag(50, 50, -10, 70);
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{2, 0, 50, 50, 20, 50, "1"}));
}

TEST_F(MaskModuleTest, FixSizeMovesTheCurrentShape) {
    drag(100, 100, 130, 140);
    editor.FixSize = kTrue;
    drag(40, 40, 70, 60);
    editor.FixSize = kFalse;
    EXPECT_EQ(editor.EffArr.at(0, 0).X, 70);
    EXPECT_EQ(editor.EffArr.at(0, 0).Y, 60);
    EXPECT_FLOAT_EQ(editor.EffArr.at(0, 0).W, 50);
    editor.jumpEffValues(1, cmd::kParam, ctl::kOption4, 50);
    editor.KoukaSel = 2;
    drag(10, 10, 30, 50);
    editor.FixSize = kTrue;
    drag(0, 0, 100, 100);
    editor.FixSize = kFalse;
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{2, 90, 80, 20, 40, 50, "1"}));
}

TEST_F(MaskModuleTest, NumericEntryStoresRadiusAndAspect) {
    panel.setText("Xzahyou", "80");
    panel.setText("Yzahyou", "60");
    panel.setText("Wzahyou", "40");
    panel.setText("Hzahyou", "20");
    editor.XYSet_Click();
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{1, 80, 60, 40, 0.5f, 50, "1"}));
    EXPECT_EQ(panel.text("Wzahyou"), "40.0");
    EXPECT_EQ(panel.text("Hzahyou"), "20.0");
    panel.setText("Hzahyou", "0");
    editor.XYSet_Click();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "この数値では設定できません");
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{1, 80, 60, 40, 0.5f, 50, "1"}));
}

TEST_F(MaskModuleTest, RenderKeepsThePanelChoiceAndDrawsTheRecordsShape) {
    editor.jumpEffValues(1, cmd::kParam, ctl::kCombo1, 0);
    editor.jumpEffValues(1, cmd::kParam, ctl::kOption6, 0);
    EXPECT_EQ(editor.mask().transparency(), 0);
    EXPECT_FALSE(editor.mask().outside());
    render(EffRec{2, 10, 10, 50, 40, 70, "1"});
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{2, 10, 10, 50, 40, 70, "1"}));
    EXPECT_EQ(editor.mask().transparency(), 0);
    EXPECT_EQ(editor.mask().text(), "0");
    EXPECT_EQ(editor.mask().shape(), 1);
    // A rectangle: the corner just outside it is darkened, its inside not.
    EXPECT_NE(editor.PictMain().pixel(5, 5), picture.pixel(5, 5));
    EXPECT_EQ(editor.PictMain().pixel(30, 30), picture.pixel(30, 30));
    // A record whose transparency makes no opacity is trapped.
    editor.EffArr.at(0, 0) = EffRec{1, 10, 10, 50, 1, 200, "1"};
    editor.DspFrame2();
    EXPECT_EQ(editor.EffResult, kTrappedError);
}

TEST_F(MaskModuleTest, WholeFrameReleaseFillsTheFrameWithTheShape) {
    editor.jumpEffValues(1, cmd::kMouseUp, 0, 0, -1.0f, -1.0f);
    EXPECT_EQ(editor.WorkRecord, (EffRec{1, 80, 60, 80, 0.75f, 50, "1"}));
}

}  // namespace
}  // namespace movalux
