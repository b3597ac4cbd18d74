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
        history.UndoArmed = 0;
        const int16_t slot = history.record(false, undocode::kEffects, 0, 0, timeline, copies);
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
    const int16_t slot = history.record(false, undocode::kErase, 3, -1, timeline, copies);
    EXPECT_EQ(history.UndoHist[0], (UndoEntry{undocode::kErase, 3, slot, -1}));
    for (int32_t f = 0; f < timeline.frameCount(); ++f)
        EXPECT_EQ(copies.at(slot, f), timeline.at(3, f));
    EXPECT_EQ(history.UndoArmed, -1);
    EXPECT_EQ(history.UndoCode, 0) << "the code of the request is the caller's business";
}

TEST_F(UndoHistoryTest, ExtraIsKeptOnlyForErasedLayers) {
    (void)history.record(false, undocode::kEffects, 1, -1, timeline, copies);
    EXPECT_EQ(history.UndoHist[0].extra, 0);
}

TEST_F(UndoHistoryTest, AnEditAfterUndosDropsTheRedoStepsAndTheStateTheyLedBackTo) {
    for (int n = 1; n <= 4; ++n) {
        history.UndoArmed = 0;
        (void)history.record(false, int16_t(n == 4 ? undocode::kSelect : undocode::kEffects), 0, 0,
                             timeline, copies);
    }
    const UndoEntry oldest = history.UndoHist[3];
    const UndoEntry older = history.UndoHist[2];
    // Two undos: entries 0 and 1 are redo states, entry 2 the state now.
    history.UndoPos = 2;
    history.UndoArmed = 0;
    (void)history.record(false, undocode::kMoveRight, 1, 0, timeline, copies);
    EXPECT_EQ(history.UndoPos, 0);
    EXPECT_EQ(history.UndoHist[0].code, undocode::kMoveRight);
    EXPECT_EQ(history.UndoHist[1], oldest);
    EXPECT_NE(history.UndoHist[1], older);
    EXPECT_EQ(history.UndoHist[2].code, undocode::kNone);
}

TEST_F(UndoHistoryTest, ARedoPointAfterUndosTakesNoSecondCopy) {
    (void)history.record(false, undocode::kEffects, 0, 0, timeline, copies);
    history.UndoArmed = 0;
    (void)history.record(true, undocode::kEffects, 0, 0, timeline, copies);
    history.UndoPos = 1;
    const auto before = history.UndoHist;
    history.UndoArmed = 0;
    EXPECT_EQ(history.record(true, undocode::kEffects, 0, 0, timeline, copies), -1);
    EXPECT_EQ(history.UndoHist, before);
    EXPECT_EQ(history.UndoArmed, -1);
}

TEST_F(UndoHistoryTest, DiscardRedoAndFinishRedoDropTheNewestEntriesAndDisarm) {
    for (int n = 0; n < 3; ++n) {
        history.UndoArmed = 0;
        (void)history.record(false, undocode::kEffects, 0, 0, timeline, copies);
    }
    const UndoEntry second = history.UndoHist[1];
    history.finishRedo();
    EXPECT_EQ(history.UndoHist[0], second);
    EXPECT_EQ(history.UndoArmed, 0);

    history.discardRedo();  // nothing undone: nothing to discard
    EXPECT_EQ(history.UndoHist[0], second);

    history.UndoPos = 1;
    history.UndoArmed = -1;
    history.discardRedo();
    EXPECT_EQ(history.UndoHist[0], UndoEntry{});
    EXPECT_EQ(history.UndoPos, 0);
    EXPECT_EQ(history.UndoArmed, 0);
}

TEST_F(UndoHistoryTest, ClearEmptiesEveryEntryButKeepsTheNextSlot) {
    for (int n = 0; n < 3; ++n) {
        history.UndoArmed = 0;
        (void)history.record(false, undocode::kEffects, 0, 0, timeline, copies);
    }
    history.UndoPos = 1;
    const int16_t slot = history.UndoSlot;
    history.clear();
    for (const UndoEntry& e : history.UndoHist) EXPECT_EQ(e, UndoEntry{});
    EXPECT_EQ(history.UndoPos, 0);
    EXPECT_EQ(history.UndoArmed, 0);
    EXPECT_EQ(history.UndoSlot, slot);
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
