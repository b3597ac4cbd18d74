#include "effects/ArrowModule1.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/EditorFixture.h"

namespace movalux {
namespace {

constexpr uint32_t kGrey = 0xFF808080u;

class ArrowTest : public test::EditorTest {
  protected:
    void SetUp() override {
        openPicture(Surface(200, 150, kGrey));
        editor.Combo3_Click("矢印");
    }
    // Shows frame 0 with one arrow record on layer 0.
    void render(float x, float y, float size, float direction, int16_t colour) {
        editor.EffArr.at(0, 0) = EffRec{kouka::kArrow, x, y, size, direction, colour, "keep"};
        editor.DspFrame2();
    }
    uint32_t at(int x, int y) { return editor.PictMain().pixel(x, y) | kOpaque; }
};

TEST(ArrowGeometry, UsesThePiStandInSoAHalfTurnFallsJustShort) {
    const auto p = arrowPoints(4, 1, 70, 70);
    const double r3 = std::sqrt(26.0) * 4;
    const double exactX = 70 + r3 * std::cos(std::numbers::pi + std::atan(5.0));
    // Pointing down: the shaft's end lies above the tip, 5u up.
    EXPECT_NEAR(p[2].y, 70 - 20, 0.01);
    EXPECT_NEAR(p[2].x, exactX, 0.01);
    // 3.1415 is short of pi by about 1e-4 rad: the point is off by ~2e-3.
    EXPECT_GT(std::abs(p[2].x - exactX), 1e-3);
    // Unrotated, the head is 2u long and 4u wide, the shaft reaches 5u.
    const auto up = arrowPoints(0, 2, 70, 70);
    EXPECT_NEAR(up[0].x, 70 + 16, 0.01);
    EXPECT_NEAR(up[0].y, 70 + 16, 0.01);
    EXPECT_NEAR(up[3].x, 70 - 8, 0.01);
    EXPECT_NEAR(up[3].y, 70 + 40, 0.01);
}

TEST(ArrowGeometry, ColoursAreBlackThenTheBrightPaletteHalf) {
    EXPECT_EQ(arrowColour(0), kBlack);
    EXPECT_EQ(arrowColour(1), rgb(0, 0, 255));
    EXPECT_EQ(arrowColour(4), rgb(255, 0, 0));
    EXPECT_EQ(arrowColour(6), rgb(255, 255, 0));
    EXPECT_EQ(arrowColour(7), kWhite);
    EXPECT_THROW(arrowColour(8), std::out_of_range);
}

TEST_F(ArrowTest, CodeTwoPointsRightWithTheShaftToTheLeft) {
    render(100, 75, 2, 2, 4);               // size 2: u = 8
    EXPECT_EQ(at(100, 75), kBlack);         // the tip is on the outline
    EXPECT_EQ(at(92, 75), rgb(255, 0, 0));  // head
    EXPECT_EQ(at(70, 75), rgb(255, 0, 0));  // shaft
    EXPECT_EQ(at(105, 75), kGrey);          // beyond the tip
    EXPECT_EQ(at(55, 75), kGrey);           // beyond the shaft's end
    EXPECT_EQ(at(70, 62), kGrey);           // beside the shaft
}

TEST_F(ArrowTest, CodeFourPointsDown) {
    render(100, 75, 2, 4, 2);
    EXPECT_EQ(at(100, 67), rgb(0, 255, 0));
    EXPECT_EQ(at(100, 45), rgb(0, 255, 0));
    EXPECT_EQ(at(100, 80), kGrey);
    EXPECT_EQ(at(100, 30), kGrey);
}

TEST_F(ArrowTest, OutlineIsBlackForEveryColourAndBlackFillsBlack) {
    for (int16_t colour = 0; colour <= 7; ++colour) {
        render(100, 75, 3, 0, colour);  // up, u = 12: base of the head at y 99
        SCOPED_TRACE(colour);
        EXPECT_EQ(at(100, 75), kBlack);
        EXPECT_EQ(at(100, 90), arrowColour(colour));
        // Along the head's edge from the tip, the outline is black.
        EXPECT_EQ(at(110, 85), kBlack);
        EXPECT_EQ(at(125, 100), kGrey);
    }
}

TEST_F(ArrowTest, ATipAtTheCornerShowsOnlyThePartInsideTheFrame) {
    render(0, 0, 2, 0, 6);  // up: the body lies below the corner
    EXPECT_EQ(at(0, 0), kBlack);
    EXPECT_EQ(at(3, 10), rgb(255, 255, 0));
    EXPECT_EQ(at(30, 30), kGrey);
    EXPECT_EQ(editor.EffArr.at(0, 0).Text, "keep");
}

TEST_F(ArrowTest, RenderingARecordLeavesThePanelsChoice) {
    editor.jumpEffValues(kouka::kArrow, cmd::kParam, ctl::kCombo1, 2);
    editor.jumpEffValues(kouka::kArrow, cmd::kParam, ctl::kCombo5, 2);  // "右": code 2
    editor.jumpEffValues(kouka::kArrow, cmd::kParam, ctl::kCombo6, 0);  // "小"
    render(50, 50, 3, 6, 5);
    EXPECT_EQ(editor.arrow().colour(), 2);
    EXPECT_EQ(editor.arrow().direction(), 2);
    EXPECT_EQ(editor.arrow().size(), 1.0f);
    // The record went back into the timeline as it came.
    const EffRec& rec = editor.EffArr.at(0, 0);
    EXPECT_EQ(rec, (EffRec{kouka::kArrow, 50, 50, 3, 6, 5, "keep"}));
}

TEST_F(ArrowTest, AListChoiceRedrawsThePreviewButNotTheFrame) {
    editor.DspFrame2();
    const Surface frame = editor.PictMain();
    const Surface preview = editor.PreVewPict();
    editor.jumpEffValues(kouka::kArrow, cmd::kParam, ctl::kCombo1, 4);
    EXPECT_EQ(editor.PictMain().pixels().size(), frame.pixels().size());
    EXPECT_TRUE(std::equal(frame.pixels().begin(), frame.pixels().end(),
                           editor.PictMain().pixels().begin()));
    EXPECT_FALSE(std::equal(preview.pixels().begin(), preview.pixels().end(),
                            editor.PreVewPict().pixels().begin()));
    // The arrow is centred in the preview: its middle shows the new colour.
    const Surface& pv = editor.PreVewPict();
    EXPECT_EQ(pv.pixel(pv.width() / 2, pv.height() / 2) | kOpaque, rgb(255, 0, 0));
}

TEST_F(ArrowTest, PanelHasEveryCaptionListAndDefault) {
    EXPECT_EQ(editor.KoukaSel, kouka::kArrow);
    const auto& dir = panel.state("Combo5");
    EXPECT_EQ(dir.items,
              (std::vector<std::string>{"下", "右下", "右", "右上", "上", "左上", "左", "左下"}));
    EXPECT_EQ(dir.listIndex, 0);
    EXPECT_EQ(panel.state("Combo6").items, (std::vector<std::string>{"小", "中", "大"}));
    EXPECT_EQ(panel.state("Combo6").listIndex, 1);
    EXPECT_EQ(panel.state("Combo1").items,
              (std::vector<std::string>{"黒", "青", "緑", "シアン", "赤", "マゼンタ", "黄", "白"}));
    EXPECT_EQ(panel.state("Combo1").listIndex, 6);
    EXPECT_EQ(panel.state("Label3").caption, "方向");
    EXPECT_EQ(panel.state("Label6").caption, "大きさ");
    EXPECT_EQ(panel.state("Label1").caption, "色");
    EXPECT_EQ(panel.state("Frame7").caption, "効果位置");
    EXPECT_EQ(panel.state("XYSet").caption, "設定");
    EXPECT_EQ(panel.state("Combo5").left, 2140);
    EXPECT_EQ(panel.state("PreVewPict").width, 1100);
    EXPECT_FALSE(panel.state("Frame5").visible);
    EXPECT_FALSE(panel.state("HScroll1").visible);
    EXPECT_FALSE(panel.state("mnuAll").enabled);
    EXPECT_FALSE(panel.state("ComFdIn").enabled);
    EXPECT_EQ(editor.arrow().direction(), 4);
    EXPECT_EQ(editor.arrow().size(), 2.0f);
    EXPECT_EQ(editor.arrow().colour(), 6);
}

TEST_F(ArrowTest, PressAndReleaseStoreTheTipWithThePanelsChoice) {
    editor.PictMain_MouseDown(1, 0, 60, 40);
    EXPECT_EQ(at(60, 32), rgb(255, 255, 0));  // default: down, yellow, size 2
    EXPECT_EQ(at(60, 45), kGrey);
    editor.PictMain_MouseUp(1, 0, 60, 40);
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{kouka::kArrow, 60, 40, 2, 4, 6, ""}));
    EXPECT_EQ(panel.text("Xzahyou"), "60.0");
    EXPECT_EQ(panel.text("Wzahyou"), "");
}

TEST_F(ArrowTest, DrawingTheSpriteTellsPictureTwoToReload) {
    editor.overlay().table.marker = 3;
    editor.jumpEffValues(kouka::kArrow, cmd::kParam, ctl::kCombo6, 2);
    EXPECT_EQ(editor.overlay().table.marker, -1);
    EXPECT_EQ(editor.overlay().PictStart.width(), kArrowSprite);
}

}  // namespace
}  // namespace movalux
