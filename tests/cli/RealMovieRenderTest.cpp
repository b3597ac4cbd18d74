// movalux-cli on movies nobody on the team made: probe counts the frames of
// the movie's duration, render writes every one of them with sound as long
// as the picture, and a movie it cannot write whole is never reported as
// written.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "media/MediaLog.h"
#include "media/SectionWriter.h"
#include "support/CliRunner.h"
#include "support/FfmpegReference.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;
using test::capture;
using test::runCli;

// Pictures in the written movie, as FFmpeg's tool counts them.
int writtenPictures(const std::string& path) {
    return std::atoi(capture("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                             "stream=nb_read_packets -of csv=p=0 '" +
                             path + "'")
                         .c_str());
}

class RealMovieRenderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    void SetUp() override { ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1), 0); }

    // An edit file of the whole movie without effects.
    std::string editFile(const std::string& movie, int32_t frames) {
        const std::string path = dir.path(fs::path(movie).stem().string() + ".txt");
        std::ofstream(path, std::ios::binary)
            << "\"MovaluxMovieFile96320\"\r\n\"" << movie << "\"\r\n0," << frames - 1 << ",0,"
            << frames - 1 << "\r\n60\r\n";
        return path;
    }

    test::TempDir dir{"realrender"};
};

TEST_F(RealMovieRenderTest, EverySampleProbesAndRendersAllItsFramesWithSoundAsLongAsThePicture) {
    struct Case {
        const char* file;
        int32_t frames;
        bool sound;
    };
    for (const Case& c :
         {Case{"Megamind.avi", 270, true}, Case{"tree.avi", 444, false},
          Case{"VID_20191220_170832.mp4", 46, true}, Case{"movie-hello.mpeg", 249, true}}) {
        SCOPED_TRACE(c.file);
        const std::string movie = test::samplePath(c.file);
        ASSERT_FALSE(movie.empty());
        auto probe = runCli({"probe", movie});
        ASSERT_EQ(probe.status, 0) << probe.output;
        EXPECT_NE(probe.output.find("frames: " + std::to_string(c.frames) + "\n"),
                  std::string::npos)
            << probe.output;
        const std::string out = dir.path(fs::path(movie).stem().string() + "-out.avi");
        auto r = runCli({"render", editFile(movie, c.frames), out});
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(writtenPictures(out), c.frames);
        auto sound = measureSound(out);
        if (c.sound) {
            ASSERT_TRUE(sound) << sound.error();
            const double rate = c.frames == 270 ? 24000.0 / 1001 : c.frames == 444 ? 15 : 30;
            EXPECT_NEAR(sound->seconds(), c.frames / rate, 1.0 / rate);
        }
    }
}

TEST_F(RealMovieRenderTest, ADamagedMovieRendersWholeOrFailsSayingHowFarItGot) {
    const std::string sample = test::samplePath("Megamind.avi");
    ASSERT_FALSE(sample.empty());
    std::string bytes;
    {
        std::ifstream f(sample, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(f), {});
    }
    // Flipped bytes in the middle, and a stretch cut out of the middle.
    std::string flipped = bytes;
    std::mt19937 rng(17);
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 3000; ++i)
        flipped[i] = static_cast<char>(rng());
    std::string cut = bytes.substr(0, bytes.size() / 2) + bytes.substr(bytes.size() / 2 + 20000);
    for (const auto& [name, data] :
         {std::pair{"flipped.avi", flipped}, std::pair{"cut.avi", cut}}) {
        SCOPED_TRACE(name);
        const std::string movie = dir.path(name);
        std::ofstream(movie, std::ios::binary) << data;
        auto probe = runCli({"probe", movie});
        ASSERT_EQ(probe.status, 0) << probe.output;
        const auto at = probe.output.find("frames: ");
        ASSERT_NE(at, std::string::npos);
        const int32_t frames = std::atoi(probe.output.c_str() + at + 8);
        ASSERT_GT(frames, 100);
        const std::string out = dir.path(std::string(name) + "-out.avi");
        auto r = runCli({"render", editFile(movie, frames), out, "--no-sound"});
        if (r.status == 0) {
            EXPECT_EQ(writtenPictures(out), frames) << r.output;
        } else {
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.output.find(" of " + std::to_string(frames) + " frames"), std::string::npos)
                << r.output;
            EXPECT_FALSE(fs::exists(out));
        }
    }
}

TEST_F(RealMovieRenderTest, FramesTheMovieDoesNotHaveFailTheWriteAndKeepNothing) {
    const std::string movie = dir.path("short.avi");
    ASSERT_EQ(runCli({"testmovie", movie, "--size", "64x48", "--frames", "12"}).status, 0);
    // The edit file promises 20 frames; the movie ends after 12.
    const std::string edit = dir.path("e.txt");
    std::ofstream(edit, std::ios::binary)
        << "\"MovaluxMovieFile96320\"\r\n\"" << movie << "\"\r\n8,19,0,19\r\n60\r\n";
    const std::string out = dir.path("out.avi");
    auto r = runCli({"render", edit, out, "--no-sound"});
    EXPECT_EQ(r.status, 1) << r.output;
    // Checked against the movie itself before anything is written.
    EXPECT_NE(r.output.find("has frames 0 to 11 only: frames 12 to 19 are not in it"),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(out));
    for (const auto& entry : fs::directory_iterator(dir.root()))
        EXPECT_EQ(entry.path().filename().string().rfind(".out.avi", 0), std::string::npos)
            << entry.path();
}

}  // namespace
}  // namespace movalux
