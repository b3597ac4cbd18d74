// Real-time playback with sound on a fake clock and a fake sound output:
// which frames it shows for the sound's position, where it stops, what the
// window is told; the sound decoded ahead; and the page steps at the ends of
// the play range.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "playback/RealTimePlayback.h"
#include "support/CliRunner.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

constexpr const char* kSpeedRefused = "この速度では再生できません";
constexpr int32_t kLightBlue = 0xFF8080;

TEST(RealTimeScheduleTest, FramesFollowTheClockAtEverySpeed) {
    const RealTimeSchedule normal(30, 10, 69, 1.0);
    EXPECT_DOUBLE_EQ(normal.duration(), 2.0);
    EXPECT_EQ(normal.frameAt(0), 10);
    EXPECT_EQ(normal.frameAt(0.0332), 10);
    EXPECT_EQ(normal.frameAt(1.0 / 30), 11);  // exactly at a frame's start
    EXPECT_EQ(normal.frameAt(0.1), 13);
    EXPECT_EQ(normal.frameAt(1.999), 69);
    EXPECT_EQ(normal.frameAt(5), 69);  // never beyond the last
    EXPECT_FALSE(normal.finishedAt(1.999));
    EXPECT_TRUE(normal.finishedAt(2.0));
    EXPECT_NEAR(normal.secondsToNextFrame(0.01), 1.0 / 30 - 0.01, 1e-9);
    EXPECT_EQ(normal.secondsToNextFrame(2.5), 0);

    const RealTimeSchedule fast(30, 0, 59, 2.0);
    EXPECT_DOUBLE_EQ(fast.duration(), 1.0);
    EXPECT_EQ(fast.frameAt(0.5), 30);
    const RealTimeSchedule slow(30, 0, 59, 0.1);
    EXPECT_DOUBLE_EQ(slow.duration(), 20.0);
    EXPECT_EQ(slow.frameAt(1.0), 3);
    EXPECT_NEAR(slow.secondsToNextFrame(0), 1.0 / 3, 1e-9);
    // A range of one frame still lasts one frame's time.
    const RealTimeSchedule single(25, 7, 7, 1.0);
    EXPECT_DOUBLE_EQ(single.duration(), 0.04);
    EXPECT_EQ(single.frameAt(0.02), 7);
}

TEST(RealTimeScheduleTest, OnlyStretchableSpeedsArePlayable) {
    for (double s : {0.1, 0.2, 0.75, 1.0, 1.5, 5.0, 10.0})
        EXPECT_TRUE(realTimeSpeedPlayable(s)) << s;
    for (double s : {0.0, -1.0, 0.05, 10.5, 20.0, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(realTimeSpeedPlayable(s)) << s;
}

// Records each frame asked for and whether the effects were to be drawn.
class WatchingSource : public FrameSource {
public:
    explicit WatchingSource(const Editor& e) : editor(e) {}
    bool paintFrame(int32_t frame, Surface& target) override {
        shown.push_back(frame);
        withEffects.push_back(editor.PreviewOn);
        target.fill(rgb(frame & 255, 0, 0));
        if (clock != nullptr) *clock += costMs;
        return frame >= 0 && frame <= 299;
    }
    const Editor& editor;
    // A pipeline that takes this long a picture on the fake clock.
    uint32_t* clock = nullptr;
    uint32_t costMs = 0;
    std::vector<int32_t> shown;
    std::vector<bool> withEffects;
};

class RealTimePlayTest : public test::EditorTest {
protected:
    void SetUp() override {
        openPicture(Surface(16, 16), 299);
        editor.setFrameSource(&watching);
        editor.FrameRate = 30;
        editor.WholeFps = 30;
        editor.RangeST = 10;
        editor.RangeEND = 69;
        editor.CurFlame = 20;
        editor.SliderScale = 1;
        host.SetLabel("Combo4", "100");
    }
    int count(const std::string& event) const {
        int n = 0;
        for (const auto& e : host.controlEvents) n += e == event;
        return n;
    }
    WatchingSource watching{editor};
};

TEST_F(RealTimePlayTest, PlaysFromTheCurrentFrameToTheRangeEndOnTheSystemClock) {
    editor.mnuPlay_Click();
    // 50 frames at 30 a second: 1.67 s, waited in short sleeps, not spun.
    EXPECT_NEAR(host.clockMs, 50 * 1000.0 / 30, 45.0);
    EXPECT_LT(host.doEvents, 200);
    ASSERT_GE(watching.shown.size(), 40u);
    EXPECT_EQ(watching.shown.front(), 20);
    for (size_t i = 1; i < watching.shown.size(); ++i)
        EXPECT_GE(watching.shown[i], watching.shown[i - 1]) << i;
    EXPECT_EQ(editor.CurFlame, 69);
    EXPECT_EQ(watching.shown.back(), 69);
    EXPECT_TRUE(editor.Idle);
    // The movie plays as it is; the stopped frame is shown with its effects.
    EXPECT_FALSE(watching.withEffects.front());
    EXPECT_TRUE(watching.withEffects.back());
    EXPECT_TRUE(editor.PreviewOn);
    EXPECT_EQ(host.labelColours, (std::vector<std::string>{
                                     "LabelTime=" + std::to_string(kLightBlue), "LabelTime=-1"}));
    EXPECT_EQ(count("ComPlay disabled"), 1);
    EXPECT_EQ(host.controlEvents.back(), "ComPlay enabled");
    // A movie without sound asks for no sound output.
    EXPECT_EQ(host.soundStarts, 0);
    EXPECT_EQ(host.labels["StatusText"], "");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(RealTimePlayTest, DoubleSpeedSkipsFramesAndTakesHalfTheTime) {
    // 30 ms a picture cannot keep up with a frame every 16.7 ms: the
    // picture skips to stay with the clock rather than fall behind it.
    watching.clock = &host.clockMs;
    watching.costMs = 30;
    host.SetLabel("Combo4", "200");
    editor.CurFlame = 10;
    editor.mnuPlay_Click();
    // A second of clock from the first frame, which is drawn (30 ms) before
    // the clock starts.
    EXPECT_NEAR(host.clockMs, 1030.0, 80.0);
    EXPECT_EQ(editor.CurFlame, 69);
    EXPECT_LT(watching.shown.size(), 45u);
    int skips = 0;
    for (size_t i = 1; i + 1 < watching.shown.size(); ++i)
        skips += watching.shown[i] - watching.shown[i - 1] > 1;
    EXPECT_GT(skips, 10);
}

TEST_F(RealTimePlayTest, SpeedsThatCannotBePlayedAreRefusedWithTheMessage) {
    for (const char* speed : {"5000", "0", "abc", "5"}) {
        host.messages.clear();
        watching.shown.clear();
        host.SetLabel("Combo4", speed);
        editor.mnuPlay_Click();
        ASSERT_EQ(host.messages.size(), 1u) << speed;
        EXPECT_EQ(host.messages[0].text, kSpeedRefused);
        EXPECT_TRUE(watching.shown.empty());
        EXPECT_EQ(editor.CurFlame, 20);
        EXPECT_TRUE(editor.Idle);
    }
    EXPECT_TRUE(host.labelColours.empty());
    EXPECT_EQ(count("ComPlay disabled"), 0);
}

TEST_F(RealTimePlayTest, PauseLeavesTheFrameReachedShownWithItsEffects) {
    host.onDoEvents = [&](int n) {
        if (n == 12) editor.PlayPause();
    };
    editor.mnuPlay_Click();
    ASSERT_GE(watching.shown.size(), 2u);
    const int32_t stoppedAt = watching.shown[watching.shown.size() - 2];
    EXPECT_GT(stoppedAt, 20);
    EXPECT_LT(stoppedAt, 69);
    EXPECT_EQ(editor.CurFlame, stoppedAt);
    EXPECT_EQ(watching.shown.back(), stoppedAt);  // shown again, now with effects
    EXPECT_TRUE(watching.withEffects.back());
    EXPECT_FALSE(watching.withEffects[watching.shown.size() - 2]);
    EXPECT_EQ(editor.TLTop, stoppedAt);
    EXPECT_FLOAT_EQ(editor.SliderPos, static_cast<float>(stoppedAt));
    EXPECT_TRUE(editor.Idle);
    EXPECT_EQ(host.labelColours.back(), "LabelTime=-1");
    EXPECT_EQ(host.controlEvents.back(), "ComPlay enabled");
}

TEST_F(RealTimePlayTest, NothingHappensWhileAnotherLoopRunsOrWithoutAMovie) {
    editor.Idle = false;  // a write or a play loop is running
    editor.mnuPlay_Click();
    EXPECT_TRUE(watching.shown.empty());
    editor.Idle = true;
    editor.MvOpen = kFalse;
    editor.mnuPlay_Click();
    EXPECT_TRUE(watching.shown.empty());
    EXPECT_TRUE(host.messages.empty());
}

// A generated movie with sound: 60 frames at 30 fps.
class RealTimeSoundTest : public test::EditorTest {
protected:
    static void SetUpTestSuite() {
        dir_ = new test::TempDir("realtime");
        const test::CliResult made = test::runCli({"testmovie", dir_->path("sound.avi"), "--size",
                                                   "64x48", "--fps", "30", "--frames", "60",
                                                   "--sound"});
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        editor.MvFName = dir_->path("sound.avi");
        editor.OpenMovie();
        ASSERT_EQ(editor.MvOpen, kTrue);
        ASSERT_EQ(editor.MvSound, kTrue);
        host.SetLabel("Combo4", "100");
        editor.CurFlame = 0;
    }
    static test::TempDir* dir_;
};

test::TempDir* RealTimeSoundTest::dir_ = nullptr;

TEST_F(RealTimeSoundTest, SoundIsDecodedAheadAndLastsAsLongAsThePictureAtItsSpeed) {
    for (double speed : {0.5, 1.0, 2.0}) {
        SoundSectionRequest request;
        request.moviePath = dir_->path("sound.avi");
        request.fromSeconds = 0.5;
        request.toSeconds = 1.5;
        request.speed = speed;
        auto sound = RealTimeSound::open(request);
        ASSERT_TRUE(sound) << sound.error();
        ASSERT_GT((*sound)->sampleRate(), 0);
        ASSERT_GT((*sound)->channels(), 0);
        std::vector<int16_t> buffer(1001);  // not a whole number of stereo frames
        int64_t values = 0;
        bool heardSomething = false;
        while (!(*sound)->drained()) {
            const size_t n = (*sound)->read(buffer.data(), buffer.size());
            EXPECT_EQ(n % static_cast<size_t>((*sound)->channels()), 0u);
            for (size_t i = 0; i < n; ++i) heardSomething |= buffer[i] != 0;
            values += static_cast<int64_t>(n);
        }
        const double seconds =
            static_cast<double>(values) / (*sound)->channels() / (*sound)->sampleRate();
        EXPECT_NEAR(seconds, 1.0 / speed, 0.01) << speed;
        EXPECT_NEAR((*sound)->secondsRead(), seconds, 1e-9);
        EXPECT_TRUE(heardSomething);
        EXPECT_EQ((*sound)->failure(), "");
    }
}

TEST_F(RealTimeSoundTest, ThePictureFollowsTheSoundClock) {
    host.soundDevice = true;
    host.soundPace = 0.5;  // the output plays at half the clock's pace
    editor.CurFlame = 6;
    editor.mnuPlay_Click();
    EXPECT_EQ(host.soundStarts, 1);
    EXPECT_EQ(host.soundStops, 1);
    // The sound began with the first frame already shown.
    EXPECT_EQ(host.labelAtSoundStart, "6");
    // 1.8 seconds of movie take 3.6 seconds of clock.
    EXPECT_NEAR(host.clockMs, 3600.0, 100.0);
    EXPECT_EQ(editor.CurFlame, 59);
    EXPECT_EQ(host.labels["StatusText"], "");
    EXPECT_TRUE(editor.Idle);
}

TEST_F(RealTimeSoundTest, WithoutASoundOutputItPlaysSilentlyOnTheSystemClockAndSaysSo) {
    host.soundDevice = false;
    editor.CurFlame = 30;
    std::string statusWhilePlaying;
    host.onDoEvents = [&](int n) {
        if (n == 3) statusWhilePlaying = host.labels["StatusText"];
    };
    editor.mnuPlay_Click();
    EXPECT_EQ(host.soundStarts, 1);
    EXPECT_EQ(host.soundStops, 0);
    EXPECT_NEAR(host.clockMs, 1000.0, 45.0);
    EXPECT_EQ(editor.CurFlame, 59);
    EXPECT_EQ(statusWhilePlaying, "音声出力がありません（音なしで再生します）");
    EXPECT_EQ(host.labels["StatusText"], "");  // cleared when it stops
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(RealTimeSoundTest, AnOutputThatFailsMidWayLeavesThePictureGoingOn) {
    host.soundDevice = true;
    std::string statusAfterFailure;
    host.onDoEvents = [&](int n) {
        if (n == 10) host.soundFails = true;
        if (n == 20) statusAfterFailure = host.labels["StatusText"];
    };
    editor.mnuPlay_Click();
    EXPECT_EQ(editor.CurFlame, 59);
    EXPECT_NEAR(host.clockMs, 2000.0, 100.0);
    EXPECT_EQ(statusAfterFailure, "音声出力が止まりました（音なしで再生します）");
    EXPECT_GE(host.soundStops, 1);
}

TEST_F(RealTimeSoundTest, AtAStretchedSpeedThePictureKeepsToWhatTheStretchDelivers) {
    host.soundDevice = true;
    host.SetLabel("Combo4", "50");
    auto section = SoundSection::open({dir_->path("sound.avi"), 0, 2, 0.5, 0});
    ASSERT_TRUE(section) << section.error();
    // The half-speed stretch brings starts after quiet tens of
    // milliseconds early; the picture is shown that much earlier.
    const double lead = (*section)->leadSeconds();
    ASSERT_GT(lead, 0.01);
    int checked = 0;
    host.onDoEvents = [&](int) {
        const double s = host.SoundSeconds();
        if (s < 0 || s > 3.5) return;  // not started, or near the sound's end
        const double picture = s + std::min(s, lead);
        const auto expected = std::min(59, static_cast<int>(std::floor(picture * 30 * 0.5 + 1e-9)));
        EXPECT_EQ(editor.CurFlame, expected) << "at " << s << " s of sound";
        ++checked;
    };
    editor.mnuPlay_Click();
    EXPECT_GT(checked, 30);
    EXPECT_EQ(editor.CurFlame, 59);
}

TEST_F(RealTimeSoundTest, HalfSpeedPlaysTheSoundStretchedToTwiceTheTime) {
    host.soundDevice = true;
    host.SetLabel("Combo4", "50");
    editor.CurFlame = 30;
    editor.mnuPlay_Click();
    EXPECT_NEAR(host.clockMs, 2000.0, 100.0);
    EXPECT_EQ(editor.CurFlame, 59);
}

// Page steps (F6, F3) move 30 frames and stop at the ends of the play range.
class PageStepTest : public test::EditorTest {
protected:
    void SetUp() override {
        openPicture(Surface(8, 8), 100);
        editor.RangeST = 10;
        editor.RangeEND = 75;
        editor.SliderScale = 2;
    }
};

TEST_F(PageStepTest, PageStepsStopAtTheRangeEnds) {
    editor.CurFlame = 20;
    editor.PlayMvPageUp();
    EXPECT_EQ(editor.CurFlame, 50);
    EXPECT_FLOAT_EQ(editor.SliderPos, 100.0f);
    editor.PlayMvPageUp();
    EXPECT_EQ(editor.CurFlame, 75);  // not 80
    editor.PlayMvPageUp();
    EXPECT_EQ(editor.CurFlame, 75);
    editor.PlayMvPageDown();
    EXPECT_EQ(editor.CurFlame, 45);
    editor.PlayMvPageDown();
    EXPECT_EQ(editor.CurFlame, 15);
    editor.PlayMvPageDown();
    EXPECT_EQ(editor.CurFlame, 10);  // not -15, and no wrapping
    EXPECT_FLOAT_EQ(editor.SliderPos, 20.0f);
    EXPECT_EQ(host.labels["TextPos"], "10");
    // The keys reach the same steps.
    editor.Form_KeyDown(117);  // F6
    EXPECT_EQ(editor.CurFlame, 40);
    editor.Form_KeyDown(114);  // F3
    EXPECT_EQ(editor.CurFlame, 10);
}

}  // namespace
}  // namespace movalux
