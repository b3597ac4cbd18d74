// movalux-cli render, sound and convert as a user runs them: the written
// movie's frames and effects, the progress line, a full disk, and the
// mistakes that end with a message.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "effects/MozaikModule1.h"
#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/SectionWriter.h"
#include "media/TestPattern.h"
#include "support/CliRunner.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;
using test::runCli;

std::string contents(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

class RenderCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    void SetUp() override {
        ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1), 0);
        movie = dir.path("clip.avi");
        auto made = runCli({"testmovie", movie, "--size", "64x48", "--frames", "24", "--sound"});
        ASSERT_EQ(made.status, 0) << made.output;
        // Marked 2..13, a mosaic on layer 1 at frames 4 and 5.
        std::ofstream(dir.path("e.txt"), std::ios::binary)
            << "\"MovaluxMovieFile96320\"\r\n\"" << movie << "\"\r\n2,13,0,23\r\n60\r\n"
            << "4,106,0,0,32,48,8,\"0\"\r\n5,106,0,0,32,48,8,\"0\"\r\n";
    }
    test::TempDir dir{"render"};
    std::string movie;
};

TEST_F(RenderCommandTest, RendersTheMarkedRangeWithEffectsSoundAndProgress) {
    auto r = runCli({"render", dir.path("e.txt"), dir.path("out.avi")});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("render: frame 12/12"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("fps"), std::string::npos);
    auto out = MovieSource::open(dir.path("out.avi"));
    ASSERT_TRUE(out);
    ASSERT_EQ((*out)->info().frameCount, 12);
    EXPECT_TRUE((*out)->info().hasSound);
    auto src = MovieSource::open(movie);
    ASSERT_TRUE(src);
    Surface written(64, 48), plain(64, 48);
    for (int n = 0; n < 12; ++n) {
        ASSERT_TRUE((*out)->paintFrame(n, written));
        ASSERT_TRUE((*src)->paintFrame(n + 2, plain));
        // The right half carries the bar code's cells untouched by the mosaic.
        EXPECT_EQ(readTestFrameNumber(written), n + 2);
        // The mosaic's blocks: within a block of 8 all pixels are equal.
        const bool mosaicked = n + 2 == 4 || n + 2 == 5;
        int differentInBlock = 0;
        for (int y = 8; y < 16; ++y)
            for (int x = 0; x < 8; ++x)
                differentInBlock += std::abs(redOf(written.pixel(x, y)) - redOf(written.pixel(0, 8))) > 24;
        if (mosaicked) {
            EXPECT_EQ(differentInBlock, 0) << "frame " << n + 2;
        } else {
            // Without an effect the picture is the source's, give or take the codec.
            double diff = 0;
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x)
                    diff += std::abs(greenOf(written.pixel(x, y)) - greenOf(plain.pixel(x, y)));
            EXPECT_LT(diff / (64 * 48), 12) << "frame " << n + 2;
        }
    }
    auto sound = measureSound(dir.path("out.avi"));
    ASSERT_TRUE(sound);
    EXPECT_NEAR(sound->seconds(), 12 / 25.0, 1 / 25.0);
}

TEST_F(RenderCommandTest, OptionsChooseRangeSpeedDirectionCodecAndContainer) {
    auto r = runCli({"render", dir.path("e.txt"), dir.path("o.mkv"), "--from", "3", "--to", "8",
                     "--speed", "200", "--reverse", "--no-sound", "--codec", "ffv1"});
    ASSERT_EQ(r.status, 0) << r.output;
    auto out = MovieSource::open(dir.path("o.mkv"));
    ASSERT_TRUE(out);
    EXPECT_FALSE((*out)->info().hasSound);
    std::vector<int32_t> frames;
    Surface pic(64, 48);
    for (int n = 0; n < (*out)->info().frameCount; ++n) {
        ASSERT_TRUE((*out)->paintFrame(n, pic));
        frames.push_back(readTestFrameNumber(pic));
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{8, 6, 4}));

    EXPECT_EQ(runCli({"render", dir.path("e.txt"), dir.path("o.mkv")}).status, 1);  // exists
    EXPECT_EQ(runCli({"render", dir.path("e.txt"), dir.path("o.mov")}).status, 2);
    EXPECT_EQ(runCli({"render", dir.path("e.txt"), dir.path("q.avi"), "--quality", "101"}).status, 2);
    EXPECT_EQ(runCli({"render", dir.path("e.txt"), dir.path("q.avi"), "--speed", "fast"}).status, 2);
    auto range = runCli({"render", dir.path("e.txt"), dir.path("q.avi"), "--to", "99"});
    EXPECT_EQ(range.status, 1);
    EXPECT_NE(range.output.find("within frames 0 to 23"), std::string::npos) << range.output;
}

TEST_F(RenderCommandTest, RefusedCodecEndsWithTheOptionsMessage) {
    auto r = runCli({"render", dir.path("e.txt"), dir.path("x.avi"), "--codec", "libx265"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("オプションを設定して下さい"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(dir.path("x.avi")));
    auto folder = runCli({"render", dir.path("e.txt"), dir.path("nowhere/x.avi")});
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.output.find("書き込みエラー"), std::string::npos) << folder.output;
}

TEST_F(RenderCommandTest, AFullDiskEndsTheWriteWithoutACrashAndTouchesNothingElse) {
    const std::string before = contents(movie), edit = contents(dir.path("e.txt"));
    // 40 KiB may be written; each uncompressed picture takes 9 KiB.
    const std::string cmd = std::string("bash -c 'ulimit -f 40; exec \"") + MOVALUX_CLI +
                            "\" render \"" + dir.path("e.txt") + "\" \"" + dir.path("full.avi") +
                            "\" --codec rawvideo --no-sound' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string output;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) output.append(buf, n);
    const int status = pclose(p);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by a signal: " << output;
    EXPECT_EQ(WEXITSTATUS(status), 1) << output;
    EXPECT_NE(output.find("エラー13"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(dir.path("full.avi")));
    EXPECT_FALSE(fs::exists(dir.path("full.avi.part")));
    EXPECT_EQ(contents(movie), before);
    EXPECT_EQ(contents(dir.path("e.txt")), edit);
}

TEST_F(RenderCommandTest, SoundAndConvertWriteTheirRanges) {
    auto s = runCli({"sound", movie, dir.path("s.wav"), "--from", "0", "--to", "10", "--speed", "50"});
    ASSERT_EQ(s.status, 0) << s.output;
    EXPECT_EQ(contents(dir.path("s.wav")).substr(8, 4), "WAVE");
    auto length = measureSound(dir.path("s.wav"));
    ASSERT_TRUE(length);
    EXPECT_NEAR(length->seconds(), 0.8, 1e-3);

    auto c = runCli({"convert", movie, dir.path("c.avi"), "--from", "4", "--to", "9"});
    ASSERT_EQ(c.status, 0) << c.output;
    auto converted = MovieSource::open(dir.path("c.avi"));
    ASSERT_TRUE(converted);
    EXPECT_EQ((*converted)->info().codecName, "rawvideo");
    EXPECT_EQ((*converted)->info().frameCount, 5);
    Surface pic(64, 48);
    ASSERT_TRUE((*converted)->paintFrame(0, pic));
    EXPECT_EQ(readTestFrameNumber(pic), 4);

    auto silent = dir.path("silent.avi");
    ASSERT_EQ(runCli({"testmovie", silent, "--size", "64x48", "--frames", "5"}).status, 0);
    auto none = runCli({"sound", silent, dir.path("n.wav"), "--from", "0", "--to", "4"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("has no sound"), std::string::npos);
    EXPECT_EQ(runCli({"sound", movie, dir.path("n.wav"), "--from", "0"}).status, 2);
}

}  // namespace
}  // namespace movalux
