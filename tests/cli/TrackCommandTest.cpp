// movalux-cli track on a real encoded movie: a test picture moving over a
// grey field, followed from the first frame to the end.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "support/CliRunner.h"
#include "vision/RegionTracker.h"

namespace movalux {
namespace {

using test::runCli;

class TrackCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        movie = dir.path("moving.avi");
        // FFmpeg's own test picture, 40 x 40, moving 2 pixels right and 1.2
        // down a frame, encoded with B-frames as cameras do.
        const std::string cmd =
            "ffmpeg -v error -f lavfi -i color=c=0x707070:s=320x240:r=25:d=4 -f lavfi -i "
            "testsrc=s=40x40:r=25:d=4 -filter_complex \"[0][1]overlay=x='20+t*50':y='40+t*30'\" "
            "-c:v mpeg4 -bf 2 -q:v 3 -y '" + movie + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        std::ofstream(dir.path("e.txt"), std::ios::binary)
            << "\"MovaluxMovieFile96320\"\r\n\"" << movie << "\"\r\n0,99,0,99\r\n60\r\n"
            << "0,106,20,40,40,40,16,\"0\"\r\n";
    }
    // Frame -> region of the layer-1 records of an edit file.
    static std::map<int, PixelRect> regions(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::map<int, PixelRect> out;
        for (std::string s; std::getline(in, s);) {
            int frame = 0, code = 0;
            double x = 0, y = 0, w = 0, h = 0;
            if (std::sscanf(s.c_str(), "%d,%d,%lf,%lf,%lf,%lf,", &frame, &code, &x, &y, &w, &h) != 6 ||
                code != 106)
                continue;
            out[frame] = PixelRect{static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y)),
                                   static_cast<int32_t>(std::lround(w)), static_cast<int32_t>(std::lround(h))};
        }
        return out;
    }
    test::TempDir dir{"track"};
    std::string movie;
};

TEST_F(TrackCommandTest, FollowsThePictureToTheEndOfTheMovie) {
    const auto r = runCli({"track", dir.path("e.txt"), dir.path("out.txt"), "--layer", "1", "--from", "0"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("followed 99 frames, 0 to 99"), std::string::npos) << r.output;
    const auto found = regions(dir.path("out.txt"));
    ASSERT_EQ(found.size(), 100u);
    double sum = 0;
    for (const auto& [frame, box] : found) {
        // overlay places the picture at the whole pixels of its expression.
        const PixelRect truth{static_cast<int32_t>(20 + frame * 2.0),
                              static_cast<int32_t>(40 + frame * 1.2), 40, 40};
        sum += overlapRatio(box, truth);
    }
    EXPECT_GE(sum / found.size(), 0.7);
}

TEST_F(TrackCommandTest, RangesAndMistakesEndWithAMessage) {
    // Nothing lies before frame 0.
    auto r = runCli({"track", dir.path("e.txt"), dir.path("b.txt"), "--layer", "1", "--from", "0",
                     "--backward"});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("no frame lies after frame 0 towards frame 0"), std::string::npos)
        << r.output;
    r = runCli({"track", dir.path("e.txt"), dir.path("x.txt"), "--layer", "0", "--from", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("has no effect with a region at frame 0"), std::string::npos) << r.output;
    r = runCli({"track", dir.path("e.txt"), dir.path("x.txt"), "--layer", "1", "--from", "0", "--to",
                "150"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("(frames 0 to 99)"), std::string::npos) << r.output;
    EXPECT_EQ(runCli({"track", dir.path("e.txt"), dir.path("x.txt"), "--layer", "7", "--from", "0"}).status, 2);
    EXPECT_EQ(runCli({"track", dir.path("e.txt"), dir.path("x.txt"), "--from", "0"}).status, 2);
    EXPECT_EQ(runCli({"track", dir.path("e.txt"), dir.path("x.txt"), "--layer", "1", "--from", "0",
                      "--fast", "--accurate"})
                  .status,
              2);
    // Backward: from frame 60 of a followed file back to frame 50 only.
    ASSERT_EQ(runCli({"track", dir.path("e.txt"), dir.path("f.txt"), "--layer", "1", "--from", "0",
                      "--to", "60"}).status, 0);
    r = runCli({"track", dir.path("f.txt"), dir.path("g.txt"), "--layer", "1", "--from", "60",
                "--to", "50", "--backward", "--fast"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("followed 10 frames, 60 to 50"), std::string::npos) << r.output;
    EXPECT_EQ(regions(dir.path("g.txt")).size(), 61u);
    // An existing output is kept unless --force.
    std::ofstream(dir.path("keep.txt")) << "mine";
    EXPECT_EQ(runCli({"track", dir.path("e.txt"), dir.path("keep.txt"), "--layer", "1", "--from", "0"}).status, 1);
}

}  // namespace
}  // namespace movalux
