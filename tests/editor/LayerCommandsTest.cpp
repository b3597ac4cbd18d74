// Selecting, enabling, moving and erasing layers.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "support/EditorFixture.h"

namespace movalux::test {
namespace {

using Layer = std::vector<EffRec>;
using Flags = std::array<int16_t, 5>;

class LayerCommandsTest : public EditorTest {
  protected:
    void SetUp() override {
        openPicture(patternPicture(8, 6), 12);
        for (int l = 0; l <= 4; ++l)
            editor.EffArr.at(l, l) = EffRec{static_cast<int16_t>(l + 1), float(l), 0, 1, 1, 8,
                                            "layer " + std::to_string(l)};
    }
    Layer layer(int l) const {
        return editor.EffArr.layerRecords(l);
    }
    Layer emptyLayer() const { return Layer(static_cast<size_t>(editor.EffArr.frameCount())); }
};

TEST_F(LayerCommandsTest, APressOnTheNumberStripSelectsTheColumnsLayerAsAnUndoStep) {
    host.SetLabel("TextHSt", "3");
    host.SetLabel("TextHEnd", "5");
    editor.HokanST = 3;
    editor.HokanEND = 5;
    editor.SelLayer(1, 0, 65.9f, 4);
    EXPECT_EQ(editor.SelLay, 2);
    EXPECT_EQ(editor.undo.UndoHist[0].code, undocode::kSelect);
    EXPECT_EQ(editor.undo.UndoHist[0].layer, 0);
    EXPECT_EQ(editor.undo.UndoArmed, 0);
    EXPECT_EQ(editor.HokanST, -1);
    EXPECT_EQ(editor.HokanEND, -1);
    EXPECT_EQ(host.LabelText("TextHSt"), "");
    EXPECT_EQ(host.LabelText("TextHEnd"), "");
    EXPECT_EQ(host.calls["DspSelLayer"], 1);
    EXPECT_EQ(host.calls["SetTLine"], 1);
    EXPECT_EQ(editor.EdSaved, kTrue);

    editor.SelLayer(1, 0, 66, 4);
    EXPECT_EQ(editor.SelLay, 3);
}

TEST_F(LayerCommandsTest, APressBesideTheFourColumnsOrWithoutAMovieSelectsNothing) {
    editor.SelLayer(1, 0, 88, 4);
    editor.SelLayer(1, 0, -1, 4);
    EXPECT_EQ(editor.SelLay, 0);
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
    editor.MvOpen = kFalse;
    editor.SelLayer(1, 0, 30, 4);
    EXPECT_EQ(editor.SelLay, 0);
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
    EXPECT_EQ(host.calls["DspSelLayer"], 0);
}

TEST_F(LayerCommandsTest, TogglingALayerChangesNeitherRecordsNorTheSavedStateNorTheHistory) {
    std::vector<Layer> before;
    for (int l = 0; l <= 4; ++l) before.push_back(layer(l));
    editor.SelLayEnable(1, 0, 23, 2);
    EXPECT_EQ(editor.LayEnable, (Flags{kTrue, kFalse, kTrue, kTrue, kTrue}));
    editor.SelLayEnable(1, 0, 100, 2);  // index 4 has a column too
    EXPECT_EQ(editor.LayEnable, (Flags{kTrue, kFalse, kTrue, kTrue, kFalse}));
    editor.SelLayEnable(1, 0, 30, 2);
    EXPECT_EQ(editor.LayEnable, (Flags{kTrue, kTrue, kTrue, kTrue, kFalse}));
    editor.SelLayEnable(1, 0, 200, 2);  // beyond: nothing toggles, the strip is drawn
    EXPECT_EQ(editor.LayEnable, (Flags{kTrue, kTrue, kTrue, kTrue, kFalse}));
    EXPECT_EQ(host.calls["DspLayEnable"], 4);
    EXPECT_EQ(host.calls["SetTLine"], 4);
    for (int l = 0; l <= 4; ++l) EXPECT_EQ(layer(l), before[static_cast<size_t>(l)]);
    EXPECT_EQ(editor.EdSaved, kTrue);
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
}

TEST_F(LayerCommandsTest, AnyNonZeroFlagCountsAsOnAndTogglesToOff) {
    editor.LayEnable[3] = 1;
    editor.SelLayEnable(1, 0, 70, 2);
    EXPECT_EQ(editor.LayEnable[3], kFalse);
}

TEST_F(LayerCommandsTest, MovingLayerZeroRightTwiceCarriesItsRecordsAndFlag) {
    const Layer zero = layer(0), one = layer(1), two = layer(2);
    editor.LayEnable[0] = kFalse;
    editor.MoveLayRight();
    editor.MoveLayRight();
    EXPECT_EQ(editor.SelLay, 2);
    EXPECT_EQ(layer(2), zero);
    EXPECT_EQ(layer(0), one);
    EXPECT_EQ(layer(1), two);
    EXPECT_EQ(editor.LayEnable, (Flags{kTrue, kTrue, kFalse, kTrue, kTrue}));
    EXPECT_EQ(editor.undo.UndoHist[0].code, undocode::kMoveRight);
    EXPECT_EQ(editor.undo.UndoHist[0].layer, 1);
    EXPECT_EQ(editor.undo.UndoHist[1].layer, 0);
    EXPECT_EQ(editor.undo.UndoArmed, 0);
    EXPECT_EQ(host.calls["DspSelLayer"], 2);
    EXPECT_EQ(host.calls["DspLayEnable"], 2);
    EXPECT_EQ(editor.EdSaved, kFalse);  // the records a save writes moved
}

TEST_F(LayerCommandsTest, MovingLeftSwapsWithTheLayerBelow) {
    const Layer two = layer(2), three = layer(3);
    editor.SelLay = 3;
    editor.LayEnable[2] = kFalse;
    editor.MoveLayLeft();
    EXPECT_EQ(editor.SelLay, 2);
    EXPECT_EQ(layer(2), three);
    EXPECT_EQ(layer(3), two);
    EXPECT_EQ(editor.LayEnable, (Flags{kTrue, kTrue, kTrue, kFalse, kTrue}));
    EXPECT_EQ(editor.undo.UndoHist[0].code, undocode::kMoveLeft);
}

TEST_F(LayerCommandsTest, MovingPastTheOuterLayersChangesNothingAndRecordsNoStep) {
    std::vector<Layer> before;
    for (int l = 0; l <= 4; ++l) before.push_back(layer(l));
    editor.SelLay = 3;
    editor.MoveLayRight();
    EXPECT_EQ(editor.SelLay, 3);
    editor.SelLay = 0;
    editor.MoveLayLeft();
    EXPECT_EQ(editor.SelLay, 0);
    for (int l = 0; l <= 4; ++l) EXPECT_EQ(layer(l), before[static_cast<size_t>(l)]);
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
    EXPECT_EQ(host.calls["DspSelLayer"], 0);
}

TEST_F(LayerCommandsTest, ErasingMovesTheLayersAboveDown) {
    const Layer two = layer(2), three = layer(3), four = layer(4);
    editor.LayEnable = {kTrue, kTrue, kFalse, kTrue, kFalse};
    editor.SelLay = 1;
    editor.LayerErase();
    EXPECT_EQ(layer(1), two);
    EXPECT_EQ(layer(2), three);
    EXPECT_EQ(layer(3), four);  // layer 4 moves into the last shown layer
    EXPECT_EQ(layer(4), four);
    EXPECT_EQ(editor.LayEnable, (Flags{kTrue, kFalse, kTrue, kFalse, kFalse}));
    EXPECT_EQ(editor.SelLay, 1);
    EXPECT_EQ(editor.undo.UndoHist[0],
              (UndoEntry{undocode::kErase, 1, editor.undo.UndoHist[0].slot, kTrue, 1}));
    EXPECT_EQ(host.calls["DspSelLayer"], 1);
    EXPECT_EQ(host.calls["DspLayEnable"], 1);
    EXPECT_EQ(editor.EdSaved, kFalse);
}

TEST_F(LayerCommandsTest, ErasingLayerThreeWithAnEmptyLayerFourLeavesItEmptyWithFourFlag) {
    editor.EffArr.at(4, 4) = EffRec{};
    editor.LayEnable[4] = kFalse;
    editor.SelLay = 3;
    editor.LayerErase();
    EXPECT_EQ(layer(3), emptyLayer());
    EXPECT_EQ(editor.LayEnable[3], kFalse);
}

TEST_F(LayerCommandsTest, StripsRedrawTheTimelineOnlyWithAMovie) {
    editor.MvOpen = kFalse;
    editor.DspSelLayer();
    editor.DspLayEnable();
    EXPECT_EQ(host.calls["DspSelLayer"], 1);
    EXPECT_EQ(host.calls["DspLayEnable"], 1);
    EXPECT_EQ(host.calls["SetTLine"], 0);
}

}  // namespace
}  // namespace movalux::test
