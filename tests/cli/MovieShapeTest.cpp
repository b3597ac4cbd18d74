// Movies shown and written as players show them: turned phone movies,
// non-square pixels, odd sizes and surround sound, each made with FFmpeg's
// own tool and checked against its own decoding.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "support/CliRunner.h"
#include "support/FfmpegReference.h"

namespace movalux {
namespace {

using test::capture;
using test::runCli;

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

std::string probeStream(const std::string& path, const std::string& stream,
                        const std::string& entries) {
    return trimmed(capture("ffprobe -v error -select_streams " + stream +
                           " -show_entries stream=" + entries + " -of csv=p=0 '" + path + "'"));
}

bool run(const std::string& cmd) {
    return std::system(cmd.c_str()) == 0;
}

class MovieShapeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    void SetUp() override { ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1), 0); }

    std::string editFile(const std::string& movie, int32_t frames) {
        const std::string path = movie + ".txt";
        std::ofstream(path, std::ios::binary)
            << "\"MovaluxMovieFile96320\"\r\n\"" << movie << "\"\r\n0," << frames - 1 << ",0,"
            << frames - 1 << "\r\n60\r\n";
        return path;
    }

    // Our frame n against FFmpeg's picture n decoded with `options`.
    void expectSameAsFfmpeg(const std::string& path, int width, int height,
                            const std::vector<int>& frames, const std::string& options,
                            const std::string& inputOptions, double tolerance) {
        auto movie = MovieSource::open(path);
        ASSERT_TRUE(movie) << movie.error();
        test::ReferenceMovie ref;
        ref.width = width;
        ref.height = height;
        const auto pictures = test::referencePictures(path, ref, frames, options, inputOptions);
        Surface pic((*movie)->info().width, (*movie)->info().height);
        for (int n : frames) {
            ASSERT_TRUE((*movie)->paintFrame(n, pic));
            ASSERT_TRUE(pictures.count(n)) << n;
            EXPECT_LT(test::meanDifference(pic.bytes(), pictures.at(n).data(), width, height),
                      tolerance)
                << path << " frame " << n;
        }
    }

    test::TempDir dir{"shape"};
};

TEST_F(MovieShapeTest, TurnedAndMirroredMoviesAreShownAndWrittenUpright) {
    const std::string base = dir.path("base.mp4");
    if (!run("ffmpeg -v quiet -f lavfi -i testsrc2=size=160x90:rate=25 -frames:v 30 -c:v libx264 "
             "-pix_fmt yuv420p " +
             base))
        GTEST_SKIP() << "no H.264 encoder in FFmpeg's tool";
    struct Case {
        const char* name;
        int rotate;  // as FFmpeg's tool's metadata gives it; -1: a mirror instead
        int width, height;
    };
    for (const Case& c : {Case{"r90", 90, 90, 160}, Case{"r180", 180, 160, 90},
                          Case{"r270", 270, 90, 160}, Case{"mirror", -1, 160, 90}}) {
        SCOPED_TRACE(c.name);
        const std::string movie = dir.path(std::string(c.name) + ".mp4");
        std::string ffmpegOptions, inputOptions;
        if (c.rotate >= 0) {
            ASSERT_TRUE(run("ffmpeg -v quiet -i " + base + " -c copy -metadata:s:v:0 rotate=" +
                            std::to_string(c.rotate) + " " + movie));
        } else {
            // FFmpeg's tool cannot write a mirrored matrix: the identity in
            // the track header gets a negative first term.
            std::string bytes;
            {
                std::ifstream f(base, std::ios::binary);
                bytes.assign(std::istreambuf_iterator<char>(f), {});
            }
            const std::string identity(
                "\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                "\x00\x00\x00\x00\x00\x01\x00\x00",
                20);
            const size_t tkhd = bytes.find("tkhd");
            ASSERT_NE(tkhd, std::string::npos);
            const size_t at = bytes.find(identity, tkhd);
            ASSERT_NE(at, std::string::npos);
            bytes.replace(at, 4, std::string("\xFF\xFF\x00\x00", 4));
            std::ofstream(movie, std::ios::binary) << bytes;
            ffmpegOptions = "-vf hflip";
            inputOptions = "-noautorotate";
        }
        auto probe = runCli({"probe", movie});
        ASSERT_EQ(probe.status, 0) << probe.output;
        EXPECT_NE(probe.output.find("width: " + std::to_string(c.width) +
                                    "\nheight: " + std::to_string(c.height) + "\n"),
                  std::string::npos)
            << probe.output;
        expectSameAsFfmpeg(movie, c.width, c.height, {0, 17, 29}, ffmpegOptions, inputOptions, 1.0);

        // Written upright, with nothing left to turn.
        const std::string out = dir.path(std::string(c.name) + "-out.mp4");
        auto r = runCli({"render", editFile(movie, 30), out});
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(probeStream(out, "v:0", "width,height"),
                  std::to_string(c.width) + "," + std::to_string(c.height));
        EXPECT_EQ(trimmed(capture("ffprobe -v error -select_streams v:0 -show_entries "
                                  "stream_side_data=rotation -of csv=p=0 '" +
                                  out + "'")),
                  "");
        auto source = MovieSource::open(movie);
        auto written = MovieSource::open(out);
        ASSERT_TRUE(source && written);
        Surface a(c.width, c.height), b(c.width, c.height);
        for (int n : {0, 17}) {
            ASSERT_TRUE((*source)->paintFrame(n, a));
            ASSERT_TRUE((*written)->paintFrame(n, b));
            EXPECT_LT(test::meanDifference(a.bytes(), b.bytes(), c.width, c.height), 6) << n;
        }
    }
}

TEST_F(MovieShapeTest, NonSquarePixelsAreKeptInEveryContainer) {
    const std::string movie = dir.path("dv.mpg");
    ASSERT_TRUE(
        run("ffmpeg -v quiet -f lavfi -i testsrc2=size=720x480:rate=30000/1001 -frames:v 20 "
            "-vf setsar=32/27 -c:v mpeg2video -q:v 4 " +
            movie));
    auto probe = runCli({"probe", movie});
    EXPECT_NE(probe.output.find("pixel aspect: 32:27\n"), std::string::npos) << probe.output;
    for (const char* ext : {"avi", "mp4", "mkv"}) {
        SCOPED_TRACE(ext);
        const std::string out = dir.path(std::string("dv-out.") + ext);
        auto r = runCli({"render", editFile(movie, 20), out});
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(probeStream(out, "v:0", "width,height,sample_aspect_ratio,display_aspect_ratio"),
                  "720,480,32:27,16:9");
    }
}

TEST_F(MovieShapeTest, OddSizesAreWrittenAtTheirOwnSizeOrRefusedInWords) {
    const std::string movie = dir.path("odd.avi");
    ASSERT_EQ(runCli({"testmovie", movie, "--size", "321x241", "--frames", "12", "--sound"}).status,
              0);
    for (const char* ext : {"avi", "mp4", "mkv"}) {
        SCOPED_TRACE(ext);
        const std::string out = dir.path(std::string("odd-out.") + ext);
        auto r = runCli({"render", editFile(movie, 12), out});
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(probeStream(out, "v:0", "width,height"), "321,241");
        auto source = MovieSource::open(movie);
        auto written = MovieSource::open(out);
        ASSERT_TRUE(source && written);
        Surface a(321, 241), b(321, 241);
        ASSERT_TRUE((*source)->paintFrame(7, a));
        ASSERT_TRUE((*written)->paintFrame(7, b));
        EXPECT_LT(test::meanDifference(a.bytes(), b.bytes(), 321, 241), 6);
    }
    for (const char* codec : {"huffyuv", "utvideo", "ffv1", "mjpeg", "rawvideo"}) {
        SCOPED_TRACE(codec);
        auto r = runCli({"render", editFile(movie, 12), dir.path(std::string(codec) + ".avi"),
                         "--codec", codec, "--no-sound"});
        EXPECT_EQ(r.status, 0) << r.output;
    }
    // An encoder of 4:2:0 only says so, and the message ends its line.
    if (hasEncoder("libxvid")) {
        auto xvid =
            runCli({"render", editFile(movie, 12), dir.path("x.avi"), "--codec", "libxvid"});
        EXPECT_EQ(xvid.status, 1);
        EXPECT_NE(xvid.output.find("takes only even picture sizes (this movie is 321x241)"),
                  std::string::npos)
            << xvid.output;
        EXPECT_EQ(xvid.output.back(), '\n');
    }
}

TEST_F(MovieShapeTest, SurroundSoundKeepsItsSixChannels) {
    const std::string movie = dir.path("surround.mkv");
    ASSERT_TRUE(
        run("ffmpeg -v quiet -f lavfi -i testsrc2=size=64x48:rate=25 -f lavfi -i "
            "sine=frequency=300:sample_rate=48000 -t 2 -filter_complex "
            "\"[1:a]pan=5.1|c0=c0|c1=0.5*c0|c2=0.3*c0|c3=0.1*c0|c4=0.2*c0|c5=0.4*c0[a]\" "
            "-map 0:v -map \"[a]\" -c:v mpeg4 -c:a pcm_s16le " +
            movie));
    for (const char* ext : {"avi", "mp4", "mkv"}) {
        SCOPED_TRACE(ext);
        const std::string out = dir.path(std::string("surround-out.") + ext);
        auto r = runCli({"render", editFile(movie, 50), out});
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(probeStream(out, "a:0", "channels,channel_layout"), "6,5.1");
    }
}

}  // namespace
}  // namespace movalux
