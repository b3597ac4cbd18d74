#include "effects/KakudaiMod.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "effects/RasterOps.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

using test::patternPicture;

bool same(const Surface& a, const Surface& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin());
}

TEST(ZoomAspectLock, MovesThePointerToKeepTheFramesRatio) {
    float x = 160, y = 10;
    lockAspect(0, 0, x, y, 240.0 / 320.0);
    EXPECT_EQ(std::pair(x, y), std::pair(160.0f, 120.0f));
    x = 140, y = 90;  // up and right: the height follows the width, upwards
    lockAspect(100, 100, x, y, 0.75);
    EXPECT_EQ(std::pair(x, y), std::pair(140.0f, 70.0f));
    x = 110, y = 190;  // taller than the ratio: the width follows the height
    lockAspect(100, 100, x, y, 0.75);
    EXPECT_EQ(std::pair(x, y), std::pair(220.0f, 190.0f));
    x = 110, y = 10;
    lockAspect(100, 100, x, y, 0.75);
    EXPECT_EQ(std::pair(x, y), std::pair(220.0f, 10.0f));
}

TEST(ZoomPalette, SixteenColoursAndNoMore) {
    EXPECT_EQ(paletteColour(0), kBlack);
    EXPECT_EQ(paletteColour(9), rgb(0, 0, 255));
    EXPECT_EQ(paletteColour(12), rgb(255, 0, 0));
    EXPECT_EQ(paletteColour(14), rgb(255, 255, 0));
    EXPECT_EQ(paletteColour(15), kWhite);
    EXPECT_THROW(paletteColour(16), std::out_of_range);
    EXPECT_THROW(paletteColour(-1), std::out_of_range);
}

class KakudaiModuleTest : public test::EditorTest {
  protected:
    void SetUp() override {
        picture = patternPicture(320, 240);
        openPicture(picture);
        editor.DspFrame2();
        EXPECT_EQ(editor.jumpEffValues(kouka::kZoom, cmd::kPanel, 0, 0, 1.0f), kouka::kZoom);
    }
    void drag(float x0, float y0, float x1, float y1) {
        editor.Dragging = true;
        editor.jumpEffValues(kouka::kZoom, cmd::kMouseDown, 1, 0, x0, y0);
        editor.jumpEffValues(kouka::kZoom, cmd::kMouseMove, 1, 0, x1, y1);
        editor.jumpEffValues(kouka::kZoom, cmd::kMouseUp, 1, 0, x1, y1);
        editor.Dragging = false;
    }
    void render(const EffRec& rec) {
        editor.EffArr.at(0, 0) = rec;
        ASSERT_EQ(editor.DspFrame2(), 0);
    }
    Surface picture;
};

TEST_F(KakudaiModuleTest, PanelShowsRatioSizeColourAndPlacement) {
    EXPECT_EQ(panel.state("Frame5").caption, "縦横比");
    EXPECT_TRUE(panel.checked("Option3"));
    EXPECT_EQ(panel.state("Option3").caption, "固定");
    EXPECT_EQ(panel.state("Option4").caption, "自由");
    EXPECT_TRUE(panel.state("Frame6").visible);
    EXPECT_EQ(panel.state("Frame6").caption, "サイズ");
    EXPECT_TRUE(panel.checked("Option5"));
    EXPECT_EQ(panel.state("Option5").caption, "拡大");
    EXPECT_EQ(panel.state("Option6").caption, "等倍");
    EXPECT_EQ(panel.state("Combo5").items,
              (std::vector<std::string>{"黒", "青", "緑", "シアン", "赤", "マゼンタ", "黄", "白"}));
    EXPECT_EQ(panel.text("Combo5"), "黒");
    EXPECT_EQ(panel.state("Combo6").items, (std::vector<std::string>{"中央", "左上"}));
    EXPECT_EQ(panel.text("Combo6"), "左上");
    EXPECT_TRUE(panel.state("Combo6").visible);
    EXPECT_FALSE(panel.state("Combo6").enabled);
    for (const char* c : {"Label6", "Label3", "RDPictBtn", "PreVewPict", "Label1", "Combo1",
                          "ComdBtn2", "ComSTP2", "HScroll1", "HScroll2", "HScroll3"})
        EXPECT_FALSE(panel.state(c).visible) << c;
    EXPECT_FALSE(panel.state("ComFdIn").enabled);
    EXPECT_TRUE(panel.state("mnuAll").enabled);
    EXPECT_EQ(panel.state("Frame7").caption, "効果位置");
    EXPECT_TRUE(editor.zoom().aspectLock());
    EXPECT_TRUE(editor.zoom().zoom());
    EXPECT_EQ(editor.zoom().placement(), 1);
    EXPECT_EQ(editor.zoom().text(), "0");
}

TEST_F(KakudaiModuleTest, LockedDragKeepsTheFramesAspect) {
    drag(0, 0, 160, 10);
    EXPECT_EQ(editor.WorkRecord, (EffRec{5, 0, 0, 160, 120, 1, "0"}));
    EXPECT_EQ(panel.text("Wzahyou"), "160.0");
    EXPECT_EQ(panel.text("Xzahyou"), "0");
    // The rubber band during the drag used the moved point as well.
    editor.Dragging = true;
    editor.jumpEffValues(kouka::kZoom, cmd::kMouseDown, 1, 0, 0, 0);
    editor.jumpEffValues(kouka::kZoom, cmd::kMouseMove, 1, 0, 160, 10);
    Surface band = picture;
    DrawBox(band, 0, 0, 160, 120, kBlack, DrawMode::Invert);
    EXPECT_TRUE(same(editor.PictMain(), band));
    editor.jumpEffValues(kouka::kZoom, cmd::kMouseUp, 1, 0, 160, 10);
    editor.Dragging = false;
    // Unlocked, the region is what was dragged.
    editor.jumpEffValues(kouka::kZoom, cmd::kParam, ctl::kOption4, 0);
    drag(0, 0, 160, 10);
    EXPECT_EQ(editor.WorkRecord, (EffRec{5, 0, 0, 160, 10, 1, "0"}));
}

TEST_F(KakudaiModuleTest, ZoomStretchesTheRegionOverTheFrame) {
    render(EffRec{5, 0, 0, 320, 240, 1, "0"});
    EXPECT_TRUE(same(editor.PictMain(), picture));
    render(EffRec{5, 10.4f, 20.6f, 159.5f, 120.2f, 1, "0"});
    Surface expect(320, 240);
    StretchBlt(expect, 0, 0, 320, 240, picture, 10, 21, 160, 120, Rop::SrcCopy,
               StretchMode::Nearest);
    EXPECT_TRUE(same(editor.PictMain(), expect));
    EXPECT_EQ(editor.EffArr.at(0, 0),
              (EffRec{5, 10.4f, 20.6f, 159.5f, 120.2f, 1, "0"}));  // not rounded
}

TEST_F(KakudaiModuleTest, OwnSizeCentredIsPlacedByTheOuterSizeOnTheFloodFilledGround) {
    // Without a border the outer size is the picture's: (320 - 100) / 2 and
    // (240 - 50) / 2.
    Surface bare = picture;
    zoomPicture(bare, picture, 30, 40, 100, 50, 0, "14", 0);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(bare.pixel(110 + x, 95 + y), picture.pixel(30 + x, 40 + y));
    // The main picture's two-pixel border makes its outer size 324 x 244.
    render(EffRec{5, 30, 40, 100, 50, 0, "14"});
    const Surface& m = editor.PictMain();
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(m.pixel(112 + x, 97 + y), picture.pixel(30 + x, 40 + y));
    // The ground is the area around (10, 10) bounded by black: the pattern's
    // black pixel (0, 0) stays.
    Surface ground = picture;
    FloodFill(ground, 10, 10, kBlack, FloodType::Border, rgb(255, 255, 0));
    EXPECT_EQ(m.pixel(0, 0), kBlack);
    EXPECT_EQ(m.pixel(10, 10), rgb(255, 255, 0));
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            if (x < 112 || x >= 212 || y < 97 || y >= 147) {
                ASSERT_EQ(m.pixel(x, y), ground.pixel(x, y)) << x << "," << y;
            }
    // Top-left placement, black ground.
    render(EffRec{5, 30, 40, 100, 50, 1, "1"});
    EXPECT_EQ(editor.PictMain().pixel(0, 0), picture.pixel(30, 40));
    EXPECT_EQ(editor.PictMain().pixel(150, 150), kBlack);
}

TEST_F(KakudaiModuleTest, ANegativeTypedSizeCopiesTheRegionMirroredAtItsOwnSize) {
    // Width -100 and height -50 from (130, 90): the region from (30, 40) to
    // (130, 90), copied top-left at 100 x 50 and mirrored both ways.
    render(EffRec{5, 130, 90, -100, -50, 1, "1"});
    const Surface& m = editor.PictMain();
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(m.pixel(x, y), picture.pixel(129 - x, 89 - y)) << x << "," << y;
    EXPECT_EQ(m.pixel(150, 150), kBlack);
    // Zoom of the same region over the whole frame, mirrored.
    render(EffRec{5, 130, 90, -100, -50, 1, "0"});
    EXPECT_EQ(editor.PictMain().pixel(0, 0), picture.pixel(129, 89));
    EXPECT_EQ(editor.PictMain().pixel(319, 239), picture.pixel(30, 40));
}

TEST_F(KakudaiModuleTest, ColourChoiceSwitchesToOwnSizeAndSurvivesRendering) {
    editor.jumpEffValues(kouka::kZoom, cmd::kParam, ctl::kCombo5, 3);  // シアン
    EXPECT_EQ(editor.zoom().text(), "11");
    EXPECT_FALSE(editor.zoom().zoom());
    render(EffRec{5, 0, 0, 10, 10, 1, "0"});
    EXPECT_EQ(editor.zoom().text(), "11");
    editor.jumpEffValues(kouka::kZoom, cmd::kParam, ctl::kCombo5, 0);
    EXPECT_EQ(editor.zoom().text(), "1");
    editor.jumpEffValues(kouka::kZoom, cmd::kParam, ctl::kCombo5, 8);  // outside the list
    EXPECT_EQ(editor.zoom().text(), "1");

    editor.jumpEffValues(kouka::kZoom, cmd::kParam, ctl::kOption5, 0);
    EXPECT_EQ(editor.zoom().text(), "0");
    EXPECT_FALSE(panel.state("Combo6").enabled);
    panel.setListIndex("Combo5", 7);
    editor.jumpEffValues(kouka::kZoom, cmd::kParam, ctl::kOption6, 0);
    EXPECT_TRUE(panel.state("Combo6").enabled);
    EXPECT_EQ(editor.zoom().text(), "15");  // the colour Combo5 shows
    editor.jumpEffValues(kouka::kZoom, cmd::kParam, ctl::kCombo6, 0);
    EXPECT_EQ(editor.zoom().placement(), 0);
    render(EffRec{5, 0, 0, 10, 10, 1, "0"});
    EXPECT_EQ(editor.zoom().placement(), 0);
    // "拡大" shows "左上" in the placement list, and that is the placement.
    editor.jumpEffValues(kouka::kZoom, cmd::kParam, ctl::kOption5, 0);
    EXPECT_EQ(panel.text("Combo6"), "左上");
    EXPECT_EQ(editor.zoom().placement(), 1);
}

TEST_F(KakudaiModuleTest, TypedRegionAndItsRefusal) {
    editor.jumpEffValues(kouka::kZoom, cmd::kXYSet, 10, 20, 0.0f, 30.0f);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "この数値では設定できません");
    editor.jumpEffValues(kouka::kZoom, cmd::kXYSet, 10, 20, 64.5f, 48.25f);
    EXPECT_EQ(editor.WorkRecord, (EffRec{5, 10, 20, 64.5f, 48.25f, 1, "0"}));
    EXPECT_EQ(panel.text("Wzahyou"), "64.5");
    EXPECT_EQ(panel.text("Hzahyou"), "48.3");
}

TEST_F(KakudaiModuleTest, AGroundColourOutsideThePaletteIsTrapped) {
    render(EffRec{5, 0, 0, 10, 10, 1, "16"});
    EXPECT_EQ(editor.EffResult, kTrappedError);
}

}  // namespace
}  // namespace movalux
