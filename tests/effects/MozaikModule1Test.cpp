#include "effects/MozaikModule1.h"

#include <gtest/gtest.h>

#include "effects/RasterOps.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

using test::patternPicture;

class MozaikModuleTest : public test::EditorTest {
protected:
    void SetUp() override {
        picture = patternPicture(120, 90);
        openPicture(picture);
        editor.DspFrame2();
        editor.PanelScale = 1.0f;
        EXPECT_EQ(editor.jumpEffValues(kouka::kMosaic, cmd::kPanel, 0, 0, editor.PanelScale), kouka::kMosaic);
    }

    void drag(float x0, float y0, float x1, float y1) {
        editor.Dragging = true;
        editor.jumpEffValues(kouka::kMosaic, cmd::kMouseDown, 1, 0, x0, y0);
        editor.jumpEffValues(kouka::kMosaic, cmd::kMouseMove, 1, 0, (x0 + x1) / 2, (y0 + y1) / 2);
        editor.jumpEffValues(kouka::kMosaic, cmd::kMouseMove, 1, 0, x1, y1);
        editor.jumpEffValues(kouka::kMosaic, cmd::kMouseUp, 1, 0, x1, y1);
        editor.Dragging = false;
    }

    Surface expectInside(int x, int y, int w, int h, int block) {
        Surface s = picture;
        mosaicInside(s, x, y, w, h, block);
        return s;
    }
    Surface expectOutside(int x, int y, int w, int h, int block) {
        Surface s = picture;
        mosaicOutside(s, x, y, w, h, block);
        return s;
    }
    bool mainEquals(const Surface& s) {
        const Surface& m = editor.PictMain();
        return m.width() == s.width() && std::equal(m.pixels().begin(), m.pixels().end(), s.pixels().begin());
    }

    Surface picture;
};

TEST_F(MozaikModuleTest, PanelShowsTheMosaicControlsWithTheirDefaults) {
    EXPECT_TRUE(panel.state("Frame5").visible);
    EXPECT_EQ(panel.state("Frame5").caption, "モザイク");
    for (const char* c : {"Frame6", "Combo6", "Label6", "Label3", "RDPictBtn", "PreVewPict", "Combo1", "ComdBtn2",
                          "ComSTP2", "HScroll1", "HScroll2", "HScroll3"})
        EXPECT_FALSE(panel.state(c).visible) << c;
    EXPECT_FALSE(panel.state("ComFdIn").enabled);
    EXPECT_FALSE(panel.state("ComFdOut").enabled);
    EXPECT_TRUE(panel.state("mnuAll").enabled);
    EXPECT_EQ(panel.state("Label1").caption, "細かさ");
    EXPECT_TRUE(panel.checked("Option3"));
    EXPECT_FALSE(panel.checked("Option4"));
    EXPECT_EQ(panel.state("Option3").caption, "内側");
    EXPECT_EQ(panel.state("Option4").caption, "外側");
    EXPECT_EQ(panel.state("Combo5").items, (std::vector<std::string>{"微小", "小", "中", "大", "特大"}));
    EXPECT_EQ(panel.text("Combo5"), "中");
    EXPECT_EQ(panel.state("Frame7").caption, "効果位置");
    EXPECT_EQ(panel.state("Label9").caption, "X");
    EXPECT_EQ(panel.state("Label10").caption, "Y");
    EXPECT_EQ(panel.state("Label13").caption, "幅・高さ");
    EXPECT_EQ(panel.state("Label14").caption, "W");
    EXPECT_EQ(panel.state("Label15").caption, "H");
    EXPECT_EQ(panel.state("XYSet").caption, "設定");
    EXPECT_TRUE(panel.state("Wzahyou").visible);
    EXPECT_TRUE(panel.state("Hzahyou").visible);
    EXPECT_EQ(editor.mosaic().blockSize(), 8);
    EXPECT_EQ(editor.mosaic().text(), "0");
    EXPECT_TRUE(editor.mosaic().inside());
}

TEST_F(MozaikModuleTest, PanelPlacesControlsInPanelUnitsWithScaledFonts) {
    editor.jumpEffValues(kouka::kMosaic, cmd::kPanel, 0, 0, 1.37f);
    auto at = [&](const char* c) { return std::pair(panel.state(c).left, panel.state(c).top); };
    EXPECT_EQ(at("Label1"), std::pair(2920, 420));
    EXPECT_EQ(at("Combo5"), std::pair(3680, 360));
    EXPECT_EQ(at("Label9"), std::pair(120, 400));
    EXPECT_EQ(at("Label15"), std::pair(120, 1960));
    EXPECT_EQ(at("Xzahyou"), std::pair(300, 360));
    EXPECT_EQ(at("Hzahyou"), std::pair(300, 1920));
    EXPECT_EQ(at("XYSet"), std::pair(240, 2400));
    EXPECT_EQ(panel.state("Combo5").fontSize, 12);  // whole part of 9 x 1.37
    EXPECT_EQ(panel.state("XYSet").fontSize, 12);
}

TEST_F(MozaikModuleTest, PanelRedisplaysTheFrame) {
    const int before = source.requests;
    editor.jumpEffValues(kouka::kMosaic, cmd::kPanel, 0, 0, 1.0f);
    EXPECT_EQ(source.requests, before + 1);
}

TEST_F(MozaikModuleTest, ParamCodesChooseSideAndBlockSize) {
    const int icons = host.refreshes[Picture::PreVewPict];
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(editor.jumpEffValues(kouka::kMosaic, cmd::kParam, ctl::kCombo5, static_cast<int16_t>(i)),
                  kouka::kMosaic);
        EXPECT_EQ(editor.mosaic().blockSize(), kMosaicBlockSizes[i]);
    }
    editor.jumpEffValues(kouka::kMosaic, cmd::kParam, ctl::kCombo5, 5);
    editor.jumpEffValues(kouka::kMosaic, cmd::kParam, ctl::kCombo5, -1);
    EXPECT_EQ(editor.mosaic().blockSize(), 24);
    editor.jumpEffValues(kouka::kMosaic, cmd::kParam, ctl::kOption4, 50);
    EXPECT_EQ(editor.mosaic().text(), "1");
    EXPECT_FALSE(editor.mosaic().inside());
    editor.jumpEffValues(kouka::kMosaic, cmd::kParam, ctl::kOption3, 50);
    EXPECT_EQ(editor.mosaic().text(), "0");
    // Unused codes change nothing but still redraw the icon.
    EXPECT_EQ(editor.jumpEffValues(kouka::kMosaic, cmd::kParam, ctl::kHScroll1, 3), kouka::kMosaic);
    EXPECT_EQ(editor.mosaic().blockSize(), 24);
    EXPECT_EQ(host.refreshes[Picture::PreVewPict], icons + 10);
}

TEST_F(MozaikModuleTest, DragInEitherDirectionGivesTheSameRegion) {
    drag(10, 20, 50, 60);
    const EffRec forward = editor.WorkRecord;
    const Surface forwardPicture = editor.PictMain();
    EXPECT_EQ(forward, (EffRec{6, 10, 20, 40, 40, 8, "0"}));
    EXPECT_TRUE(mainEquals(expectInside(10, 20, 40, 40, 8)));
    drag(50, 60, 10, 20);
    EXPECT_EQ(editor.WorkRecord, forward);
    EXPECT_TRUE(mainEquals(forwardPicture));
    drag(50, 20, 10, 60);  // right to left, top to bottom
    EXPECT_EQ(editor.WorkRecord, forward);
    EXPECT_EQ(panel.text("Xzahyou"), "10");
    EXPECT_EQ(panel.text("Yzahyou"), "20");
    EXPECT_EQ(panel.text("Wzahyou"), "40");
    EXPECT_EQ(panel.text("Hzahyou"), "40");
}

TEST_F(MozaikModuleTest, ReleaseLeftOfThePictureSpansFromItsEdge) {
    drag(30, 40, -15, 10);
    EXPECT_EQ(editor.WorkRecord.X, 0);
    EXPECT_EQ(editor.WorkRecord.W, 30);  // the press x
    EXPECT_EQ(editor.WorkRecord.Y, 10);
    EXPECT_EQ(editor.WorkRecord.H, 30);
}

TEST_F(MozaikModuleTest, RegionPastTheRightEdgeKeepsItsWidthInTheRecord) {
    drag(100, 10, 200, 30);
    EXPECT_EQ(editor.WorkRecord.X, 100);
    EXPECT_EQ(editor.WorkRecord.W, 100);
    EXPECT_TRUE(mainEquals(expectInside(100, 10, 100, 20, 8)));
}

TEST_F(MozaikModuleTest, PressRightOfThePictureClipsTheLeftEdgeToTheWidth) {
    drag(300, 10, 250, 30);
    EXPECT_EQ(editor.WorkRecord.X, 120);
    EXPECT_EQ(editor.WorkRecord.W, 50);
}

TEST_F(MozaikModuleTest, WholeFrameReleaseIgnoresThePressPoint) {
    editor.Dragging = true;
    editor.jumpEffValues(kouka::kMosaic, cmd::kMouseDown, 1, 0, 50, 50);
    editor.Dragging = false;
    editor.jumpEffValues(kouka::kMosaic, cmd::kMouseUp, 0, 0, -1.0f, -1.0f);
    EXPECT_EQ(editor.WorkRecord, (EffRec{6, 0, 0, 120, 90, 8, "0"}));
    EXPECT_TRUE(mainEquals(expectInside(0, 0, 120, 90, 8)));
}

TEST_F(MozaikModuleTest, FixSizeMovesTheCurrentRegionToThePointer) {
    drag(10, 10, 30, 50);  // 20 x 40
    editor.FixSize = kTrue;
    drag(60, 60, 70, 45);
    editor.FixSize = kFalse;
    EXPECT_EQ(editor.WorkRecord.X, 60);
    EXPECT_EQ(editor.WorkRecord.Y, 25);
    EXPECT_EQ(editor.WorkRecord.W, 20);
    EXPECT_EQ(editor.WorkRecord.H, 40);
}

TEST_F(MozaikModuleTest, RubberBandIsInvertedAndErasedAsThePointerMoves) {
    editor.Dragging = true;
    editor.jumpEffValues(kouka::kMosaic, cmd::kMouseDown, 1, 0, 10, 10);
    editor.jumpEffValues(kouka::kMosaic, cmd::kMouseMove, 1, 0, 40, 30);
    Surface expect = picture;
    DrawBox(expect, 10, 10, 40, 30, kBlack, DrawMode::Invert);
    EXPECT_TRUE(mainEquals(expect));
    EXPECT_EQ(panel.text("Xzahyou"), "10");  // the press point while dragging
    editor.jumpEffValues(kouka::kMosaic, cmd::kMouseMove, 1, 0, 60, 70);
    expect = picture;
    DrawBox(expect, 10, 10, 60, 70, kBlack, DrawMode::Invert);
    EXPECT_TRUE(mainEquals(expect));
    editor.Dragging = false;
}

TEST_F(MozaikModuleTest, MoveWithoutPressDrawsNothing) {
    const Surface before = editor.PictMain();
    editor.jumpEffValues(kouka::kMosaic, cmd::kMouseMove, 1, 0, 40, 30);
    EXPECT_TRUE(mainEquals(before));
}

TEST_F(MozaikModuleTest, TypedRegionWithZeroSizeIsRefusedAndChangesNothing) {
    editor.WorkRecord = EffRec{6, 1, 2, 3, 4, 16, "1"};
    const Surface before = editor.PictMain();
    editor.jumpEffValues(kouka::kMosaic, cmd::kXYSet, 5, 5, 0.0f, 10.0f);
    editor.jumpEffValues(kouka::kMosaic, cmd::kXYSet, 5, 5, 10.0f, 0.0f);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, "この数値では設定できません");
    EXPECT_EQ(host.messages[0].title, "警告");
    EXPECT_EQ(host.messages[0].style, 272);
    EXPECT_EQ(editor.WorkRecord, (EffRec{6, 1, 2, 3, 4, 16, "1"}));
    EXPECT_TRUE(mainEquals(before));
}

TEST_F(MozaikModuleTest, TypedRegionIsAppliedAndShown) {
    editor.jumpEffValues(kouka::kMosaic, cmd::kXYSet, 7, 9, 33.0f, -0.0f + 21.0f);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(editor.WorkRecord, (EffRec{6, 7, 9, 33, 21, 8, "0"}));
    EXPECT_TRUE(mainEquals(expectInside(7, 9, 33, 21, 8)));
    EXPECT_EQ(panel.text("Wzahyou"), "33");
}

TEST_F(MozaikModuleTest, RenderDrawsTheRecordAndKeepsThePanelChoice) {
    editor.jumpEffValues(kouka::kMosaic, cmd::kParam, ctl::kOption4, 0);   // outside
    editor.jumpEffValues(kouka::kMosaic, cmd::kParam, ctl::kCombo5, 3);    // 16
    editor.EffArr.at(0, 0) = EffRec{6, 10.9f, 20.2f, 40.7f, 30.5f, 4, "0"};
    ASSERT_EQ(editor.DspFrame2(), 0);
    EXPECT_TRUE(mainEquals(expectInside(10, 20, 40, 30, 4)));  // truncated region
    EXPECT_EQ(editor.EffArr.at(0, 0), (EffRec{6, 10, 20, 40, 30, 4, "0"}));
    EXPECT_EQ(editor.mosaic().text(), "1");
    EXPECT_EQ(editor.mosaic().blockSize(), 16);
    // A new region still follows the panel: outside, block 16.
    drag(30, 30, 60, 50);
    EXPECT_TRUE(mainEquals(expectOutside(30, 30, 30, 20, 16)));
    EXPECT_EQ(editor.WorkRecord, (EffRec{6, 30, 30, 30, 20, 16, "1"}));
}

TEST_F(MozaikModuleTest, RecordWithABadBlockSizeAnswers99AndDrawsNothing) {
    editor.EffArr.at(0, 0) = EffRec{6, 0, 0, 50, 50, 0, "0"};
    ASSERT_EQ(editor.DspFrame2(), 0);
    EXPECT_EQ(editor.EffResult, kTrappedError);
    EXPECT_TRUE(mainEquals(picture));
    // The panel choice survives the failed render.
    EXPECT_EQ(editor.mosaic().blockSize(), 8);
}

}  // namespace
}  // namespace movalux
