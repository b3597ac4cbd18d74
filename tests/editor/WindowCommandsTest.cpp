// The state changes behind the window's own controls: timeline and slider
// clicks, page following, marked range, steps, jumps, keys and panel controls.

#include <gtest/gtest.h>

#include "editor/Editor.h"
#include "support/EditorFixture.h"

namespace movalux::test {
namespace {

class WindowCommandsTest : public EditorTest {
  protected:
    // A 200-frame movie on the overview slider's 471 units.
    void SetUp() override {
        openPicture(patternPicture(16, 12), 199);
        editor.RangeST = editor.STFlame = 0;
        editor.RangeEND = editor.ENDFlame = 199;
        editor.SliderScale = 471.0 / 200.0;
        editor.updateMarkedPositions();
    }
    void putEffect(int layer, int32_t frame) {
        EffRec& r = editor.EffArr.at(layer, frame);
        r.Kind = kouka::kMosaic;
        r.W = 4;
        r.H = 4;
    }
    static constexpr float kStrip = 473.0f;
    // The y that lands on row i of a timeline page of 60 rows.
    static float rowY(int i) { return kStrip / 60.0f * static_cast<float>(i) + 5.0f; }
};

// The brightness and colour-tone panels hide labels of the coordinate frame
// that the overlay panels show again.
TEST_F(WindowCommandsTest, TheCoordinateLabelsComeBackAfterTheBarPanels) {
    struct Case {
        const char* effect;
        const char* captions[3];
    };
    const Case cases[] = {{"矢印", {"幅・高さ", "W", "H"}},
                          {"画像", {"幅・高さ", "W", "H"}},
                          {"画像2", {"幅高さ", "W", "H"}},
                          {"ムービー", {"ｺﾏNo", "", ""}}};
    for (const char* bars : {"明るさ", "色調"})
        for (const Case& c : cases) {
            editor.Combo3_Click(bars);
            ASSERT_FALSE(panel.state("Label13").visible);
            editor.Combo3_Click(c.effect);
            const char* labels[] = {"Label13", "Label14", "Label15"};
            for (int i = 0; i < 3; ++i) {
                EXPECT_TRUE(panel.state(labels[i]).visible)
                    << bars << " " << c.effect << " " << labels[i];
                EXPECT_EQ(panel.state(labels[i]).caption, c.captions[i]) << c.effect;
            }
        }
}

TEST_F(WindowCommandsTest, TimelineClickMovesFrameSelectsLayerAndTakesOneUndoStep) {
    editor.PictTLine_MouseDown(1, 0, 50.0f, rowY(7), kStrip);
    EXPECT_EQ(editor.CurFlame, 7);
    EXPECT_EQ(editor.SelLay, 2);
    EXPECT_EQ(editor.FrmSelST, 7);
    EXPECT_EQ(editor.FrmSelEND, 0);
    EXPECT_NEAR(editor.SliderPos, 7 * 471.0 / 200.0, 1e-3);
    EXPECT_EQ(editor.undo.UndoHist[0].code, undocode::kSelect);
    // The same column again takes no further step.
    const auto before = editor.undo.UndoHist[1].code;
    editor.PictTLine_MouseDown(1, 0, 50.0f, rowY(9), kStrip);
    EXPECT_EQ(editor.undo.UndoHist[1].code, before);
}

TEST_F(WindowCommandsTest, TimelineClickIsLimitedToMarkedRangeAndIgnoredWithoutMovie) {
    editor.STFlame = 10;
    editor.ENDFlame = 20;
    editor.PictTLine_MouseDown(1, 0, 5.0f, rowY(40), kStrip);
    EXPECT_EQ(editor.CurFlame, 20);
    editor.PictTLine_MouseDown(1, 0, 5.0f, rowY(2), kStrip);
    EXPECT_EQ(editor.CurFlame, 10);
    editor.MvOpen = kFalse;
    editor.PictTLine_MouseDown(1, 0, 5.0f, rowY(15), kStrip);
    EXPECT_EQ(editor.CurFlame, 10);
}

TEST_F(WindowCommandsTest, ClickThenShiftClickPicksTwoKeyFramesAndFillsTheBoxes) {
    putEffect(0, 3);
    putEffect(0, 12);
    editor.PictTLine_MouseDown(1, 0, 5.0f, rowY(3), kStrip);
    EXPECT_EQ(editor.HokanST, 3);
    EXPECT_EQ(editor.HokanEND, -1);
    editor.Form_KeyDown(16);
    EXPECT_EQ(editor.ShiftDown, kTrue);
    editor.PictTLine_MouseDown(1, 1, 5.0f, rowY(12), kStrip);
    EXPECT_EQ(editor.HokanST, 3);
    EXPECT_EQ(editor.HokanEND, 12);
    EXPECT_EQ(editor.HokanRngST, 3);
    EXPECT_EQ(editor.HokanRngEND, 12);
    EXPECT_EQ(host.labels["TextHSt"], "3");
    EXPECT_EQ(host.labels["TextHEnd"], "12");
    editor.Form_KeyUp(16);
    EXPECT_EQ(editor.ShiftDown, kFalse);
}

TEST_F(WindowCommandsTest, ShiftClickOnEmptyFrameClearsFirstPickAndNoFirstPickGivesMinusOne) {
    putEffect(0, 3);
    putEffect(0, 8);
    editor.PictTLine_MouseDown(1, 0, 5.0f, rowY(3), kStrip);
    editor.ShiftDown = kTrue;
    editor.PictTLine_MouseDown(1, 1, 5.0f, rowY(5), kStrip);
    EXPECT_EQ(editor.HokanST, -1);
    editor.PictTLine_MouseDown(1, 1, 5.0f, rowY(8), kStrip);
    EXPECT_EQ(host.labels["TextHSt"], "-1");
    EXPECT_EQ(host.labels["TextHEnd"], "8");
}

TEST_F(WindowCommandsTest, EscCancelsPickingAndEmptiesBothBoxes) {
    putEffect(0, 3);
    putEffect(0, 6);
    editor.PictTLine_MouseDown(1, 0, 5.0f, rowY(3), kStrip);
    editor.ShiftDown = kTrue;
    editor.PictTLine_MouseDown(1, 1, 5.0f, rowY(6), kStrip);
    editor.FrmSelEND = 9;
    editor.Form_KeyDown(27);
    EXPECT_EQ(editor.HokanST, -1);
    EXPECT_EQ(editor.HokanEND, -1);
    EXPECT_EQ(host.labels["TextHSt"], "");
    EXPECT_EQ(host.labels["TextHEnd"], "");
    EXPECT_EQ(editor.FrmSelEND, 0);
}

TEST_F(WindowCommandsTest, ShiftBeforeMovieIsLoadedHasNoEffect) {
    editor.MvOpen = kFalse;
    editor.Form_KeyDown(16);
    EXPECT_EQ(editor.ShiftDown, kFalse);
    editor.Form_KeyDown(17);
    EXPECT_EQ(editor.FixSize, kTrue);
    editor.Form_KeyUp(17);
    EXPECT_EQ(editor.FixSize, kFalse);
}

TEST_F(WindowCommandsTest, StepsAndPageStepsStopAtRangeEnds) {
    editor.RangeST = 5;
    editor.RangeEND = 50;
    editor.CurFlame = 5;
    editor.Form_KeyDown(115);  // F4: one back
    EXPECT_EQ(editor.CurFlame, 5);
    editor.Form_KeyDown(116);  // F5
    EXPECT_EQ(editor.CurFlame, 6);
    editor.Form_KeyDown(117);  // F6
    EXPECT_EQ(editor.CurFlame, 36);
    editor.Form_KeyDown(117);
    EXPECT_EQ(editor.CurFlame, 50);
    editor.Form_KeyDown(116);
    EXPECT_EQ(editor.CurFlame, 50);
    editor.Form_KeyDown(114);  // F3
    EXPECT_EQ(editor.CurFlame, 20);
    editor.Form_KeyDown(114);
    EXPECT_EQ(editor.CurFlame, 5);
    EXPECT_NEAR(editor.SliderPos, 5 * 471.0 / 200.0, 1e-3);
}

TEST_F(WindowCommandsTest, JumpsGoToRangeEndsAndMoveThePage) {
    editor.RangeST = 4;
    editor.RangeEND = 150;
    editor.Form_KeyDown(118);  // F7
    EXPECT_EQ(editor.CurFlame, 150);
    EXPECT_EQ(editor.TLTop, 91);
    EXPECT_NEAR(editor.SliderPos, 150 * 471.0 / 200.0, 1e-3);
    editor.Form_KeyDown(113);  // F2
    EXPECT_EQ(editor.CurFlame, 4);
    EXPECT_EQ(editor.TLTop, 4);
}

TEST_F(WindowCommandsTest, WheelStepsOnlyWhilePlayIsEnabledAndStopsAtEnds) {
    editor.RangeEND = 1;
    editor.vbWheelMinus(false);
    EXPECT_EQ(editor.CurFlame, 0);
    editor.vbWheelPlus(true);
    EXPECT_EQ(editor.CurFlame, 0);
    editor.vbWheelMinus(true);
    EXPECT_EQ(editor.CurFlame, 1);
    editor.vbWheelMinus(true);
    EXPECT_EQ(editor.CurFlame, 1);
    EXPECT_NEAR(editor.SliderPos, 471.0 / 200.0, 1e-3);
}

TEST_F(WindowCommandsTest, PageFollowsCurrentFrame) {
    editor.CurFlame = 60;
    EXPECT_TRUE(editor.followPage());
    EXPECT_EQ(editor.TLTop, 60);
    EXPECT_FALSE(editor.followPage());
    editor.CurFlame = 59;
    EXPECT_TRUE(editor.followPage());
    EXPECT_EQ(editor.TLTop, 0);
    editor.CurFlame = 190;
    EXPECT_TRUE(editor.followPage());
    EXPECT_EQ(editor.TLTop, 190);
    EXPECT_EQ(editor.frameCursorPos(kStrip), 3);
    editor.CurFlame = 195;
    EXPECT_EQ(editor.frameCursorPos(kStrip), 42);  // 473 / 60 * 5 + 3 = 42.4
}

TEST_F(WindowCommandsTest, OverviewClicksJumpToMarkersOrMoveThePage) {
    editor.CurFlame = 40;
    editor.STFlame = editor.RangeST = 20;
    editor.ENDFlame = editor.RangeEND = 100;
    editor.updateMarkedPositions();  // 47 and 236 (235.5 to even)
    editor.PicSldr_MouseDown(static_cast<float>(editor.STFlamePos) - 3);
    EXPECT_EQ(editor.CurFlame, 20);
    editor.PicSldr_MouseDown(static_cast<float>(editor.ENDFlamePos) + 10);
    EXPECT_EQ(editor.CurFlame, 100);
    editor.PicSldr_MouseDown(141.3f);  // 60 frames
    EXPECT_EQ(editor.CurFlame, 60);
    EXPECT_EQ(editor.TLTop, 60);
    EXPECT_FLOAT_EQ(editor.SliderPos, 141.3f);
    editor.PicSldr_MouseDown(2.0f);  // frame 1, below the range start
    EXPECT_EQ(editor.CurFlame, 20);
    EXPECT_EQ(editor.TLTop, 1);
}

TEST_F(WindowCommandsTest, FrameStripClickAndShiftClickSetTheBand) {
    editor.PicSldr2_MouseDown(473.0f / 60.0f * 10.5f, kStrip);
    EXPECT_EQ(editor.CurFlame, 10);
    EXPECT_EQ(editor.FrmSelST, 10);
    EXPECT_EQ(editor.FrmSelEND, 0);
    editor.ShiftDown = kTrue;
    editor.PicSldr2_MouseDown(473.0f / 60.0f * 20.5f, kStrip);
    EXPECT_EQ(editor.FrmSelST, 10);
    EXPECT_EQ(editor.FrmSelEND, 20);
}

TEST_F(WindowCommandsTest, MarkedStartAndEndAreTakenWithoutOrderCheck) {
    editor.CurFlame = 120;
    editor.SetSTFlame();
    editor.CurFlame = 30;
    editor.SetENDFlame();
    EXPECT_EQ(editor.STFlame, 120);
    EXPECT_EQ(editor.RangeST, 120);
    EXPECT_EQ(editor.ENDFlame, 30);
    EXPECT_EQ(editor.ENDFlamePos, 71);  // 70.65
    EXPECT_EQ(editor.EdSaved, kFalse);
    EXPECT_EQ(host.labels["Label22"], "-90");
}

TEST_F(WindowCommandsTest, TextPosEnterJumpsWithinTheRange) {
    host.SetLabel("TextPos", "75abc");
    editor.TextPos_KeyDown(13);
    EXPECT_EQ(editor.CurFlame, 75);
    host.SetLabel("TextPos", "9999");
    editor.TextPos_KeyDown(13);
    EXPECT_EQ(editor.CurFlame, 199);
    host.SetLabel("TextPos", "");
    editor.TextPos_KeyDown(65);
    EXPECT_EQ(editor.CurFlame, 199);
}

TEST_F(WindowCommandsTest, PressOnPictMainWithoutMovieStartsNothing) {
    editor.MvOpen = kFalse;
    editor.PictMain_MouseDown(1, 0, 3, 4);
    EXPECT_FALSE(editor.Dragging);
    editor.PictMain_MouseUp(1, 0, 8, 9);
    EXPECT_EQ(editor.EffArr.at(0, 0).Kind, 0);
}

TEST_F(WindowCommandsTest, PressOnPictMainFillsTheCoordinateBoxes) {
    editor.Combo3_Click("モザイク");
    editor.PictMain_MouseDown(1, 0, 3, 4);
    EXPECT_TRUE(editor.Dragging);
    EXPECT_EQ(panel.text("Xzahyou"), "3");
    EXPECT_EQ(panel.text("Yzahyou"), "4");
}

TEST_F(WindowCommandsTest, RubberBandsAreWideEnoughForTheViewScaleAndLeaveNoTrace) {
    openPicture(patternPicture(120, 90), 9);
    for (const char* effect : {"反転", "マスク"}) {
        SCOPED_TRACE(effect);
        editor.Combo3_Click(effect);
        if (std::string(effect) == "マスク") editor.Option4_Click();  // the rectangle
        const Surface before = editor.PictMain();
        const auto changed = [&](int x, int y) {
            return editor.PictMain().pixel(x, y) != before.pixel(x, y);
        };
        // Shown at a quarter: a band four pixels wide, one screen pixel.
        editor.setViewScale(0.25);
        editor.PictMain_MouseDown(1, 0, 20, 20);
        editor.PictMain_MouseMove(1, 0, 80, 60);
        for (int y = 20; y < 24; ++y) EXPECT_TRUE(changed(50, y)) << y;
        EXPECT_FALSE(changed(50, 26));
        // The view changing during a gesture keeps the band it drew.
        editor.setViewScale(1);
        editor.PictMain_MouseMove(1, 0, 70, 50);
        EXPECT_FALSE(changed(75, 60)) << "the band before was not erased";
        for (int y = 20; y < 24; ++y) EXPECT_TRUE(changed(50, y)) << y;
        editor.PictMain_MouseUp(1, 0, 70, 50);
        // At full size the next gesture's band is one pixel (the mask
        // darkens around its band, the inversion draws only the band).
        const Surface base = editor.PictMain();
        editor.PictMain_MouseDown(1, 0, 10, 70);
        editor.PictMain_MouseMove(1, 0, 110, 85);
        if (std::string(effect) == "反転") {
            EXPECT_NE(editor.PictMain().pixel(30, 70), base.pixel(30, 70));
            EXPECT_EQ(editor.PictMain().pixel(30, 71), base.pixel(30, 71));
        }
        editor.PictMain_MouseUp(1, 0, 110, 85);
        editor.EffArr.at(0, editor.CurFlame) = EffRec{};
        editor.DspFrame2();
    }
}

TEST_F(WindowCommandsTest, MaskThenOption4MakesEffectTwoAndOption6SetsResName) {
    editor.Combo3_Click("マスク");
    editor.Option4_Click();
    EXPECT_EQ(editor.KoukaSel, 2);
    EXPECT_TRUE(panel.checked("Option4"));
    editor.Option6_Click();
    EXPECT_EQ(editor.ResName, "0");
    editor.Option5_Click();
    EXPECT_EQ(editor.ResName, "1");
    editor.Option3_Click();
    EXPECT_EQ(editor.KoukaSel, 1);
}

TEST_F(WindowCommandsTest, CheckPreVewFollowsTheBox) {
    panel.setChecked("CheckPreVew", false);
    editor.CheckPreVew_Click();
    EXPECT_FALSE(editor.PreviewOn);
    panel.setChecked("CheckPreVew", true);
    editor.CheckPreVew_Click();
    EXPECT_TRUE(editor.PreviewOn);
}

TEST_F(WindowCommandsTest, CommandLineWithTwoNamesIsRefused) {
    editor.MvOpen = kFalse;
    editor.startUp({"/tmp/a.avi", "/tmp/b.avi"});
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().text, "ひとつだけドロップしてください");
    EXPECT_EQ(editor.MvOpen, kFalse);
}

TEST_F(WindowCommandsTest, CommandLinePathWithBlanksIsOneName) {
    editor.MvOpen = kFalse;
    editor.startUp({"/tmp/no such folder/a b.avi"});
    for (const auto& m : host.messages) EXPECT_NE(m.text, "ひとつだけドロップしてください");
    EXPECT_EQ(editor.MvFName, "/tmp/no such folder/a b.avi");
}

}  // namespace
}  // namespace movalux::test
