// movalux-cli testmovie and probe, run as a user runs them.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "effects/Surface.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/TestPattern.h"
#include "support/CliRunner.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;

using test::CliResult;

CliResult cli(const std::vector<std::string>& args) { return test::runCli(args); }

class MovieCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("movalux-cli-movie-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string at(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

TEST_F(MovieCommandsTest, TestMovieWritesNumberedFramesThatProbeDescribes) {
    const std::string out = at("test movie.avi");
    CliResult made =
        cli({"testmovie", out, "--size", "64x48", "--fps", "29.97", "--frames", "24", "--sound"});
    ASSERT_EQ(made.status, 0) << made.output;
    EXPECT_EQ(made.output, "");
    CliResult probe = cli({"probe", out});
    ASSERT_EQ(probe.status, 0) << probe.output;
    EXPECT_EQ(probe.output,
              "width: 64\nheight: 48\nfps: 29.97\nduration: 0.801\nframes: 24\nsound: yes\n"
              "pixel aspect: 1:1\n");
    auto movie = MovieSource::open(out);
    ASSERT_TRUE(movie);
    Surface pic(64, 48);
    for (int32_t n : {23, 0, 11}) {
        ASSERT_TRUE((*movie)->paintFrame(n, pic));
        EXPECT_EQ(readTestFrameNumber(pic), n);
    }
}

TEST_F(MovieCommandsTest, TestMovieKeepsExistingFilesAndRefusesBadArguments) {
    const std::string out = at("m.avi");
    std::ofstream(out) << "keep me";
    CliResult again = cli({"testmovie", out, "--size", "64x48", "--frames", "2"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.output.find("--force"), std::string::npos);
    EXPECT_EQ(fs::file_size(out), 7u);
    EXPECT_EQ(cli({"testmovie", out, "--size", "64x48", "--frames", "2", "--force"}).status, 0);
    EXPECT_GT(fs::file_size(out), 7u);

    EXPECT_EQ(cli({"testmovie"}).status, 2);
    EXPECT_EQ(cli({"testmovie", at("x.avi"), "--size", "64"}).status, 2);
    EXPECT_EQ(cli({"testmovie", at("x.avi"), "--frames", "0"}).status, 2);
    EXPECT_EQ(cli({"testmovie", at("x.avi"), "--fps"}).status, 2);
    EXPECT_EQ(cli({"testmovie", at("x.avi"), "--codec", "nosuchcodec"}).status, 1);
    EXPECT_FALSE(fs::exists(at("x.avi")));
    EXPECT_FALSE(fs::exists(at("x.avi.part")));
}

TEST_F(MovieCommandsTest, ProbeRefusesWhatIsNotAMovie) {
    std::ofstream(at("notes.avi")) << "not a movie";
    CliResult r = cli({"probe", at("notes.avi")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("この形式は読めません"), std::string::npos);
    EXPECT_EQ(cli({"probe", at("missing.mp4")}).status, 1);
    EXPECT_EQ(cli({"probe"}).status, 2);
    EXPECT_EQ(cli({"probe", "a", "b"}).status, 2);
}

}  // namespace
}  // namespace movalux
