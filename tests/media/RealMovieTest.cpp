// Movies nobody on the team made (sample movies of Debian packages) and
// damaged ones: frame n must be the picture FFmpeg's own decoder shows n /
// rate after the first picture, in any order of requests.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "support/CliRunner.h"
#include "support/FfmpegReference.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;

struct Sample {
    const char* file;
    int32_t frames;  // the movie's duration at its rate, as FFmpeg's tools give it
    const char* kind;
};

// Frame counts: ffprobe's stream duration x rate (Megamind 11.261 s at
// 23.976, tree 29.6 s at 15, the phone movie 1.517 s at 30.01, movie-hello
// 8.308 s at 29.97); base_ntsc.mpg carries timestamps on few pictures, so
// its 29 pictures at 29.97 make its length.
const Sample kSamples[] = {
    {"Megamind.avi", 270, "MPEG-4 Part 2 in AVI with packed B-frames"},
    {"tree.avi", 444, "Cinepak in AVI with empty chunks (68 pictures)"},
    {"VID_20191220_170832.mp4", 46, "phone H.264 in MP4, second picture 0.18 s late"},
    {"movie-hello.mpeg", 249, "MPEG-2 program stream with B-frames"},
    {"base_ntsc.mpg", 29, "MPEG-2 program stream, few timestamps"},
};

// Every checked frame must be FFmpeg's picture for its time, and be nearer
// to it than to the pictures either side where those differ.
void expectFramesMatchFfmpeg(const std::string& path, MovieSource& movie,
                             const std::vector<int32_t>& frames, double origin = -1) {
    test::ReferenceMovie ref = test::probeReference(path);
    if (origin >= 0) ref.origin = origin;
    ASSERT_FALSE(ref.times.empty()) << path;
    const MovieInfo& info = movie.info();
    ASSERT_EQ(ref.width, info.width);
    ASSERT_EQ(ref.height, info.height);
    const double rate = static_cast<double>(info.rateNum) / info.rateDen;
    std::vector<int> wanted;
    for (int32_t n : frames) {
        const int i = test::pictureAt(ref, n / rate);
        for (int j = std::max(0, i - 1); j <= std::min<int>(i + 1, ref.times.size() - 1); ++j)
            wanted.push_back(j);
    }
    const auto pictures = test::referencePictures(path, ref, wanted);
    Surface pic(info.width, info.height);
    for (int32_t n : frames) {
        ASSERT_TRUE(movie.paintFrame(n, pic)) << path << " frame " << n;
        const int i = test::pictureAt(ref, n / rate);
        ASSERT_TRUE(pictures.count(i)) << path << " picture " << i;
        const double own =
            test::meanDifference(pic.bytes(), pictures.at(i).data(), info.width, info.height);
        EXPECT_LT(own, 2.5) << path << " frame " << n << " (FFmpeg's picture " << i << ")";
        for (int j : {i - 1, i + 1}) {
            if (!pictures.count(j)) continue;
            const double apart = test::meanDifference(pictures.at(i).data(), pictures.at(j).data(),
                                                      info.width, info.height);
            const double other =
                test::meanDifference(pic.bytes(), pictures.at(j).data(), info.width, info.height);
            if (apart > 1) {
                EXPECT_LT(own, other) << path << " frame " << n << " looks like picture " << j;
            }
        }
    }
}

std::vector<int32_t> randomFrames(int32_t count, int how, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<int32_t> out{0, count - 1};
    std::uniform_int_distribution<int32_t> pick(0, count - 1);
    while (static_cast<int>(out.size()) < how) out.push_back(pick(rng));
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

class RealMovieTest : public ::testing::TestWithParam<Sample> {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
};

TEST_P(RealMovieTest, CountsTheFramesOfItsDurationAndShowsFfmpegsPictureForEachTime) {
    const Sample& s = GetParam();
    const std::string path = test::samplePath(s.file);
    ASSERT_FALSE(path.empty());
    auto movie = MovieSource::open(path);
    ASSERT_TRUE(movie) << s.kind << ": " << movie.error();
    EXPECT_EQ((*movie)->info().frameCount, s.frames) << s.kind;
    // Twenty frames in random order, then a sequential stretch.
    expectFramesMatchFfmpeg(path, **movie, randomFrames(s.frames, 20, 7));
    const int32_t from = s.frames / 3;
    std::vector<int32_t> run;
    for (int32_t n = from; n < std::min(s.frames, from + 12); ++n) run.push_back(n);
    const int seeks = (*movie)->seekCount();
    expectFramesMatchFfmpeg(path, **movie, run);
    EXPECT_LE((*movie)->seekCount() - seeks, 1) << "a sequential run decodes on";
}

INSTANTIATE_TEST_SUITE_P(Samples, RealMovieTest, ::testing::ValuesIn(kSamples),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                                 '_');
                             return name;
                         });

class DamagedMovieTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    test::TempDir dir{"damaged"};
};

TEST_F(DamagedMovieTest, EveryFrameOfTheDamagedSampleShowsAPictureNeverAnother) {
    // OpenCV ships this one with broken pictures in the middle.
    const std::string path = test::samplePath("Megamind_bugy.avi");
    ASSERT_FALSE(path.empty());
    auto movie = MovieSource::open(path);
    ASSERT_TRUE(movie) << movie.error();
    const int32_t count = (*movie)->info().frameCount;
    EXPECT_EQ(count, 270);
    Surface pic((*movie)->info().width, (*movie)->info().height);
    for (int32_t n : randomFrames(count, 40, 3)) EXPECT_TRUE((*movie)->paintFrame(n, pic)) << n;
    for (int32_t n = 0; n < count; ++n) ASSERT_TRUE((*movie)->paintFrame(n, pic)) << n;
}

// An H.264 movie whose first picture the decoder rejects: frames before the
// first picture that decodes show that one, and nothing later is lost.
TEST_F(DamagedMovieTest, AFirstPictureTheDecoderRejectsLosesNoLaterFrame) {
    const std::string good = dir.path("good.mp4");
    const std::string cmd =
        "ffmpeg -v quiet -f lavfi -i testsrc2=size=160x120:rate=30 -frames:v 90 "
        "-c:v libx264 -g 30 -bf 2 -pix_fmt yuv420p " +
        good;
    if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "no H.264 encoder in FFmpeg's tool";
    // The first sample is the first key frame: damage its slices, not its
    // parameter sets, so that the decoder rejects the picture.
    std::string bytes;
    {
        std::ifstream f(good, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(f), {});
    }
    const size_t mdat = bytes.find("mdat");
    ASSERT_NE(mdat, std::string::npos);
    // Past the SEI and parameter sets that x264 puts first.
    const size_t idr = bytes.find(std::string("\x65\x88", 2), mdat);
    ASSERT_NE(idr, std::string::npos);
    for (size_t i = idr + 1; i < idr + 400 && i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(0xFF);
    const std::string damaged = dir.path("damaged.mp4");
    std::ofstream(damaged, std::ios::binary) << bytes;

    auto movie = MovieSource::open(damaged);
    ASSERT_TRUE(movie) << movie.error();
    EXPECT_EQ((*movie)->info().frameCount, 90);
    Surface pic(160, 120);
    for (int32_t n : randomFrames(90, 30, 11)) EXPECT_TRUE((*movie)->paintFrame(n, pic)) << n;
    for (int32_t n = 0; n < 90; ++n) ASSERT_TRUE((*movie)->paintFrame(n, pic)) << n;
    // FFmpeg's decoder gives nothing before the second key frame, at 1 s;
    // the movie's time still starts at 0.
    expectFramesMatchFfmpeg(damaged, **movie, {45, 31, 0, 89, 60, 12, 30, 75, 29}, 0.0);
}

// Timestamp gaps made with FFmpeg's tool: the pictures of every third second
// are dropped; the frames there repeat the last picture before the gap.
TEST_F(DamagedMovieTest, GapsInTheTimestampsRepeatThePictureBeforeThem) {
    const std::string gaps = dir.path("gaps.mkv");
    const std::string cmd =
        "ffmpeg -v quiet -f lavfi -i testsrc2=size=160x120:rate=25:duration=6 "
        "-vf \"select='not(between(t,1,1.6))*not(between(t,3.2,4))'\" -fps_mode passthrough "
        "-c:v mpeg4 -q:v 3 " +
        gaps;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    auto movie = MovieSource::open(gaps);
    ASSERT_TRUE(movie) << movie.error();
    EXPECT_EQ((*movie)->info().frameCount, 150);
    std::vector<int32_t> frames{26, 30, 40, 24, 0, 85, 99, 80, 101, 149, 12};
    expectFramesMatchFfmpeg(gaps, **movie, frames);
}

// Picture times rounded up to whole milliseconds and stored in a microsecond
// time base (as some cameras and screen recorders write them), 29.97 frames a
// second: picture k is stamped up to a millisecond after k / rate, and the
// stream's length is the last picture's time plus a millisecond. Every
// picture is its own frame, the last one too.
TEST_F(DamagedMovieTest, MillisecondClocksInAFinerTimeBaseGiveEachPictureItsFrame) {
    const std::string ms = dir.path("ms.mp4");
    const std::string cmd =
        "ffmpeg -v quiet -f lavfi -i testsrc=size=160x120:rate=1000 "
        "-vf \"select='eq(n\\,0)+gt(floor(n*30/1001)\\,floor((n-1)*30/1001))'\" "
        "-vsync passthrough -frames:v 456 -c:v libx264 -bf 0 -video_track_timescale 1000000 " +
        ms;
    if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "no H.264 encoder in FFmpeg's tool";
    const test::ReferenceMovie ref = test::probeReference(ms);
    ASSERT_EQ(ref.times.size(), 456u);
    ASSERT_NEAR(ref.times[179] - ref.times[0], 5.973, 1e-6);  // due at 5.9726 s
    auto movie = MovieSource::open(ms);
    ASSERT_TRUE(movie) << movie.error();
    ASSERT_EQ((*movie)->info().frameCount, 456);
    std::vector<int> all(456);
    for (int i = 0; i < 456; ++i) all[static_cast<size_t>(i)] = i;
    const auto pictures = test::referencePictures(ms, ref, all);
    Surface pic(160, 120);
    // Neighbouring pictures of the pattern differ by about half a level on
    // average, so each frame must be nearer its own picture than either
    // neighbour.
    std::vector<int32_t> wrong;
    for (int32_t n = 0; n < 456; ++n) {
        ASSERT_TRUE((*movie)->paintFrame(n, pic)) << n;
        const double own = test::meanDifference(pic.bytes(), pictures.at(n).data(), 160, 120);
        for (int32_t m : {n - 1, n + 1})
            if (m >= 0 && m < 456 &&
                test::meanDifference(pic.bytes(), pictures.at(m).data(), 160, 120) <= own) {
                wrong.push_back(n);
                break;
            }
    }
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " frames show another picture, the first "
                               << (wrong.empty() ? -1 : wrong[0]);
}

}  // namespace
}  // namespace movalux
