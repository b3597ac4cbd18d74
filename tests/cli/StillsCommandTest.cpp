// movalux-cli stills and from-stills as a user runs them: numbered pictures
// of an edit file's marked frames with their effects, a movie from them,
// exit statuses, refusals without --force, and the frame-rate limits.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/StillImage.h"
#include "media/TestPattern.h"
#include "support/CliRunner.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;
using test::runCli;

bool samePixels(const Surface& a, const Surface& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin());
}

class StillsCommandTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    void SetUp() override {
        ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1), 0);
        movie = dir.path("clip.avi");
        auto made = runCli({"testmovie", movie, "--size", "64x48", "--frames", "16"});
        ASSERT_EQ(made.status, 0) << made.output;
        // A mosaic over the left half on frames 4 and 5 (layer 1).
        std::ofstream(dir.path("e.txt"), std::ios::binary)
            << "\"MovaluxMovieFile96320\"\r\n\"" << movie << "\"\r\n0,15,0,15\r\n60\r\n"
            << "4,106,0,0,32,48,8,\"0\"\r\n5,106,0,0,32,48,8,\"0\"\r\n";
    }
    test::TempDir dir{"stills-cli"};
    std::string movie;
};

TEST_F(StillsCommandTest, StillsWritesTheFramesWithTheirEffectsAndFromStillsMakesThemAMovie) {
    auto r = runCli({"stills", dir.path("e.txt"), dir.path("f"), "--from", "3", "--to", "10",
                     "--format", "png"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find(dir.path("f009.png")), std::string::npos);
    EXPECT_NE(r.output.find("stills: frame 8/8"), std::string::npos) << r.output;
    for (int f = 3; f <= 10; ++f) {
        auto expected = dir.path("expect.png");
        auto shown = runCli({"frame", dir.path("e.txt"), std::to_string(f), expected, "--force"});
        ASSERT_EQ(shown.status, 0) << shown.output;
        auto a = readStillImage(expected);
        auto b = readStillImage(dir.path((f < 10 ? "f00" : "f0") + std::to_string(f) + ".png"));
        ASSERT_TRUE(a && b) << f;
        EXPECT_TRUE(samePixels(*a, *b)) << f;
    }
    EXPECT_FALSE(fs::exists(dir.path("f002.png")));
    EXPECT_FALSE(fs::exists(dir.path("f011.png")));

    r = runCli({"from-stills", dir.path("f003.png"), dir.path("f010.png"), dir.path("m.avi"),
                "--fps", "12"});
    ASSERT_EQ(r.status, 0) << r.output;
    auto m = MovieSource::open(dir.path("m.avi"));
    ASSERT_TRUE(m) << m.error();
    EXPECT_DOUBLE_EQ((*m)->info().frameRate, 12.0);
    ASSERT_EQ((*m)->info().frameCount, 8);
    Surface frame(64, 48);
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE((*m)->paintFrame(i, frame));
        auto still =
            readStillImage(dir.path((i + 3 < 10 ? "f00" : "f0") + std::to_string(i + 3) + ".png"));
        ASSERT_TRUE(still);
        EXPECT_TRUE(samePixels(frame, *still)) << i;
    }
}

TEST_F(StillsCommandTest, NothingIsOverwrittenWithoutForce) {
    std::ofstream(dir.path("g002.bmp")) << "mine";
    auto r = runCli({"stills", dir.path("e.txt"), dir.path("g"), "--from", "0", "--to", "3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("g002.bmp exists; use --force"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(dir.path("g000.bmp")));
    EXPECT_EQ(fs::file_size(dir.path("g002.bmp")), 4u);
    r = runCli({"stills", dir.path("e.txt"), dir.path("g"), "--from", "0", "--to", "3", "--force"});
    ASSERT_EQ(r.status, 0) << r.output;
    auto replaced = readStillImage(dir.path("g002.bmp"));
    ASSERT_TRUE(replaced);
    EXPECT_EQ(readTestFrameNumber(*replaced), 2);

    std::ofstream(dir.path("g.avi")) << "old";
    r = runCli({"from-stills", dir.path("g000.bmp"), dir.path("g003.bmp"), dir.path("g.avi")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("exists; use --force"), std::string::npos);
    EXPECT_EQ(fs::file_size(dir.path("g.avi")), 3u);
    r = runCli(
        {"from-stills", dir.path("g000.bmp"), dir.path("g003.bmp"), dir.path("g.avi"), "--force"});
    ASSERT_EQ(r.status, 0) << r.output;
    auto m = MovieSource::open(dir.path("g.avi"));
    ASSERT_TRUE(m);
    EXPECT_EQ((*m)->info().frameCount, 4);
    EXPECT_DOUBLE_EQ((*m)->info().frameRate, 30.0);  // Form2's default
}

TEST_F(StillsCommandTest, FrameRatesAreLimitedAndBadRunsExitWithTheirReason) {
    ASSERT_EQ(
        runCli({"stills", dir.path("e.txt"), dir.path("h"), "--from", "0", "--to", "2"}).status, 0);
    auto r = runCli({"from-stills", dir.path("h000.bmp"), dir.path("h002.bmp"), dir.path("a.avi"),
                     "--fps", "60"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("a frame rate of 60 becomes 30"), std::string::npos) << r.output;
    r = runCli({"from-stills", dir.path("h000.bmp"), dir.path("h002.bmp"), dir.path("b.avi"),
                "--fps", "0"});
    ASSERT_EQ(r.status, 0) << r.output;
    auto b = MovieSource::open(dir.path("b.avi"));
    ASSERT_TRUE(b);
    EXPECT_DOUBLE_EQ((*b)->info().frameRate, 1.0);

    // The last before the first: nothing to write, and no file.
    r = runCli({"from-stills", dir.path("h002.bmp"), dir.path("h000.bmp"), dir.path("c.avi")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("最後の画像の番号が1枚目の画像の番号より小さいため"), std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(dir.path("c.avi")));
    // A picture of another size: the movie of the pictures before it, exit 1.
    ASSERT_TRUE(writeStillImage(Surface(10, 10), dir.path("h003.bmp")));
    r = runCli({"from-stills", dir.path("h000.bmp"), dir.path("h003.bmp"), dir.path("d.avi")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("h003.bmpの大きさ（10×10）が1枚目の画像（64×48）と違うため"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("3 of 4 pictures written"), std::string::npos) << r.output;
    auto d = MovieSource::open(dir.path("d.avi"));
    ASSERT_TRUE(d);
    EXPECT_EQ((*d)->info().frameCount, 3);

    // Usage errors.
    EXPECT_EQ(runCli({"stills", dir.path("e.txt"), dir.path("h"), "--from", "0"}).status, 2);
    EXPECT_EQ(runCli({"stills", dir.path("e.txt"), dir.path("h"), "--from", "0", "--to", "2",
                      "--format", "jpg"})
                  .status,
              2);
    EXPECT_EQ(runCli({"from-stills", dir.path("h000.bmp"), dir.path("h002.bmp"), dir.path("x.mp4")})
                  .status,
              2);
    EXPECT_EQ(runCli({"from-stills", dir.path("h000.bmp"), dir.path("h002.bmp"), dir.path("x.avi"),
                      "--fps", "fast"})
                  .status,
              2);
    // A range outside the movie.
    r = runCli({"stills", dir.path("e.txt"), dir.path("i"), "--from", "10", "--to", "40"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("the range must lie within frames 0 to 15"), std::string::npos)
        << r.output;
}

}  // namespace
}  // namespace movalux
