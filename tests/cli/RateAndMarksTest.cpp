// Which source pictures a write takes and at what rate it writes them: marks
// set in reverse order, fractional frame rates over long movies, and the
// frame-rate adjustment that moves the picture against the sound.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "editor/Editor.h"
#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/SectionWriter.h"
#include "media/TestPattern.h"
#include "support/CliRunner.h"
#include "support/FfmpegReference.h"
#include "support/RecordingHost.h"

namespace movalux {
namespace {

using test::capture;
using test::runCli;

std::string videoRate(const std::string& path) {
    std::string r = capture(
        "ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate "
        "-of csv=p=0 '" +
        path + "'");
    while (!r.empty() && (r.back() == '\n' || r.back() == '\r')) r.pop_back();
    return r;
}

std::vector<int32_t> framesOf(const std::string& path) {
    std::vector<int32_t> numbers;
    auto movie = MovieSource::open(path);
    EXPECT_TRUE(movie) << movie.error();
    if (!movie) return numbers;
    Surface picture((*movie)->info().width, (*movie)->info().height);
    for (int32_t n = 0; n < (*movie)->info().frameCount; ++n)
        numbers.push_back((*movie)->paintFrame(n, picture) ? readTestFrameNumber(picture) : -2);
    return numbers;
}

double soundSeconds(const std::string& path) {
    auto length = measureSound(path);
    EXPECT_TRUE(length) << length.error();
    return length ? length->seconds() : -1;
}

class RateAndMarksTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    void SetUp() override { ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1), 0); }

    std::string movie(const std::string& name, const std::string& fps, int frames) {
        const std::string path = dir.path(name);
        auto r = runCli({"testmovie", path, "--size", "64x48", "--fps", fps, "--frames",
                         std::to_string(frames), "--sound"});
        EXPECT_EQ(r.status, 0) << r.output;
        return path;
    }
    std::string editFile(const std::string& moviePath, int32_t st, int32_t end, int32_t last) {
        const std::string path = moviePath + ".txt";
        std::ofstream(path, std::ios::binary)
            << "\"MovaluxMovieFile96320\"\r\n\"" << moviePath << "\"\r\n"
            << st << ',' << end << ",0," << last << "\r\n60\r\n";
        return path;
    }

    test::TempDir dir{"rates"};
};

TEST_F(RateAndMarksTest, MarksInReverseOrderWriteOneFrameWithItsOwnSound) {
    const std::string m = movie("m.avi", "30", 60);
    // Marked start 40 after marked end 10, as the timeline allows.
    const std::string e = editFile(m, 40, 10, 59);
    auto forward = runCli({"render", e, dir.path("f.avi")});
    ASSERT_EQ(forward.status, 0) << forward.output;
    EXPECT_EQ(framesOf(dir.path("f.avi")), std::vector<int32_t>{40});
    EXPECT_NEAR(soundSeconds(dir.path("f.avi")), 1 / 30.0, 1e-3);
    auto backward = runCli({"render", e, dir.path("b.avi"), "--reverse"});
    ASSERT_EQ(backward.status, 0) << backward.output;
    EXPECT_EQ(framesOf(dir.path("b.avi")), std::vector<int32_t>{10});
    EXPECT_NEAR(soundSeconds(dir.path("b.avi")), 1 / 30.0, 1e-3);
    // The same range given on the command line.
    auto options = runCli({"render", editFile(m, 0, 59, 59), dir.path("o.avi"), "--from", "40",
                           "--to", "10", "--no-sound"});
    ASSERT_EQ(options.status, 0) << options.output;
    EXPECT_EQ(framesOf(dir.path("o.avi")), std::vector<int32_t>{40});
}

TEST_F(RateAndMarksTest, FractionalRatesAreWrittenExactlyAndTheSoundKeepsInStep) {
    struct Case {
        const char* fps;
        const char* rational;
        int frames;
    };
    // Ten minutes at 29.97, a minute at the others.
    for (const Case& c : {Case{"29.97", "30000/1001", 17982}, Case{"23.976", "24000/1001", 1439},
                          Case{"59.94", "60000/1001", 3596}}) {
        SCOPED_TRACE(c.fps);
        const std::string m = movie(std::string("r") + c.fps + ".avi", c.fps, c.frames);
        const std::string out = dir.path(std::string("w") + c.fps + ".avi");
        auto r = runCli({"render", editFile(m, 0, c.frames - 1, c.frames - 1), out});
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(videoRate(out), c.rational);
        const double rate = std::atof(c.fps) == 29.97    ? 30000.0 / 1001
                            : std::atof(c.fps) == 23.976 ? 24000.0 / 1001
                                                         : 60000.0 / 1001;
        EXPECT_NEAR(soundSeconds(out), c.frames / rate, 1 / rate);
    }
}

TEST_F(RateAndMarksTest, AnAdjustedRateTakesThePictureOnScreenAndWritesAtTheSourceRate) {
    const std::string m = movie("a.avi", "30", 160);
    test::RecordingHost host;
    test::RecordingPanel panel;
    Editor editor(host, panel);
    editor.setMovieNames(m);
    ASSERT_TRUE(editor.openMovieAndReport());
    struct Case {
        std::vector<const char*> adjustments;
        double rate;
    };
    for (const Case& c :
         {Case{{"100"}, 30.2997}, Case{{"-100"}, 29.7003}, Case{{"100", "100"}, 30.5994}}) {
        SCOPED_TRACE(c.rate);
        ASSERT_TRUE(editor.openMovieAndReport());  // back to the movie's own rate
        for (const char* a : c.adjustments) ASSERT_TRUE(editor.AdjVComd_Click(a));
        EXPECT_NEAR(editor.FrameRate, c.rate, 1e-9);
        // Frame n shows the picture on screen n / adjusted rate after the first.
        for (int32_t n = 0; n <= 120; ++n) {
            editor.CurFlame = n;
            ASSERT_EQ(editor.DspFrame2(), n);
            const auto expected = static_cast<int32_t>(std::floor(n / c.rate * 30 + 1e-9));
            ASSERT_EQ(readTestFrameNumber(editor.PictMain()), expected) << "frame " << n;
        }
        // Written: as many pictures as frames marked, at the source's rate;
        // the sound is the unchanged source time those frames span.
        host.labels["Combo2"] = "100";
        editor.Option7_Click();
        editor.STFlame = 0;
        editor.ENDFlame = 120;
        const std::string out = dir.path("adj" + std::to_string(c.rate) + ".avi");
        host.queueDialogPath(out);
        ASSERT_EQ(editor.MVRec(), Editor::RecOutcome::Written) << editor.RecError;
        const std::vector<int32_t> frames = framesOf(out);
        ASSERT_EQ(frames.size(), 121u);
        EXPECT_EQ(frames[120], static_cast<int32_t>(std::floor(120 / c.rate * 30 + 1e-9)));
        EXPECT_EQ(videoRate(out), "30/1");
        EXPECT_NEAR(soundSeconds(out), 121 / c.rate, 1.0 / 30);
    }
    // The command line's --adjust takes the dialog's range and message.
    auto refused =
        runCli({"frame", editFile(m, 0, 159, 159), "10", dir.path("x.png"), "--adjust", "101"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.output.find("ずれ調整値は-100～100の範囲内にしてください"), std::string::npos)
        << refused.output;
    auto shown =
        runCli({"frame", editFile(m, 0, 159, 159), "51", dir.path("y.png"), "--adjust", "100"});
    EXPECT_EQ(shown.status, 0) << shown.output;
}

}  // namespace
}  // namespace movalux
