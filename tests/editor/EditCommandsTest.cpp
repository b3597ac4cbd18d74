// Committing drawn, typed and whole-frame regions, deleting, releasing the
// marked range and jumping to the edge of an effect run.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "effects/MozaikModule1.h"
#include "support/EditorFixture.h"

namespace movalux::test {
namespace {

constexpr const char* kRefused = "この数値では設定できません";

std::vector<uint32_t> pixelsOf(const Surface& s) {
    return {s.pixels().begin(), s.pixels().end()};
}

class EditCommandsTest : public EditorTest {
  protected:
    void SetUp() override {
        openPicture(patternPicture(40, 30), 20);  // frames 0..21
        editor.KoukaSel = kouka::kMosaic;
        ASSERT_EQ(editor.jumpEffValues(kouka::kMosaic, cmd::kPanel, 0, 0, 1.0f), kouka::kMosaic);
        host.calls.clear();
    }
    void press(float x, float y) {
        editor.Dragging = true;
        editor.jumpEffValues(kouka::kMosaic, cmd::kMouseDown, 1, 0, x, y);
    }
    void typeRegion(const char* x, const char* y, const char* w, const char* h) {
        panel.setText("Xzahyou", x);
        panel.setText("Yzahyou", y);
        panel.setText("Wzahyou", w);
        panel.setText("Hzahyou", h);
    }
    EffRec& rec(int32_t frame) { return editor.EffArr.at(editor.SelLay, frame); }
};

TEST_F(EditCommandsTest, ADrawnRegionIsStoredAsOneUndoStepAndMarksUnsaved) {
    editor.SelLay = 1;
    editor.CurFlame = 4;
    rec(4) = EffRec{9, 1, 1, 1, 1, 8, "1"};
    host.SetLabel("TextHSt", "2");
    editor.HokanST = 2;
    press(12, 5);
    editor.PictMain_MouseUp(1, 0, 4, 15);  // dragged to the lower left
    EXPECT_EQ(rec(4), (EffRec{6, 4, 5, 8, 10, 8, "0"}));
    EXPECT_EQ(editor.EffArr.at(0, 4), EffRec{});
    EXPECT_EQ(editor.EdSaved, kFalse);
    EXPECT_FALSE(editor.Dragging);
    EXPECT_EQ(host.calls["SetTLine"], 1);
    EXPECT_EQ(editor.HokanST, -1);
    EXPECT_EQ(host.LabelText("TextHSt"), "");
    EXPECT_EQ(editor.undo.UndoHist[0].code, undocode::kEffects);
    EXPECT_EQ(editor.undo.UndoHist[0].layer, 1);
    EXPECT_EQ(editor.undo.UndoArmed, 0);

    editor.GoUndo();
    EXPECT_EQ(rec(4), (EffRec{9, 1, 1, 1, 1, 8, "1"}));
}

TEST_F(EditCommandsTest, TheStoredKindIsThePanelEffect) {
    // The mask panel adopts 1 or 2 from its module; what the module wrote
    // into the record does not decide.
    editor.KoukaSel = 2;
    editor.registerModule(2, &editor.mosaic());
    press(1, 1);
    editor.PictMain_MouseUp(1, 0, 9, 9);
    EXPECT_EQ(rec(0).Kind, 2);
}

TEST_F(EditCommandsTest, AReleaseWithoutADragStoresNothing) {
    editor.PictMain_MouseUp(1, 0, 9, 9);
    EXPECT_EQ(rec(0), EffRec{});
    EXPECT_EQ(editor.EdSaved, kTrue);
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
    EXPECT_EQ(host.calls["SetTLine"], 0);
}

TEST_F(EditCommandsTest, ATypedRegionIsStoredWithoutAnUndoStep) {
    editor.CurFlame = 3;
    typeRegion("7", "9.5", "20", "12abc");
    editor.XYSet_Click();
    EXPECT_EQ(rec(3), (EffRec{6, 7, 10, 20, 12, 8, "0"}));  // 9.5 rounds half to even
    EXPECT_EQ(editor.EdSaved, kFalse);
    EXPECT_EQ(editor.ResName, "1");
    EXPECT_EQ(host.calls["SetTLine"], 1);
    EXPECT_FALSE(editor.Dragging);
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(EditCommandsTest, ARefusedTypedRegionLeavesTheRecordUntouched) {
    editor.CurFlame = 3;
    rec(3) = EffRec{9, 1, 2, 3, 4, 8, "1"};
    host.SetLabel("TextHSt", "1");
    editor.HokanST = 1;
    // The working record still holds another layer's record from the last
    // frame display.
    editor.WorkRecord = EffRec{8, 50, 60, 70, 80, 8, "0"};
    for (auto [w, h] : {std::pair{"0", "10"}, std::pair{"10", "0"}, std::pair{"", ""}}) {
        typeRegion("5", "5", w, h);
        editor.XYSet_Click();
    }
    EXPECT_EQ(rec(3), (EffRec{9, 1, 2, 3, 4, 8, "1"}));
    ASSERT_EQ(host.messages.size(), 3u);
    for (const ShownMessage& m : host.messages) {
        EXPECT_EQ(m.text, kRefused);
        EXPECT_EQ(m.title, "警告");
        EXPECT_EQ(m.style, 272);
    }
    EXPECT_EQ(editor.EdSaved, kTrue);
    EXPECT_EQ(host.calls["SetTLine"], 0);
    EXPECT_EQ(editor.HokanST, 1) << "nothing was stored, so key-frame picking goes on";
    EXPECT_EQ(host.LabelText("TextHSt"), "1");
    EXPECT_EQ(editor.WorkRecord, (EffRec{8, 50, 60, 70, 80, 8, "0"}));
    EXPECT_FALSE(editor.Dragging);
}

TEST_F(EditCommandsTest, ATypedRegionNeedsBothPositionBoxes) {
    typeRegion("", "5", "10", "10");
    editor.XYSet_Click();
    typeRegion("5", "", "10", "10");
    editor.XYSet_Click();
    EXPECT_EQ(rec(0), EffRec{});
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(editor.EdSaved, kTrue);
}

TEST_F(EditCommandsTest, TheWholeFrameCommandReplacesAnotherKindWithoutAnUndoStep) {
    editor.CurFlame = 2;
    rec(2) = EffRec{9, 1, 2, 3, 4, 8, "1"};
    // PictJT is stale: the effect must read the frame as PictMain shows it.
    editor.PictJT().fill(kWhite);
    const std::vector<uint32_t> shown = pixelsOf(editor.PictMain());
    editor.mnuAll_Click();
    EXPECT_EQ(rec(2), (EffRec{6, 0, 0, 40, 30, 8, "0"}));
    EXPECT_EQ(editor.EdSaved, kFalse);
    EXPECT_EQ(host.calls["SetTLine"], 1);
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
    EXPECT_EQ(pixelsOf(editor.PictJT()), shown);
    EXPECT_NE(pixelsOf(editor.PictMain()), shown);  // the whole frame went through the mosaic
}

TEST_F(EditCommandsTest, DeletingASinglePickedKeyFrameEmptiesEveryField) {
    editor.CurFlame = 5;
    rec(5) = EffRec{4, 1, 2, 3, 4, 30, "C:\\a.bmp"};
    editor.HokanST = 5;
    editor.HokanEND = -1;
    editor.EdSaved = kTrue;
    const int requests = source.requests;
    editor.mnuEfDelete_Click();
    EXPECT_EQ(rec(5), EffRec{});
    EXPECT_EQ(editor.DelBuf, (EffRec{4, 1, 2, 3, 4, 30, "C:\\a.bmp"}));
    EXPECT_EQ(editor.HokanST, -1);
    EXPECT_EQ(editor.EdSaved, kFalse);  // a deletion is a change to save
    EXPECT_EQ(source.requests, requests + 1);
    EXPECT_EQ(host.calls["SetTLine"], 1);
    EXPECT_EQ(editor.undo.UndoHist[0].code, undocode::kEffects);
    EXPECT_EQ(editor.undo.UndoArmed, 0);
    editor.GoUndo();
    EXPECT_EQ(rec(5), (EffRec{4, 1, 2, 3, 4, 30, "C:\\a.bmp"}));
}

TEST_F(EditCommandsTest, DeletingARangeClearsOnlyTheKindsAndThenRefusesThemAsKeyFrames) {
    for (int32_t f = 3; f <= 7; ++f) rec(f) = EffRec{6, float(f), 0, 10, 10, 8, "0"};
    editor.EffArr.at(2, 5) = EffRec{9, 1, 1, 1, 1, 8, "1"};
    editor.HokanST = 6;  // picked in reverse
    editor.HokanEND = 4;
    host.SetLabel("TextHSt", "6");
    host.SetLabel("TextHEnd", "4");
    editor.mnuEfDelete_Click();
    for (int32_t f = 4; f <= 6; ++f) EXPECT_EQ(rec(f), (EffRec{0, float(f), 0, 10, 10, 8, "0"}));
    EXPECT_EQ(rec(3).Kind, 6);
    EXPECT_EQ(rec(7).Kind, 6);
    EXPECT_EQ(editor.EffArr.at(2, 5).Kind, 9);
    EXPECT_EQ(editor.HokanST, -1);
    EXPECT_EQ(editor.HokanEND, -1);
    EXPECT_EQ(host.LabelText("TextHSt"), "");

    host.SetLabel("TextHSt", "3");
    host.SetLabel("TextHEnd", "5");
    EXPECT_FALSE(editor.HokanEffect());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "指定のコマは効果が指定されていません");
}

TEST_F(EditCommandsTest, DeleteWithNothingPickedDoesNothing) {
    rec(0) = EffRec{6, 1, 1, 1, 1, 8, "0"};
    editor.mnuEfDelete_Click();
    EXPECT_EQ(rec(0).Kind, 6);
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
    EXPECT_EQ(host.calls["SetTLine"], 0);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(EditCommandsTest, RangeReleaseMarksTheWholeMovieAgain) {
    editor.MvSTFlame = 0;
    editor.MvENDFlame = 99;
    editor.SliderScale = 0.5;
    editor.STFlame = editor.RangeST = 10;
    editor.ENDFlame = editor.RangeEND = 21;
    editor.mnuDelSel_Click();
    EXPECT_EQ(editor.STFlame, 0);
    EXPECT_EQ(editor.RangeST, 0);
    EXPECT_EQ(editor.ENDFlame, 99);
    EXPECT_EQ(editor.RangeEND, 99);
    EXPECT_EQ(editor.STFlamePos, 0);
    EXPECT_EQ(editor.ENDFlamePos, 50);  // 49.5, half to even
    EXPECT_EQ(editor.EdSaved, kFalse);
    EXPECT_EQ(host.calls["DspSldr"], 1);
    EXPECT_EQ(host.calls["SetTLine"], 1);
    EXPECT_EQ(host.LabelText("Label22"), "99");  // the range length read-out
}

class JmpEffEdgeTest : public EditCommandsTest {
  protected:
    void SetUp() override {
        EditCommandsTest::SetUp();
        editor.STFlame = 0;
        editor.ENDFlame = 21;
        editor.SliderScale = 2.0;
    }
    void run(int32_t from, int32_t kind, int32_t to) {
        for (int32_t f = from; f <= to; ++f) rec(f).Kind = static_cast<int16_t>(kind);
    }
};

TEST_F(JmpEffEdgeTest, ForwardStopsOnTheLastFrameOfARunBeforeAnEmptyFrame) {
    run(2, 6, 12);
    editor.CurFlame = 2;
    editor.JmpEffEdge(1);
    EXPECT_EQ(editor.CurFlame, 12);
    EXPECT_EQ(editor.SliderPos, 24.0f);
    EXPECT_EQ(host.calls["DspSldr"], 1);
    EXPECT_GE(host.calls["SetSlr2"], 1);
}

TEST_F(JmpEffEdgeTest, StopsOnTheFirstFrameOfAnotherEffect) {
    run(2, 6, 8);
    run(9, 9, 15);
    editor.CurFlame = 3;
    editor.JmpEffEdge(1);
    EXPECT_EQ(editor.CurFlame, 9);
    editor.CurFlame = 14;
    editor.JmpEffEdge(-1);
    EXPECT_EQ(editor.CurFlame, 8);
    // From an empty frame the next effect's first frame is the edge.
    editor.CurFlame = 20;
    editor.JmpEffEdge(-1);
    EXPECT_EQ(editor.CurFlame, 15);
}

TEST_F(JmpEffEdgeTest, AnEdgeOneOrTwoFramesAwayIsSkipped) {
    run(0, 6, 6);
    run(7, 9, 21);
    editor.CurFlame = 5;  // the run ends one frame later; the search starts at 8
    editor.JmpEffEdge(1);
    EXPECT_EQ(editor.CurFlame, 8);
    editor.CurFlame = 4;  // two frames later; the search starts at 7
    editor.JmpEffEdge(1);
    EXPECT_EQ(editor.CurFlame, 7);
}

TEST_F(JmpEffEdgeTest, ARunThatReachesTheLimitLeavesTheFrameUnchanged) {
    run(4, 6, 21);
    editor.CurFlame = 5;
    editor.JmpEffEdge(1);
    EXPECT_EQ(editor.CurFlame, 5);
    editor.STFlame = 5;
    editor.CurFlame = 20;
    editor.JmpEffEdge(-1);
    EXPECT_EQ(editor.CurFlame, 20);
    EXPECT_EQ(host.calls["DspSldr"], 2) << "the frame and sliders are shown again";
}

TEST_F(JmpEffEdgeTest, NearTheLimitTheSearchStopsThere) {
    // Past the limit lies another effect; the search must not reach it.
    editor.ENDFlame = 10;
    run(0, 6, 10);
    run(11, 9, 21);
    editor.CurFlame = 9;
    editor.JmpEffEdge(1);
    EXPECT_EQ(editor.CurFlame, 9);
    editor.CurFlame = 8;
    editor.JmpEffEdge(1);
    EXPECT_EQ(editor.CurFlame, 8);
}

TEST_F(JmpEffEdgeTest, TheSearchStopsAtTheEndOfTheTimeline) {
    // A marked end beyond the timeline (a file read for a shorter range).
    editor.ENDFlame = 500;
    editor.STFlame = -500;
    editor.CurFlame = 10;
    editor.JmpEffEdge(1);
    EXPECT_EQ(editor.CurFlame, 10);
    editor.JmpEffEdge(-1);
    EXPECT_EQ(editor.CurFlame, 10);
}

TEST_F(JmpEffEdgeTest, AtTheLimitNothingHappens) {
    run(0, 6, 21);
    editor.CurFlame = 21;
    const int requests = source.requests;
    editor.JmpEffEdge(1);
    editor.CurFlame = 0;
    editor.JmpEffEdge(-1);
    EXPECT_EQ(source.requests, requests);
    EXPECT_EQ(host.calls["DspSldr"], 0);
}

}  // namespace
}  // namespace movalux::test
