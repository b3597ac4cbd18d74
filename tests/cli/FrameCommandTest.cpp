// movalux-cli frame: a frame of an edit file's movie with its effects.

#include <gtest/gtest.h>

#include <fstream>

#include "effects/MozaikModule1.h"
#include "media/StillImage.h"
#include "media/TestPattern.h"
#include "support/CliRunner.h"

namespace movalux {
namespace {

using test::runCli;

class FrameCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        movie = dir.path("clip.avi");
        auto made = runCli({"testmovie", movie, "--size", "160x120", "--frames", "12"});
        ASSERT_EQ(made.status, 0) << made.output;
    }
    void writeEdit(const std::string& records) {
        std::ofstream(dir.path("e.txt"), std::ios::binary)
            << "\"MovaluxMovieFile96320\"\r\n\"" << movie << "\"\r\n0,11,0,11\r\n60\r\n" << records;
    }
    test::TempDir dir{"frame"};
    std::string movie;
};

TEST_F(FrameCommandTest, ShowsTheAskedFrameWithItsLayers) {
    writeEdit("7,6,0,0,40,30,8,\"0\"\r\n");
    auto plain = runCli({"frame", dir.path("e.txt"), "6", dir.path("f6.png")});
    ASSERT_EQ(plain.status, 0) << plain.output;
    auto six = readStillImage(dir.path("f6.png"));
    ASSERT_TRUE(six);
    EXPECT_EQ(readTestFrameNumber(*six), 6);

    auto withEffect = runCli({"frame", dir.path("e.txt"), "7", dir.path("f7.png")});
    ASSERT_EQ(withEffect.status, 0) << withEffect.output;
    writeEdit("");
    ASSERT_EQ(runCli({"frame", dir.path("e.txt"), "7", dir.path("plain7.png")}).status, 0);
    auto shown = readStillImage(dir.path("f7.png"));
    auto bare = readStillImage(dir.path("plain7.png"));
    ASSERT_TRUE(shown && bare);
    mosaicInside(*bare, 0, 0, 40, 30, 8);
    EXPECT_TRUE(std::equal(shown->pixels().begin(), shown->pixels().end(), bare->pixels().begin()));
}

TEST_F(FrameCommandTest, FramesWithoutPictureOrMoviesThatAreMissingFail) {
    writeEdit("");
    auto beyond = runCli({"frame", dir.path("e.txt"), "40", dir.path("x.png")});
    EXPECT_EQ(beyond.status, 1);
    EXPECT_NE(beyond.output.find("no picture"), std::string::npos) << beyond.output;

    movie = dir.path("gone.avi");
    writeEdit("");
    auto missing = runCli({"frame", dir.path("e.txt"), "1", dir.path("x.png")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("ファイルが見つかりません"), std::string::npos) << missing.output;
    EXPECT_EQ(runCli({"frame", dir.path("e.txt"), "one", dir.path("x.png")}).status, 2);
}

}  // namespace
}  // namespace movalux
