#include "model/EffTimeline.h"

#include <gtest/gtest.h>

#include <stdexcept>

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

TEST(EffTimeline, LayersAreContiguousAndIndependent) {
    EffTimeline t;
    t.recreate(9);
    t.at(1, 4).Kind = 6;
    EXPECT_EQ(t.layerData(1)[4].Kind, 6);
    EXPECT_EQ(t.at(0, 4).Kind, 0);
    EXPECT_EQ(t.at(2, 4).Kind, 0);
    EXPECT_THROW(t.checkedAt(1, 10), std::out_of_range);
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
