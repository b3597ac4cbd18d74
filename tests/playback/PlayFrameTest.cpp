// The play loop on a fake clock: which frames it shows, how long it waits,
// where it stops.

#include <gtest/gtest.h>

#include <vector>

#include "support/EditorFixture.h"

namespace movalux {
namespace {

// Records the frame of every picture asked for.
class CountingSource : public FrameSource {
public:
    bool paintFrame(int32_t frame, Surface& target) override {
        shown.push_back(frame);
        if (missing > 0) {
            --missing;
            return false;
        }
        target.fill(rgb(frame & 255, 0, 0));
        return frame >= 0 && frame <= last;
    }
    std::vector<int32_t> shown;
    int32_t last = 299;
    int missing = 0;  // pictures that do not come before the next one does
};

class PlayFrameTest : public test::EditorTest {
protected:
    void SetUp() override {
        openPicture(Surface(16, 16), 299);
        editor.setFrameSource(&counting);
        editor.WholeFps = 30;
        editor.RangeST = 10;
        editor.RangeEND = 40;
        editor.CurFlame = 10;
        host.SetLabel("Combo4", "100");
    }
    CountingSource counting;
};

TEST_F(PlayFrameTest, ShowsEveryFrameInOrderWhenShowingHasPriority) {
    editor.mnuFrameY_Click();
    editor.PlayMv();
    ASSERT_EQ(counting.shown.size(), 31u);
    for (size_t i = 0; i < counting.shown.size(); ++i) EXPECT_EQ(counting.shown[i], 10 + static_cast<int>(i));
    EXPECT_EQ(editor.CurFlame, 40);  // stops on the range end
    EXPECT_TRUE(editor.Idle);
    EXPECT_EQ(editor.PlayDirection, 1);
    // 30 frames a second: about 33 ms between frames, waited, not spun.
    EXPECT_NEAR(host.clockMs, 31 * 1000.0 / 30, 31.0);
    EXPECT_LT(host.doEvents, 100);
}

// A pipeline that needs 30 ms a frame: slower than a frame time at double
// speed (16.7 ms).
struct SlowSource : FrameSource {
    explicit SlowSource(test::RecordingHost& h, uint32_t ms) : host(h), costMs(ms) {}
    bool paintFrame(int32_t frame, Surface&) override {
        shown.push_back(frame);
        host.clockMs += costMs;
        return true;
    }
    test::RecordingHost& host;
    uint32_t costMs;
    std::vector<int32_t> shown;
};

TEST_F(PlayFrameTest, SpeedTwoHundredSkipsFramesEvenWithShowingPriority) {
    SlowSource slow(host, 30);
    editor.setFrameSource(&slow);
    editor.mnuFrameY_Click();
    host.SetLabel("Combo4", "200");
    editor.PlayMv();
    EXPECT_TRUE(editor.TimeYusen);
    ASSERT_GE(slow.shown.size(), 2u);
    EXPECT_LT(slow.shown.size(), 20u);
    int skips = 0;
    for (size_t i = 1; i < slow.shown.size(); ++i) {
        EXPECT_GE(slow.shown[i] - slow.shown[i - 1], 1);
        skips += slow.shown[i] - slow.shown[i - 1] >= 2;
    }
    EXPECT_GT(skips, 5);
    EXPECT_EQ(editor.CurFlame, 40);
    // Skipping past the end still stops with the end on screen.
    EXPECT_EQ(slow.shown.back(), 40);
    EXPECT_EQ(host.LabelText("TextPos"), "40");

    // The same pipeline at normal speed with showing priority shows them all.
    SlowSource again(host, 30);
    editor.setFrameSource(&again);
    editor.CurFlame = 10;
    host.SetLabel("Combo4", "100");
    editor.PlayMv();
    EXPECT_EQ(again.shown.size(), 31u);
}

TEST_F(PlayFrameTest, SpeedTenAtThirtyFramesWaitsAThirdOfASecondPerFrame) {
    editor.RangeEND = 13;
    host.SetLabel("Combo4", "10");
    editor.mnuFrameY_Click();
    editor.PlayMv();
    EXPECT_EQ(counting.shown, (std::vector<int32_t>{10, 11, 12, 13}));
    EXPECT_NEAR(host.clockMs, 4 * 1000.0 / 3, 4.0);
}

TEST_F(PlayFrameTest, KeepingTimeChoosesTheFrameFromTheElapsedTime) {
    editor.mnuTimeY_Click();
    SlowSource slow(host, 100);  // three frame times a picture
    editor.setFrameSource(&slow);
    editor.PlayMv();
    // Frame 10, then start + round(elapsed / 33.3 ms): 13, 16, ... to the end.
    ASSERT_GE(slow.shown.size(), 3u);
    EXPECT_EQ(slow.shown[0], 10);
    EXPECT_EQ(slow.shown[1], 13);
    EXPECT_EQ(slow.shown[2], 16);
    EXPECT_EQ(editor.CurFlame, 40);
}

TEST_F(PlayFrameTest, BackwardPlayEndsOnTheRangeStart) {
    editor.CurFlame = 20;
    editor.mnuFrameY_Click();
    editor.PlayRev();
    EXPECT_EQ(counting.shown.front(), 20);
    EXPECT_EQ(counting.shown.back(), 10);
    EXPECT_EQ(counting.shown.size(), 11u);
    EXPECT_EQ(editor.CurFlame, 10);
    EXPECT_EQ(editor.PlayDirection, -1);
}

TEST_F(PlayFrameTest, PauseMidWayStopsWhereItIs) {
    editor.mnuFrameY_Click();
    host.onDoEvents = [&](int calls) {
        if (calls == 5) editor.PlayPause();
    };
    editor.PlayMv();
    EXPECT_TRUE(editor.Idle);
    EXPECT_GT(editor.CurFlame, 10);
    EXPECT_LT(editor.CurFlame, 40);
    EXPECT_LE(counting.shown.size(), 7u);
}

TEST_F(PlayFrameTest, AFrameThatDoesNotComeIsAskedAgain) {
    editor.mnuFrameY_Click();
    editor.RangeEND = 12;
    counting.missing = 3;
    editor.PlayMv();
    EXPECT_EQ(counting.shown, (std::vector<int32_t>{10, 10, 10, 10, 11, 12}));
}

TEST_F(PlayFrameTest, AMovieWithoutRateEndsWithThePlayError) {
    editor.WholeFps = 0;
    editor.PlayMv();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind("エラー(PF1)", 0), 0u);
    EXPECT_NE(host.messages[0].text.find("が発生しました"), std::string::npos);
    EXPECT_EQ(host.labels["Combo4"], "100");
    EXPECT_TRUE(editor.Idle);
}

TEST_F(PlayFrameTest, PriorityFollowsTheMenuAndTheSpeed) {
    editor.mnuFrameY_Click();
    editor.Combo4_Click("100");
    EXPECT_FALSE(editor.TimeYusen);
    editor.Combo4_Click("150");
    EXPECT_TRUE(editor.TimeYusen);
    editor.Combo4_Click("50");
    EXPECT_FALSE(editor.TimeYusen);
    EXPECT_DOUBLE_EQ(editor.PlaySpeed, 0.5);
    editor.mnuTimeY_Click();
    EXPECT_TRUE(editor.TimeYusen);
}

TEST_F(PlayFrameTest, TheRangeOptionsChooseMarkedRangeOrWholeMovie) {
    editor.STFlame = 5;
    editor.ENDFlame = 50;
    editor.Option1_Click();
    EXPECT_EQ(editor.RangeST, 5);
    EXPECT_EQ(editor.RangeEND, 50);
    editor.Option2_Click();
    EXPECT_EQ(editor.RangeST, 0);
    EXPECT_EQ(editor.RangeEND, 299);
}

}  // namespace
}  // namespace movalux
