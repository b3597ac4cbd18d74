// Every command that changes what a save would write marks the project
// unsaved, so that closing after "save, then delete" still asks.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/EditorFixture.h"

namespace movalux::test {
namespace {

class UnsavedChangesTest : public EditorTest {
  protected:
    void SetUp() override {
        openPicture(patternPicture(8, 6), 20);
        for (int l = 0; l < 4; ++l)
            for (int32_t f = 2; f <= 6; ++f)
                editor.EffArr.at(l, f) = EffRec{6, 1, 1, 4, 4, 8, "layer " + std::to_string(l)};
        editor.SelLay = 1;
        editor.EdSaved = kTrue;
    }
    // Runs a command on a saved project and says whether it is unsaved after.
    bool leavesUnsaved(const std::function<void()>& command) {
        editor.EdSaved = kTrue;
        command();
        return editor.EdSaved == kFalse;
    }
};

TEST_F(UnsavedChangesTest, DeletingOneFrameMarksUnsaved) {
    editor.HokanST = 3;
    editor.HokanEND = -1;
    EXPECT_TRUE(leavesUnsaved([&] { editor.mnuEfDelete_Click(); }));
    ASSERT_EQ(editor.EffArr.at(1, 3), EffRec{});
}

TEST_F(UnsavedChangesTest, DeletingARangeMarksUnsaved) {
    editor.HokanST = 5;
    editor.HokanEND = 2;
    EXPECT_TRUE(leavesUnsaved([&] { editor.mnuEfDelete_Click(); }));
    ASSERT_EQ(editor.EffArr.at(1, 4).Kind, 0);
}

TEST_F(UnsavedChangesTest, DeletingWithNothingPickedChangesNothingAndStaysSaved) {
    editor.HokanST = -1;
    EXPECT_FALSE(leavesUnsaved([&] { editor.mnuEfDelete_Click(); }));
}

TEST_F(UnsavedChangesTest, ErasingALayerMarksUnsaved) {
    EXPECT_TRUE(leavesUnsaved([&] { editor.LayerErase(); }));
}

TEST_F(UnsavedChangesTest, MovingALayerEitherWayMarksUnsaved) {
    EXPECT_TRUE(leavesUnsaved([&] { editor.MoveLayRight(); }));
    EXPECT_TRUE(leavesUnsaved([&] { editor.MoveLayLeft(); }));
}

TEST_F(UnsavedChangesTest, AMoveThatCannotHappenStaysSaved) {
    editor.SelLay = 3;
    EXPECT_FALSE(leavesUnsaved([&] { editor.MoveLayRight(); }));
    editor.SelLay = 0;
    EXPECT_FALSE(leavesUnsaved([&] { editor.MoveLayLeft(); }));
}

TEST_F(UnsavedChangesTest, UndoAndRedoMarkUnsaved) {
    editor.HokanST = 3;
    editor.mnuEfDelete_Click();
    EXPECT_TRUE(leavesUnsaved([&] { editor.GoUndo(); }));
    ASSERT_EQ(editor.EffArr.at(1, 3).Kind, 6);
    EXPECT_TRUE(leavesUnsaved([&] { editor.GoRedo(); }));
    ASSERT_EQ(editor.EffArr.at(1, 3).Kind, 0);
}

TEST_F(UnsavedChangesTest, UndoAndRedoWithNothingToDoStaySaved) {
    EXPECT_FALSE(leavesUnsaved([&] { editor.GoRedo(); }));
    EXPECT_FALSE(leavesUnsaved([&] { editor.GoUndo(); }));
}

TEST_F(UnsavedChangesTest, SaveThenDeleteThenCloseAsksToSave) {
    // The review's case: the deletion must not be lost silently.
    editor.HokanST = 3;
    editor.mnuEfDelete_Click();
    host.queueAnswer(msgbox::kAnswerCancel);
    EXPECT_FALSE(editor.Form_Unload());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "現在の編集ファイルは保存していません。保存しますか？");
}

TEST_F(UnsavedChangesTest, SelectingOrShowingLayersLeavesTheSavedStateAlone) {
    // Neither the selection nor the enabled flags are in the edit file.
    EXPECT_FALSE(leavesUnsaved([&] { editor.SelLayer(1, 0, 50, 3); }));
    EXPECT_FALSE(leavesUnsaved([&] { editor.SelLayEnable(1, 0, 30, 3); }));
}

}  // namespace
}  // namespace movalux::test
