// movalux-cli check on a movie made from a real photograph with a face: the
// face is listed in every frame until an effect hides it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/CliRunner.h"
#include "support/FfmpegReference.h"

namespace movalux {
namespace {

using test::runCli;

class CheckCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string photo = test::samplePath("messi5.jpg");
        ASSERT_FALSE(photo.empty());
        movie = dir.path("face.avi");
        // The photograph panned right and down across 25 frames.
        const std::string cmd =
            "ffmpeg -v error -loop 1 -i '" + photo +
            "' -vf \"scale=548:342,pad=640:400:(ow-iw)/2:(oh-ih)/2,crop=480:300:'40+t*40':'20+t*20',"
            "format=yuv420p\" -t 1 -r 25 -c:v mpeg4 -q:v 2 -y '" + movie + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    std::string editFile(const char* name, const std::string& records) {
        const std::string path = dir.path(name);
        std::ofstream(path, std::ios::binary) << "\"MovaluxMovieFile96320\"\r\n\"" << movie
                                              << "\"\r\n0,24,0,24\r\n60\r\n" << records;
        return path;
    }
    test::TempDir dir{"check"};
    std::string movie;
};

TEST_F(CheckCommandTest, AFaceLeftUncoveredIsListedFrameByFrame) {
    const auto r = runCli({"check", editFile("plain.txt", ""), "--faces"});
    EXPECT_EQ(r.status, 3) << r.output;
    // The face moves from about (233, 102) to (194, 83) as the picture pans.
    for (const char* frame : {"frame 0:", "frame 12:", "frame 24:"})
        EXPECT_NE(r.output.find(frame), std::string::npos) << frame << '\n' << r.output;
    EXPECT_NE(r.output.find(" of 25 frames show a face"), std::string::npos) << r.output;
    // A part of the range.
    const auto part = runCli({"check", dir.path("plain.txt"), "--faces", "--from", "5", "--to", "6"});
    EXPECT_EQ(part.status, 3);
    EXPECT_EQ(part.output.find("frame 4:"), std::string::npos) << part.output;
    EXPECT_NE(part.output.find("of 2 frames show a face"), std::string::npos) << part.output;
}

TEST_F(CheckCommandTest, AMosaicOverTheFaceInEveryFrameLeavesNothing) {
    std::string records;
    for (int f = 0; f < 25; ++f) records += std::to_string(f) + ",6,150,0,200,200,16,\"0\"\r\n";
    auto r = runCli({"check", editFile("hidden.txt", records), "--faces"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("no face found in frames 0 to 24"), std::string::npos) << r.output;
    // One frame missed is one frame listed.
    records.clear();
    for (int f = 0; f < 25; ++f)
        if (f != 17) records += std::to_string(f) + ",6,150,0,200,200,16,\"0\"\r\n";
    r = runCli({"check", editFile("missed.txt", records), "--faces"});
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_NE(r.output.find("frame 17:"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("1 of 25 frames show a face"), std::string::npos) << r.output;
}

TEST_F(CheckCommandTest, MistakesEndWithAMessage) {
    const std::string e = editFile("e.txt", "");
    EXPECT_EQ(runCli({"check", e}).status, 2);
    EXPECT_EQ(runCli({"check", e, "--faces", "--plates"}).status, 2);
    auto r = runCli({"check", e, "--faces", "--to", "40"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("(frames 0 to 24)"), std::string::npos) << r.output;
    r = runCli({"check", dir.path("none.txt"), "--faces"});
    EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace movalux
