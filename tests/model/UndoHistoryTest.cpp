#include "model/UndoHistory.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace movalux {
namespace {

class UndoHistoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        timeline.recreate(4);
        copies.recreate(4);
    }
    // Marks layer 0 so that every snapshot differs from the others.
    void mark(int n) {
        timeline.at(0, 2) = EffRec{6, float(n), 0, 1, 1, 8, "step " + std::to_string(n)};
    }

    EffTimeline timeline;
    EffTimeline copies;
    UndoHistory history;
};

TEST_F(UndoHistoryTest, EveryLiveEntryKeepsItsOwnSlotThroughManyRoundsOfSnapshots) {
    for (int n = 0; n < 57; ++n) {
        mark(n);
        const int16_t slot = history.record(undocode::kEffects, 0, 0, timeline, copies);
        ASSERT_GE(slot, 0);
        ASSERT_LT(slot, UndoHistory::kSlots);
        std::set<int16_t> held;
        for (const UndoEntry& e : history.UndoHist) {
            if (e.code != undocode::kNone) {
                ASSERT_TRUE(held.insert(e.slot).second) << "after snapshot " << n;
            }
        }
        // Entry k holds the copy taken k snapshots ago.
        for (int k = 0; k < UndoHistory::kDepth && k <= n; ++k) {
            const UndoEntry& e = history.UndoHist[static_cast<size_t>(k)];
            ASSERT_EQ(copies.at(e.slot, 2).Text, "step " + std::to_string(n - k));
        }
    }
}

TEST_F(UndoHistoryTest, CopiesTheWholeLayerTextsIncludedAndRecordsTheEntry) {
    timeline.at(3, 0) = EffRec{4, 1, 2, 3, 4, 30, "C:\\pictures\\a long picture file name.bmp"};
    timeline.at(3, 4) = EffRec{6, 5, 6, 7, 8, 8, "0"};
    const int16_t slot = history.record(undocode::kErase, 3, -1, timeline, copies);
    EXPECT_EQ(history.UndoHist[0], (UndoEntry{undocode::kErase, 3, slot, -1, 3}));
    for (int32_t f = 0; f < timeline.frameCount(); ++f)
        EXPECT_EQ(copies.at(slot, f), timeline.at(3, f));
    EXPECT_EQ(history.UndoArmed, -1);
    EXPECT_EQ(history.UndoCode, 0) << "the code of the request is the caller's business";
}

TEST_F(UndoHistoryTest, ExtraIsKeptOnlyForErasedLayers) {
    (void)history.record(undocode::kEffects, 1, -1, timeline, copies);
    EXPECT_EQ(history.UndoHist[0].extra, 0);
}

TEST_F(UndoHistoryTest, SelectionsAndMovesNeedNoCopy) {
    for (int16_t code : {undocode::kSelect, undocode::kMoveRight, undocode::kMoveLeft}) {
        EXPECT_EQ(history.record(code, 1, 0, timeline, copies), -1);
        EXPECT_EQ(history.UndoHist[0].code, code);
        EXPECT_EQ(history.UndoHist[0].slot, -1);
    }
    // Ten entries without copies leave every slot free for the next one.
    for (int n = 0; n < 10; ++n) (void)history.record(undocode::kSelect, 0, 0, timeline, copies);
    EXPECT_GE(history.record(undocode::kEffects, 0, 0, timeline, copies), 0);
}

TEST_F(UndoHistoryTest, UndoAndRedoWalkTheEntriesNewestFirst) {
    EXPECT_EQ(history.nextUndo(), nullptr);
    EXPECT_EQ(history.nextRedo(), nullptr);
    (void)history.record(undocode::kEffects, 0, 0, timeline, copies);
    (void)history.record(undocode::kSelect, 0, 0, timeline, copies);
    ASSERT_EQ(history.nextUndo(), &history.UndoHist[0]);
    history.undone();
    ASSERT_EQ(history.nextUndo(), &history.UndoHist[1]);
    ASSERT_EQ(history.nextRedo(), &history.UndoHist[0]);
    history.undone();
    EXPECT_EQ(history.nextUndo(), nullptr);  // nothing older
    ASSERT_EQ(history.nextRedo(), &history.UndoHist[1]);
    history.redone();
    ASSERT_EQ(history.nextRedo(), &history.UndoHist[0]);
}

TEST_F(UndoHistoryTest, ANewStepDropsTheStepsThatCouldBeRedone) {
    for (int n = 1; n <= 4; ++n)
        (void)history.record(int16_t(n == 4 ? undocode::kSelect : undocode::kEffects), 0, 0,
                             timeline, copies);
    const UndoEntry oldest = history.UndoHist[3];
    const UndoEntry older = history.UndoHist[2];
    history.undone();
    history.undone();  // entries 0 and 1 could be redone
    (void)history.record(undocode::kMoveRight, 1, 0, timeline, copies);
    EXPECT_EQ(history.UndoPos, 0);
    EXPECT_EQ(history.UndoHist[0].code, undocode::kMoveRight);
    EXPECT_EQ(history.UndoHist[1], older);
    EXPECT_EQ(history.UndoHist[2], oldest);
    EXPECT_EQ(history.UndoHist[3].code, undocode::kNone);
}

TEST_F(UndoHistoryTest, OnlyAStillArmedSelectionStepIsAbsorbed) {
    (void)history.record(undocode::kEffects, 0, 0, timeline, copies);
    const UndoEntry edit = history.UndoHist[0];
    (void)history.record(undocode::kSelect, 0, 0, timeline, copies);
    EXPECT_TRUE(history.absorbPendingSelect());
    EXPECT_EQ(history.UndoHist[0], edit);
    EXPECT_EQ(history.UndoArmed, 0);
    // A selection whose command finished (the layer strip) stays a step.
    (void)history.record(undocode::kSelect, 0, 0, timeline, copies);
    history.UndoArmed = 0;
    EXPECT_FALSE(history.absorbPendingSelect());
    EXPECT_EQ(history.UndoHist[0].code, undocode::kSelect);
    // So does any other step left armed.
    (void)history.record(undocode::kEffects, 0, 0, timeline, copies);
    EXPECT_FALSE(history.absorbPendingSelect());
    EXPECT_EQ(history.UndoHist[0].code, undocode::kEffects);
}

TEST_F(UndoHistoryTest, DiscardRedoDropsOnlyTheUndoneSteps) {
    for (int n = 0; n < 3; ++n) (void)history.record(undocode::kEffects, 0, 0, timeline, copies);
    const UndoEntry second = history.UndoHist[1];
    history.discardRedo();  // nothing undone: nothing to discard
    EXPECT_EQ(history.UndoHist[1], second);

    history.undone();
    history.UndoArmed = -1;
    history.discardRedo();
    EXPECT_EQ(history.UndoHist[0], second);
    EXPECT_EQ(history.UndoPos, 0);
    EXPECT_EQ(history.UndoArmed, 0);
}

TEST_F(UndoHistoryTest, ClearEmptiesEveryEntryButKeepsTheNextSlot) {
    for (int n = 0; n < 3; ++n) (void)history.record(undocode::kEffects, 0, 0, timeline, copies);
    history.UndoPos = 1;
    const int16_t slot = history.UndoSlot;
    history.clear();
    for (const UndoEntry& e : history.UndoHist) EXPECT_EQ(e, UndoEntry{});
    EXPECT_EQ(history.UndoPos, 0);
    EXPECT_EQ(history.UndoArmed, 0);
    EXPECT_EQ(history.UndoSlot, slot);
}

TEST_F(UndoHistoryTest, ExchangeSwapsASlotWithALayer) {
    copies.at(7, 1) = EffRec{9, 1, 1, 1, 1, 8, "0"};
    timeline.at(2, 3) = EffRec{6, 2, 2, 2, 2, 8, "0"};
    UndoHistory::exchange(copies, 7, timeline, 2);
    EXPECT_EQ(timeline.at(2, 1), (EffRec{9, 1, 1, 1, 1, 8, "0"}));
    EXPECT_EQ(timeline.at(2, 3), EffRec{});
    EXPECT_EQ(copies.at(7, 3), (EffRec{6, 2, 2, 2, 2, 8, "0"}));
    UndoHistory::exchange(copies, -1, timeline, 2);  // no copy: nothing happens
    EXPECT_EQ(timeline.at(2, 1).Kind, 9);
}

TEST_F(UndoHistoryTest, RestoreCopiesASlotOverALayer) {
    copies.at(7, 1) = EffRec{9, 1, 1, 1, 1, 8, "0"};
    timeline.at(2, 3) = EffRec{6, 2, 2, 2, 2, 8, "0"};
    UndoHistory::restore(copies, 7, timeline, 2);
    EXPECT_EQ(timeline.at(2, 1), (EffRec{9, 1, 1, 1, 1, 8, "0"}));
    EXPECT_EQ(timeline.at(2, 3), EffRec{});
    UndoHistory::restore(copies, -1, timeline, 2);  // no copy: nothing happens
    EXPECT_EQ(timeline.at(2, 1).Kind, 9);
}

}  // namespace
}  // namespace movalux
