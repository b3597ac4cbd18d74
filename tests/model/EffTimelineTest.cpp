#include "model/EffTimeline.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

namespace movalux {
namespace {

TEST(EffTimeline, RecreateGivesElevenEmptyLayersOverTheFrameRange) {
    EffTimeline t;
    t.recreate(101);  // frames 0..101
    EXPECT_EQ(t.frameCount(), 102);
    EXPECT_TRUE(t.contains(10, 101));
    EXPECT_FALSE(t.contains(11, 0));
    EXPECT_FALSE(t.contains(0, 102));
    EXPECT_FALSE(t.contains(-1, 0));
    for (int layer = 0; layer < EffTimeline::kLayers; ++layer)
        for (int32_t f = 0; f <= 101; ++f) ASSERT_EQ(t.at(layer, f), EffRec{});
}

TEST(EffTimeline, RecreateDiscardsEveryRecord) {
    EffTimeline t;
    t.recreate(5);
    t.at(3, 2) = EffRec{6, 1, 2, 3, 4, 8, "0"};
    t.recreate(5);
    EXPECT_EQ(t.at(3, 2), EffRec{});
}

TEST(EffTimeline, LayersAreIndependent) {
    EffTimeline t;
    t.recreate(9);
    t.at(1, 4).Kind = 6;
    EXPECT_EQ(t.layerRecords(1)[4].Kind, 6);
    EXPECT_EQ(t.at(0, 4).Kind, 0);
    EXPECT_EQ(t.at(2, 4).Kind, 0);
    EXPECT_THROW(t.checkedAt(1, 10), std::out_of_range);
}

// A two-hour movie's timeline, and a hostile edit file declaring a million
// frames, must not cost memory for frames that hold nothing.
TEST(EffTimeline, EmptyFramesAndUnusedLayersHoldAlmostNothing) {
    EffTimeline t;
    t.recreate(999999);
    EXPECT_LT(t.bytesHeld(), size_t{2} << 20);
    for (int layer = 0; layer < EffTimeline::kLayers; ++layer)
        EXPECT_EQ(std::as_const(t).at(layer, 999999), EffRec{});
    // Reading (as drawing and saving do) writes nothing.
    EXPECT_LT(t.bytesHeld(), size_t{2} << 20);
    // One record costs one block, not a layer.
    t.at(2, 500000) = EffRec{6, 1, 2, 3, 4, 8, "0"};
    EXPECT_LT(t.bytesHeld(), (size_t{2} << 20) + 64 * 1024);
    EXPECT_EQ(t.at(2, 500000).Kind, 6);
}

TEST(EffTimeline, LayerCopiesShareUntilEitherSideWrites) {
    EffTimeline t, copies;
    t.recreate(4999);
    copies.recreate(4999);
    for (int32_t f = 0; f < 5000; ++f) t.at(0, f) = EffRec{6, float(f), 0, 10, 10, 8, "0"};
    const size_t filled = t.bytesHeld();

    copies.copyLayerFrom(t, 0, 3);
    t.copyLayer(0, 1);
    EXPECT_EQ(t.bytesHeld(), filled);  // the copy shares every block
    t.at(0, 7).X = -1;
    copies.at(3, 8).X = -2;
    t.at(1, 9).X = -3;
    EXPECT_EQ(t.at(0, 7).X, -1);
    EXPECT_EQ(t.at(0, 8).X, 8);
    EXPECT_EQ(t.at(0, 9).X, 9);
    EXPECT_EQ(copies.at(3, 7).X, 7);
    EXPECT_EQ(copies.at(3, 8).X, -2);
    EXPECT_EQ(t.at(1, 7).X, 7);
    EXPECT_EQ(t.at(1, 9).X, -3);
    // Blocks the edits did not touch stay the originals.
    EXPECT_EQ(t.at(1, 4000), t.at(0, 4000));

    t.swapLayerWith(copies, 3, 0);
    EXPECT_EQ(t.at(0, 8).X, -2);
    EXPECT_EQ(copies.at(3, 7).X, -1);
    t.swapLayers(0, 1);
    EXPECT_EQ(t.at(0, 9).X, -3);
    EXPECT_EQ(t.at(1, 8).X, -2);
}

TEST(EffTimeline, CopiesBetweenDifferentLengthsCoverTheFramesBothHave) {
    EffTimeline longer, shorter;
    longer.recreate(1999);
    shorter.recreate(599);
    for (int32_t f = 0; f < 2000; ++f) longer.at(0, f).Kind = 6;
    shorter.at(1, 0).Kind = 9;
    shorter.copyLayerFrom(longer, 0, 1);
    const auto copied = shorter.layerRecords(1);
    ASSERT_EQ(copied.size(), 600u);
    for (const EffRec& r : copied) ASSERT_EQ(r.Kind, 6);

    longer.at(1, 1500).Kind = 4;
    shorter.at(2, 10).Kind = 3;
    longer.swapLayerWith(shorter, 2, 1);
    EXPECT_EQ(longer.at(1, 10).Kind, 3);
    EXPECT_EQ(longer.at(1, 1500).Kind, 4);  // beyond the shorter one: untouched
    EXPECT_EQ(shorter.at(2, 10).Kind, 0);
}

TEST(EffTimeline, ClearKindsKeepsTheOtherFieldsAndTheRangeEnds) {
    EffTimeline t;
    t.recreate(2999);
    for (int32_t f : {0, 99, 100, 2000, 2001, 2999}) t.at(0, f) = EffRec{6, 5, 6, 7, 8, 9, "x"};
    const size_t before = t.bytesHeld();
    t.clearKinds(0, 100, 2000);
    EXPECT_EQ(t.at(0, 99).Kind, 6);
    EXPECT_EQ(t.at(0, 100), (EffRec{0, 5, 6, 7, 8, 9, "x"}));
    EXPECT_EQ(t.at(0, 2000).Kind, 0);
    EXPECT_EQ(t.at(0, 2001).Kind, 6);
    t.clearKinds(0, -5, 1000000);
    EXPECT_EQ(t.at(0, 2999).Kind, 0);
    EXPECT_EQ(t.at(0, 0).Kind, 0);
    // Clearing writes no block that held nothing.
    EXPECT_EQ(t.bytesHeld(), before);
}

TEST(EffTimeline, PreparingAnOverwriteLeavesCopiesAndFramesOutsideTheRangeAlone) {
    constexpr int32_t B = EffTimeline::kBlockFrames;
    EffTimeline t;
    t.recreate(4 * B - 1);
    for (int32_t f = 0; f < 4 * B; ++f) t.at(0, f) = EffRec{6, float(f), 1, 2, 3, 4, "keep"};
    EffTimeline undo;
    undo.recreate(4 * B - 1);
    undo.copyLayerFrom(t, 0, 0);

    // Frames 10 .. 3B+5: block 0 and block 3 are only partly inside.
    const int32_t first = 10;
    const int32_t last = 3 * B + 5;
    t.prepareOverwrite(0, first, last);
    for (int32_t f = first; f <= last; ++f) t.at(0, f) = EffRec{9, 0, 0, 0, 0, 0, "new"};

    for (int32_t f = 0; f < 4 * B; ++f) {
        ASSERT_EQ(undo.at(0, f), (EffRec{6, float(f), 1, 2, 3, 4, "keep"})) << f;
        if (f < first || f > last)
            ASSERT_EQ(t.at(0, f), (EffRec{6, float(f), 1, 2, 3, 4, "keep"})) << f;
        else
            ASSERT_EQ(t.at(0, f), (EffRec{9, 0, 0, 0, 0, 0, "new"})) << f;
    }
    // Out-of-range and empty ranges are harmless.
    t.prepareOverwrite(1, -50, -1);
    t.prepareOverwrite(1, 4 * B, 5 * B);
    t.prepareOverwrite(1, 20, 10);
    EXPECT_EQ(t.at(1, 0), EffRec{});
}

TEST(EffRec, CopiesAreDeepAndEmptyTextsOwnNoHeapMemory) {
    EffRec a{4, 1, 2, 3, 4, 0, "C:\\pictures\\a rather long file name.bmp"};
    EffRec b = a;
    b.Text[0] = 'D';
    EXPECT_EQ(a.Text[0], 'C');
    EffRec empty;
    // The text lives inside the record (small-string storage).
    const char* data = empty.Text.data();
    const char* rec = reinterpret_cast<const char*>(&empty);
    EXPECT_TRUE(data >= rec && data < rec + sizeof(EffRec));
}

TEST(EffRec, OnlyPositiveKindsAreEffects) {
    EXPECT_FALSE(EffRec{0}.hasEffect());
    EXPECT_FALSE(EffRec{-3}.hasEffect());
    EXPECT_TRUE(EffRec{1}.hasEffect());
}

}  // namespace
}  // namespace movalux
