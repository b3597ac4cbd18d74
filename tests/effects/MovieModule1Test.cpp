#include "effects/MovieModule1.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "support/CliRunner.h"
#include "support/EditorFixture.h"
#include "support/FakeOverlayMedia.h"

namespace movalux {
namespace {

using test::fakeFrameColour;
using test::fakeFrameOf;

constexpr uint32_t kGrey = 0xFF646464u;

class MovieOverlayTest : public test::EditorTest {
  protected:
    void SetUp() override {
        editor.setOverlayMedia(&media);
        openPicture(Surface(160, 120, kGrey), 400);
        dir = std::make_unique<test::TempDir>("movie");
        clip = dir->path("clip.avi");
        std::ofstream(clip) << "x";
        media.movies[clip] = {32, 24, 30, 60};
        editor.startUp({});
        editor.Combo3_Click("ムービー");
        host.queueDialogPath(clip);
        editor.RDPictBtn_Click();
    }
    // Overlay frames written by interpolation between two key frames.
    std::vector<int32_t> interpolate(int32_t mainFrom, int32_t overlayFrom, int32_t mainTo,
                                     int32_t overlayTo) {
        editor.SelLay = 0;
        editor.EffArr.at(0, mainFrom) =
            EffRec{kouka::kMovie, 0, 0, 32, 24, 0, overlayRecordText(0, overlayFrom, kNoKeyColour)};
        editor.EffArr.at(0, mainTo) =
            EffRec{kouka::kMovie, 0, 0, 32, 24, 0, overlayRecordText(0, overlayTo, kNoKeyColour)};
        host.SetLabel("TextHSt", std::to_string(mainFrom));
        host.SetLabel("TextHEnd", std::to_string(mainTo));
        editor.KoukaSel = kouka::kMovie;
        EXPECT_TRUE(editor.HokanEffect());
        std::vector<int32_t> frames;
        for (int32_t f = mainFrom + 1; f < mainTo; ++f)
            frames.push_back(parseOverlayRecordText(editor.EffArr.at(0, f).Text).frame);
        return frames;
    }
    void chooseSpeed(const char* item) {
        const auto& items = panel.state("Combo5").items;
        const auto it = std::find(items.begin(), items.end(), item);
        ASSERT_NE(it, items.end());
        editor.jumpEffValues(kouka::kMovie, cmd::kParam, ctl::kCombo5,
                             static_cast<int16_t>(it - items.begin()));
    }
    uint32_t at(int x, int y) { return editor.PictMain().pixel(x, y) | kOpaque; }

    test::FakeOverlayMedia media;
    std::unique_ptr<test::TempDir> dir;
    std::string clip;
};

TEST_F(MovieOverlayTest, ARecordShowsExactlyItsOverlayFrame) {
    ASSERT_TRUE(editor.movieOverlay().movieLoaded());
    EXPECT_EQ(editor.overlay().table.entries[0], "20" + clip);
    editor.EffArr.at(0, 0) =
        EffRec{kouka::kMovie, 10, 10, 64, 48, 0, overlayRecordText(0, 37, kNoKeyColour)};
    editor.DspFrame2();
    EXPECT_EQ(fakeFrameOf(at(20, 20)), 37);
    EXPECT_EQ(at(74, 20), kGrey);
    // Beyond its last frame the overlay keeps the last picture it had.
    editor.EffArr.at(0, 0).Text = overlayRecordText(0, 60, kNoKeyColour);
    editor.DspFrame2();
    EXPECT_EQ(fakeFrameOf(at(20, 20)), 37);
}

TEST_F(MovieOverlayTest, SpeedOneHundredStepsOneFramePerMainFrame) {
    chooseSpeed("100");
    const auto frames = interpolate(100, 10, 110, 20);
    EXPECT_EQ(frames, (std::vector<int32_t>{11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ(parseOverlayRecordText(editor.EffArr.at(0, 110).Text).frame, 20);
}

TEST_F(MovieOverlayTest, SlowSpeedsHoldAndFastSpeedsSkip) {
    chooseSpeed("33");
    EXPECT_EQ(editor.movieOverlay().speed(), 3.0f);
    EXPECT_EQ(interpolate(0, 5, 8, 20), (std::vector<int32_t>{5, 5, 6, 6, 6, 7, 7}));
    chooseSpeed("1000");
    EXPECT_EQ(interpolate(0, 0, 4, 40), (std::vector<int32_t>{10, 20, 30}));
    chooseSpeed("300");
    EXPECT_EQ(interpolate(0, 0, 4, 12), (std::vector<int32_t>{3, 6, 9}));
}

TEST_F(MovieOverlayTest, ALowerSecondKeyFramePlaysBackwards) {
    chooseSpeed("200");
    EXPECT_EQ(interpolate(0, 40, 5, 30), (std::vector<int32_t>{38, 36, 34, 32}));
}

TEST_F(MovieOverlayTest, OverlaysPastFrame32767GoForwardWithoutAsking) {
    const std::string longClip = dir->path("long.avi");
    std::ofstream(longClip) << "x";
    media.movies[longClip] = {32, 24, 30, 50000};
    host.queueAnswer(msgbox::kAnswerYes);  // replace the open overlay movie
    host.queueDialogPath(longClip);
    editor.RDPictBtn_Click();
    ASSERT_EQ(editor.movieOverlay().lastFrame(), 49999);
    chooseSpeed("1000");
    EXPECT_EQ(interpolate(0, 39960, 5, 40000), (std::vector<int32_t>{39970, 39980, 39990, 40000}));
    EXPECT_EQ(interpolate(0, 0, 5, 40000), (std::vector<int32_t>{10, 20, 30, 40}));
    EXPECT_EQ(host.messages.size(), 1u);  // only the replace question
}

TEST_F(MovieOverlayTest, RunningPastTheEndAsksOnceAndHoldsTheLastFrame) {
    chooseSpeed("100");
    host.queueAnswer(msgbox::kAnswerNo);
    const auto frames = interpolate(0, 55, 10, 65);
    EXPECT_EQ(frames, (std::vector<int32_t>{56, 57, 58, 59, 59, 59, 59, 59, 59}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "効果ムービーが終わりです。ここで終わりますか？");
    EXPECT_EQ(host.messages[0].style, 308);
    // Yes keeps every later frame as it was.
    for (int f = 21; f < 30; ++f) editor.EffArr.at(0, f) = EffRec{};
    host.queueAnswer(msgbox::kAnswerYes);
    const auto kept = interpolate(20, 57, 30, 67);
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(kept[0], 58);
    EXPECT_EQ(kept[1], 59);
    EXPECT_EQ(editor.EffArr.at(0, 23).Kind, 0);
}

TEST_F(MovieOverlayTest, SliderShowsFramesAndShiftMarksTheClipEnd) {
    editor.jumpEffValues(kouka::kMovie, cmd::kParam, ctl::kHScroll1, 12);
    EXPECT_EQ(editor.movieOverlay().clipStart(), 12);
    EXPECT_EQ(panel.text("Hzahyou"), "12");
    EXPECT_EQ(fakeFrameOf(editor.overlay().PictStart.pixel(0, 0)), 12);
    EXPECT_EQ(editor.jumpEffValues(kouka::kMovie, cmd::kParam, ctl::kHScroll1, 30, 0, 0, 1), 2);
    EXPECT_EQ(editor.movieOverlay().clipEnd(), 30);
    EXPECT_EQ(panel.text("Wzahyou"), "12");
    EXPECT_TRUE(panel.state("Wzahyou").visible);
    editor.jumpEffValues(kouka::kMovie, cmd::kFrameJump, 1);
    EXPECT_EQ(editor.movieOverlay().clipEnd(), 0);
    EXPECT_FALSE(panel.state("Wzahyou").visible);
}

TEST_F(MovieOverlayTest, PreviewPlaybackRunsToTheEndYieldingToTheWindow) {
    editor.jumpEffValues(kouka::kMovie, cmd::kParam, ctl::kHScroll1, 50);
    editor.ComdBtn2_Click();
    EXPECT_FALSE(editor.movieOverlay().playing());
    EXPECT_EQ(editor.movieOverlay().currentFrame(), 59);
    EXPECT_EQ(panel.state("HScroll1").scrollValue, 59);
    EXPECT_TRUE(panel.state("ComdBtn2").visible);
    EXPECT_FALSE(host.waits.empty());
    // The stop button ends it at the next frame.
    editor.jumpEffValues(kouka::kMovie, cmd::kParam, ctl::kHScroll1, 0);
    host.onDoEvents = [&](int) { editor.ComSTP2_Click(); };
    editor.ComdBtn2_Click();
    EXPECT_EQ(editor.movieOverlay().currentFrame(), 0);
    EXPECT_EQ(panel.state("HScroll1").scrollValue, 1);
}

TEST_F(MovieOverlayTest, ReleasedWithTheMainMovieAndReopenedForItsRecords) {
    editor.CloseStream();
    EXPECT_FALSE(editor.movieOverlay().movieLoaded());
    editor.setFrameSource(&source);
    editor.EffArr.at(0, 0) =
        EffRec{kouka::kMovie, 0, 0, 32, 24, 0, overlayRecordText(0, 9, kNoKeyColour)};
    editor.DspFrame2();
    EXPECT_EQ(fakeFrameOf(at(5, 5)), 9);
    EXPECT_EQ(media.movieOpens, 2);
    editor.PRGEnd();
    EXPECT_FALSE(editor.movieOverlay().movieLoaded());
}

TEST_F(MovieOverlayTest, AnUnreadableMovieDrawsNothing) {
    const std::string bad = dir->path("bad.avi");
    std::ofstream(bad) << "x";
    editor.ResName = "20" + bad;
    editor.jumpEffValues(kouka::kMovie, cmd::kResLoad, 1, 1);
    editor.EffArr.at(0, 0) =
        EffRec{kouka::kMovie, 0, 0, 32, 24, 0, overlayRecordText(1, 3, kNoKeyColour)};
    editor.DspFrame2();
    EXPECT_EQ(at(5, 5), kGrey);
    EXPECT_EQ(editor.overlay().unreadable, std::vector<std::string>{bad});
    // Choosing one through the panel says so.
    host.queueDialogPath(bad);
    editor.Combo3_Click("ムービー");
    editor.RDPictBtn_Click();
    EXPECT_EQ(host.messages.back().text, "ファイルが開けません");
}

TEST_F(MovieOverlayTest, PanelCaptionsListsAndDefaults) {
    EXPECT_EQ(editor.KoukaSel, kouka::kMovie);
    EXPECT_EQ(panel.state("Label6").caption, "速度%");
    EXPECT_TRUE(panel.state("Label6").visible);
    EXPECT_EQ(panel.state("Combo5").items, (std::vector<std::string>{"10", "20", "33", "50", "100",
                                                                     "200", "300", "500", "1000"}));
    EXPECT_EQ(panel.state("Combo5").listIndex, 4);
    EXPECT_EQ(panel.state("Label13").caption, "ｺﾏNo");
    EXPECT_FALSE(panel.state("Wzahyou").visible);
    EXPECT_TRUE(panel.state("HScroll1").visible);
    EXPECT_EQ(panel.state("HScroll1").scrollMax, 59);
    EXPECT_TRUE(panel.state("ComdBtn2").visible);
    EXPECT_FALSE(panel.state("ComSTP2").visible);
    EXPECT_EQ(panel.state("Label3").caption, "clip.avi");
    EXPECT_EQ(host.dialogs.back().filter, "AVI(*.avi);MPEG(*.mpg)|*.avi;*.mpg");
    EXPECT_EQ(editor.movieOverlay().speed(), 1.0f);
}

}  // namespace
}  // namespace movalux
