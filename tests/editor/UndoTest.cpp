// Undo and redo through the editor's own commands: drawn regions, deletes,
// layer selection, moves and erases.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "effects/EffectModule.h"
#include "support/EditorFixture.h"

namespace movalux::test {
namespace {

// Writes a record that names where it was released, so that every drawing
// leaves a different layer.
class StampModule : public EffectModule {
  public:
    explicit StampModule(EffectEnv& env) : env_(env) {}

  protected:
    int32_t handle(EffArgs& args) override {
        if (args.DoNom == cmd::kMouseUp) {
            env_.WorkRec() = EffRec{args.KoukaNom,
                                    args.X,
                                    args.Y,
                                    5,
                                    5,
                                    0,
                                    "stamp " + std::to_string(static_cast<int>(args.X))};
        }
        return 0;
    }

  private:
    EffectEnv& env_;
};

using Layer = std::vector<EffRec>;

class UndoTest : public EditorTest {
  protected:
    void SetUp() override {
        openPicture(patternPicture(8, 6), 30);
        editor.registerModule(kouka::kArrow, &stamp);
        editor.KoukaSel = kouka::kArrow;
    }
    // A region drawn on the current layer at a frame.
    void draw(int32_t frame, float x) {
        editor.CurFlame = frame;
        editor.Dragging = true;
        editor.PictMain_MouseUp(1, 0, x, 1);
    }
    Layer layer(int l) const { return editor.EffArr.layerRecords(l); }

    StampModule stamp{editor};
};

TEST_F(UndoTest, UndoTakesADrawingBackAndRedoBringsItAgain) {
    const Layer before = layer(0);
    draw(3, 10);
    const Layer after = layer(0);
    ASSERT_NE(after, before);
    editor.GoUndo();
    EXPECT_EQ(layer(0), before);
    EXPECT_EQ(editor.undo.UndoPos, 1);
    editor.GoRedo();
    EXPECT_EQ(layer(0), after);
    EXPECT_EQ(editor.undo.UndoPos, 0);
}

TEST_F(UndoTest, TwoDrawingsUndoneReturnToTheStateBeforeTheFirst) {
    const Layer before = layer(0);
    draw(3, 10);
    const Layer first = layer(0);
    draw(3, 20);  // the same frame again
    const Layer second = layer(0);
    editor.GoUndo();
    EXPECT_EQ(layer(0), first);
    editor.GoUndo();
    EXPECT_EQ(layer(0), before);
    editor.GoRedo();
    EXPECT_EQ(layer(0), first);
    editor.GoRedo();
    EXPECT_EQ(layer(0), second);
}

TEST_F(UndoTest, UndoAndRedoRedrawTheFrameAndTimelineAndMarkTheProjectUnsaved) {
    draw(3, 10);
    editor.EdSaved = kTrue;
    host.calls.clear();
    const int requests = source.requests;
    editor.GoUndo();
    EXPECT_EQ(editor.EdSaved, kFalse);
    editor.EdSaved = kTrue;
    editor.GoRedo();
    EXPECT_EQ(editor.EdSaved, kFalse);
    EXPECT_EQ(source.requests, requests + 2);
    EXPECT_EQ(host.calls["SetTLine"], 2);
}

TEST_F(UndoTest, EveryStepOfAFullHistoryRestoresExactlyTheStateItRecorded) {
    // Many more drawings than entries, so that slots have been reused many
    // times; undo goes back ten steps, each to its own state.
    std::vector<Layer> states{layer(0)};
    for (int n = 1; n <= 25; ++n) {
        draw(n % 7, static_cast<float>(100 + n));
        states.push_back(layer(0));
    }
    for (int k = 1; k <= 10; ++k) {
        editor.GoUndo();
        ASSERT_EQ(layer(0), states[static_cast<size_t>(25 - k)]) << "after undo " << k;
    }
    // The history is ten steps deep.
    editor.GoUndo();
    EXPECT_EQ(layer(0), states[15]);
    EXPECT_EQ(editor.undo.UndoPos, 10);
    for (int k = 9; k >= 0; --k) {
        editor.GoRedo();
        ASSERT_EQ(layer(0), states[static_cast<size_t>(25 - k)]) << "redo to " << k << " undone";
    }
}

TEST_F(UndoTest, UndoBeyondTheHistoryDoesNothingSoOneRedoComesBack) {
    draw(3, 10);
    const Layer drawn = layer(0);
    const Layer before = Layer(static_cast<size_t>(editor.EffArr.frameCount()));
    host.calls.clear();
    for (int k = 0; k < 12; ++k) editor.GoUndo();
    EXPECT_EQ(editor.undo.UndoPos, 1);
    EXPECT_EQ(layer(0), before);
    EXPECT_EQ(host.calls["SetTLine"], 1);
    editor.GoRedo();
    EXPECT_EQ(layer(0), drawn);
}

TEST_F(UndoTest, UndoAtStartChangesNothing) {
    editor.EffArr.at(0, 2) = EffRec{6, 1, 1, 1, 1, 8, "0"};  // not through a command
    const Layer now = layer(0);
    editor.GoUndo();
    EXPECT_EQ(layer(0), now);
    EXPECT_EQ(editor.undo.UndoPos, 0);
    EXPECT_EQ(editor.EdSaved, kTrue);
    editor.GoRedo();
    EXPECT_EQ(layer(0), now);
}

TEST_F(UndoTest, RedoWithNothingUndoneDoesNothing) {
    draw(3, 10);
    const Layer now = layer(0);
    host.calls.clear();
    const int requests = source.requests;
    editor.GoRedo();
    EXPECT_EQ(layer(0), now);
    EXPECT_EQ(source.requests, requests);
    EXPECT_EQ(host.calls["SetTLine"], 0);
}

TEST_F(UndoTest, OneUndoThenANewEditLeavesNothingToRedo) {
    draw(3, 10);
    editor.GoUndo();
    draw(4, 20);
    const Layer now = layer(0);
    editor.GoRedo();
    EXPECT_EQ(layer(0), now);
}

TEST_F(UndoTest, TwoUndosThenANewEditLeaveNothingToRedoAndLoseNoEdit) {
    const Layer empty = layer(0);
    draw(3, 10);
    draw(4, 20);
    editor.GoUndo();
    editor.GoUndo();
    ASSERT_EQ(layer(0), empty);
    draw(5, 30);
    const Layer withNewEdit = layer(0);
    editor.GoRedo();
    EXPECT_EQ(layer(0), withNewEdit);
    EXPECT_EQ(editor.undo.UndoPos, 0);
    // The new edit is one step of its own on top of the state it was made in.
    editor.GoUndo();
    EXPECT_EQ(layer(0), empty);
    editor.GoRedo();
    EXPECT_EQ(layer(0), withNewEdit);
}

TEST_F(UndoTest, AnEditAfterUndoingTheLastRedoneStepLeavesNoRepeatedStep) {
    const Layer empty = layer(0);
    draw(3, 10);
    const Layer first = layer(0);
    draw(4, 20);
    const Layer second = layer(0);
    editor.GoUndo();
    editor.GoRedo();
    draw(5, 30);
    editor.GoUndo();
    EXPECT_EQ(layer(0), second);
    editor.GoUndo();
    EXPECT_EQ(layer(0), first);
    editor.GoUndo();
    EXPECT_EQ(layer(0), empty);
}

TEST_F(UndoTest, AnEditWithoutAStepOfItsOwnAfterAnUndoIsNotOverwrittenByRedo) {
    draw(3, 10);
    editor.GoUndo();
    editor.CurFlame = 6;
    editor.mnuAll_Click();
    const Layer withWholeFrame = layer(0);
    ASSERT_EQ(withWholeFrame[6].Kind, kouka::kArrow);
    editor.GoRedo();
    EXPECT_EQ(layer(0), withWholeFrame);
}

TEST_F(UndoTest, AnEditWithoutAStepOfItsOwnJoinsTheStepBefore) {
    const Layer empty = layer(0);
    draw(3, 10);
    editor.CurFlame = 6;
    editor.mnuAll_Click();
    const Layer both = layer(0);
    editor.GoUndo();
    EXPECT_EQ(layer(0), empty);
    editor.GoRedo();
    EXPECT_EQ(layer(0), both);
}

TEST_F(UndoTest, ClearingTheHistoryLeavesNothingToUndoOrRedo) {
    draw(3, 10);
    draw(4, 20);
    const Layer now = layer(0);
    editor.EffUndoErase();
    for (const UndoEntry& e : editor.undo.UndoHist) EXPECT_EQ(e.code, undocode::kNone);
    editor.GoUndo();
    EXPECT_EQ(layer(0), now);
    editor.GoRedo();
    EXPECT_EQ(layer(0), now);
}

TEST_F(UndoTest, LayerSelectionIsUndoneAndRedone) {
    editor.SelLayer(1, 0, 50, 3);
    ASSERT_EQ(editor.SelLay, 2);
    host.calls.clear();
    editor.GoUndo();
    EXPECT_EQ(editor.SelLay, 0);
    EXPECT_EQ(host.calls["DspSelLayer"], 1);
    editor.GoRedo();
    EXPECT_EQ(editor.SelLay, 2);
}

TEST_F(UndoTest, DrawingsOnTwoLayersAreUndoneOnTheirOwnLayers) {
    draw(3, 10);
    const Layer zero = layer(0);
    editor.SelLayer(1, 0, 30, 3);  // layer 1
    draw(3, 20);
    const Layer one = layer(1);
    editor.GoUndo();
    EXPECT_EQ(layer(1), Layer(one.size()));
    EXPECT_EQ(editor.SelLay, 1);
    editor.GoUndo();
    EXPECT_EQ(editor.SelLay, 0);
    editor.GoUndo();
    EXPECT_EQ(layer(0), Layer(zero.size()));
    for (int k = 0; k < 3; ++k) editor.GoRedo();
    EXPECT_EQ(layer(0), zero);
    EXPECT_EQ(layer(1), one);
    EXPECT_EQ(editor.SelLay, 1);
}

TEST_F(UndoTest, MovesCarryRecordsAndFlagsAndAreUndoneWithoutNewSteps) {
    draw(3, 10);
    const Layer moved = layer(0);
    editor.LayEnable[0] = kFalse;
    editor.EffArr.at(1, 8) = EffRec{9, 1, 1, 1, 1, 8, "1"};
    editor.EffArr.at(2, 9) = EffRec{6, 2, 2, 2, 2, 8, "0"};
    const Layer one = layer(1);
    const Layer two = layer(2);

    editor.MoveLayRight();
    editor.MoveLayRight();
    EXPECT_EQ(editor.SelLay, 2);
    EXPECT_EQ(layer(2), moved);
    EXPECT_EQ(layer(0), one);
    EXPECT_EQ(layer(1), two);
    EXPECT_EQ(editor.LayEnable[2], kFalse);
    EXPECT_EQ(editor.LayEnable[0], kTrue);

    editor.GoUndo();
    editor.GoUndo();
    EXPECT_EQ(editor.SelLay, 0);
    EXPECT_EQ(layer(0), moved);
    EXPECT_EQ(layer(1), one);
    EXPECT_EQ(layer(2), two);
    EXPECT_EQ(editor.LayEnable[0], kFalse);
    EXPECT_EQ(editor.LayEnable[2], kTrue);
    EXPECT_EQ(editor.undo.UndoPos, 2);
    EXPECT_EQ(editor.undo.UndoHist[0].code, undocode::kMoveRight);
    EXPECT_EQ(editor.undo.UndoHist[1].code, undocode::kMoveRight);
    EXPECT_EQ(editor.undo.UndoHist[2].code, undocode::kEffects);

    // Further back lies the drawing, not a move repeated.
    editor.GoUndo();
    EXPECT_EQ(editor.SelLay, 0);
    EXPECT_EQ(layer(0), Layer(moved.size()));
    EXPECT_EQ(layer(1), one);

    for (int k = 0; k < 3; ++k) editor.GoRedo();
    EXPECT_EQ(editor.SelLay, 2);
    EXPECT_EQ(layer(2), moved);
    EXPECT_EQ(editor.LayEnable[2], kFalse);
}

TEST_F(UndoTest, RedoOfADrawingFollowedByAMoveRestoresTheDrawing) {
    draw(3, 10);
    const Layer drawn = layer(0);
    editor.MoveLayRight();
    editor.GoUndo();
    editor.GoUndo();
    EXPECT_EQ(layer(0), Layer(drawn.size()));
    editor.GoRedo();
    EXPECT_EQ(layer(0), drawn);
    editor.GoRedo();
    EXPECT_EQ(layer(1), drawn);
    EXPECT_EQ(layer(0), Layer(drawn.size()));
    EXPECT_EQ(editor.SelLay, 1);
}

TEST_F(UndoTest, EraseOfLayerOneOfFourIsUndoneWithRecordsAndFlag) {
    std::vector<Layer> layers;
    for (int l = 0; l < 4; ++l) {
        editor.EffArr.at(l, l + 1) =
            EffRec{static_cast<int16_t>(l + 1), 0, 0, 1, 1, 8, "layer " + std::to_string(l)};
        layers.push_back(layer(l));
    }
    editor.LayEnable = {kTrue, kFalse, kTrue, kFalse, kTrue};
    editor.SelLay = 1;
    editor.LayerErase();
    EXPECT_EQ(layer(1), layers[2]);
    EXPECT_EQ(layer(2), layers[3]);
    EXPECT_EQ(layer(3), Layer(layers[0].size()));  // layer 4 was empty
    EXPECT_EQ(editor.LayEnable, (std::array<int16_t, 5>{kTrue, kTrue, kFalse, kTrue, kTrue}));
    EXPECT_EQ(editor.SelLay, 1);

    host.calls.clear();
    editor.GoUndo();
    for (int l = 0; l < 4; ++l)
        EXPECT_EQ(layer(l), layers[static_cast<size_t>(l)]) << "layer " << l;
    EXPECT_EQ(editor.LayEnable, (std::array<int16_t, 5>{kTrue, kFalse, kTrue, kFalse, kTrue}));
    EXPECT_EQ(editor.SelLay, 1);
    EXPECT_EQ(host.calls["DspSelLayer"], 1);
    EXPECT_EQ(host.calls["DspLayEnable"], 1);

    editor.GoRedo();
    EXPECT_EQ(layer(1), layers[2]);
    EXPECT_EQ(layer(2), layers[3]);
    EXPECT_EQ(editor.LayEnable, (std::array<int16_t, 5>{kTrue, kTrue, kFalse, kTrue, kTrue}));
}

TEST_F(UndoTest, AnEraseAfterAnUndoneEraseIsNotReversedTwice) {
    for (int l = 0; l < 4; ++l)
        editor.EffArr.at(l, 1) = EffRec{static_cast<int16_t>(l + 1), 0, 0, 1, 1, 8, "0"};
    std::vector<Layer> layers;
    for (int l = 0; l < 4; ++l) layers.push_back(layer(l));
    editor.LayerErase();  // layer 0
    editor.GoUndo();
    draw(5, 10);  // a new edit on the restored layer 0
    const Layer drawn = layer(0);
    editor.GoUndo();
    EXPECT_EQ(layer(0), layers[0]);
    editor.GoUndo();  // nothing older: the erase was undone already
    for (int l = 0; l < 4; ++l)
        EXPECT_EQ(layer(l), layers[static_cast<size_t>(l)]) << "layer " << l;
    editor.GoRedo();
    editor.GoRedo();
    EXPECT_EQ(layer(0), drawn);
    EXPECT_EQ(layer(1), layers[1]);
}

}  // namespace
}  // namespace movalux::test

namespace movalux::test {
namespace {

// One command that changed three layers (finding several faces at once)
// leaves one entry per layer, joined: undo and redo take all of them.
TEST_F(UndoTest, StepsJoinedToThePreviousGoBackAndComeAgainTogether) {
    draw(2, 5);  // an earlier step of its own
    const Layer before0 = layer(0), before1 = layer(1), before3 = layer(3);
    for (int l : {0, 1, 3}) {
        editor.SelLay = static_cast<int16_t>(l);
        editor.takeUndoStep(undocode::kEffects);
        if (l != 0) editor.undo.joinLastToPrevious();
        editor.EffArr.at(l, 7) = EffRec{6, 1, 1, 3, 3, 16, "0"};
    }
    const Layer after0 = layer(0), after1 = layer(1), after3 = layer(3);
    editor.GoUndo();
    EXPECT_EQ(layer(0), before0);
    EXPECT_EQ(layer(1), before1);
    EXPECT_EQ(layer(3), before3);
    EXPECT_EQ(editor.undo.UndoPos, 3);
    editor.GoRedo();
    EXPECT_EQ(layer(0), after0);
    EXPECT_EQ(layer(1), after1);
    EXPECT_EQ(layer(3), after3);
    EXPECT_EQ(editor.undo.UndoPos, 0);
    // The drawing before stays a step of its own.
    editor.GoUndo();
    editor.GoUndo();
    EXPECT_EQ(editor.EffArr.at(0, 2).hasEffect(), false);
    EXPECT_EQ(editor.undo.UndoPos, 4);
}

}  // namespace
}  // namespace movalux::test
