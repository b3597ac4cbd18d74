// The movie source: every frame exactly the one asked for, in any order, for
// the codecs and containers whose reordering and seeking differ.

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/TestPattern.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;

class MovieSourceTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("movalux-media-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string makeMovie(const std::string& name, MovieWriterOptions o, int frames) {
        const std::string path = (dir / name).string();
        if (o.width == 0) {
            o.width = 64;
            o.height = 48;
        }
        auto w = MovieWriter::create(path, o);
        EXPECT_TRUE(w) << w.error();
        if (!w) return path;
        Surface s(o.width, o.height);
        std::vector<int16_t> tone(static_cast<size_t>(2 * o.sampleRate * o.fpsDen / o.fpsNum),
                                  1000);
        for (int n = 0; n < frames; ++n) {
            drawTestFrame(s, n);
            EXPECT_TRUE((*w)->writeFrame(s));
            if (o.sound) {
                EXPECT_TRUE((*w)->writeSound(tone));
            }
        }
        EXPECT_TRUE((*w)->finish());
        return path;
    }

    // Every frame in a shuffled order, then some backward and sequential
    // runs: each must be exactly the frame asked for.
    void expectExactFrames(const std::string& path, int frames) {
        auto movie = MovieSource::open(path);
        ASSERT_TRUE(movie) << movie.error();
        MovieSource& m = **movie;
        ASSERT_TRUE(m.info().hasVideo);
        ASSERT_EQ(m.info().frameCount, frames);
        Surface pic(m.info().width, m.info().height);
        std::vector<int32_t> order(static_cast<size_t>(frames));
        for (int i = 0; i < frames; ++i) order[static_cast<size_t>(i)] = i;
        std::mt19937 rng(1234);
        std::shuffle(order.begin(), order.end(), rng);
        for (int32_t n : order) {
            ASSERT_TRUE(m.paintFrame(n, pic)) << path << " frame " << n;
            ASSERT_EQ(readTestFrameNumber(pic), n) << path;
        }
        // Backwards, then forwards through a key frame.
        for (int32_t n = frames - 1; n >= frames - 8; --n) {
            ASSERT_TRUE(m.paintFrame(n, pic));
            ASSERT_EQ(readTestFrameNumber(pic), n) << path;
        }
        const int seeksBefore = m.seekCount();
        for (int32_t n = 0; n < frames; ++n) {
            ASSERT_TRUE(m.paintFrame(n, pic));
            ASSERT_EQ(readTestFrameNumber(pic), n) << path;
        }
        // A sequential run seeks once, to its start.
        EXPECT_LE(m.seekCount() - seeksBefore, 1) << path;
    }

    fs::path dir;
};

TEST_F(MovieSourceTest, Mpeg4InAviWithBFramesGivesExactFrames) {
    MovieWriterOptions o;
    o.videoCodec = "mpeg4";
    o.maxBFrames = 2;
    o.keyInterval = 12;
    o.quality = 3;
    expectExactFrames(makeMovie("m4.avi", o, 60), 60);
}

TEST_F(MovieSourceTest, H264InMp4WithBFramesAndLongKeyIntervalGivesExactFrames) {
    if (!hasEncoder("libx264")) GTEST_SKIP() << "no H.264 encoder in this FFmpeg";
    MovieWriterOptions o;
    o.videoCodec = "libx264";
    o.maxBFrames = 3;
    o.keyInterval = 100;
    expectExactFrames(makeMovie("h.mp4", o, 150), 150);
}

TEST_F(MovieSourceTest, H264InMkvWithOpenGopsGivesExactFrames) {
    if (!hasEncoder("libx264")) GTEST_SKIP() << "no H.264 encoder in this FFmpeg";
    MovieWriterOptions o;
    o.videoCodec = "libx264";
    o.maxBFrames = 3;
    o.keyInterval = 15;
    o.openGop = true;
    expectExactFrames(makeMovie("h.mkv", o, 70), 70);
}

TEST_F(MovieSourceTest, Mpeg2ProgramStreamWithBFramesGivesExactFrames) {
    MovieWriterOptions o;
    o.videoCodec = "mpeg2video";
    o.maxBFrames = 2;
    o.keyInterval = 12;
    o.quality = 3;
    expectExactFrames(makeMovie("m2.mpg", o, 50), 50);
}

TEST_F(MovieSourceTest, OtherContainersGiveExactFrames) {
    MovieWriterOptions wmv;
    wmv.keyInterval = 10;
    wmv.quality = 3;
    expectExactFrames(makeMovie("w.wmv", wmv, 30), 30);
    if (hasEncoder("libvpx")) {
        MovieWriterOptions webm;
        webm.keyInterval = 10;
        expectExactFrames(makeMovie("v.webm", webm, 30), 30);
    }
    MovieWriterOptions mov;
    mov.videoCodec = "mpeg4";
    mov.maxBFrames = 2;
    mov.quality = 3;
    expectExactFrames(makeMovie("m.mov", mov, 30), 30);
}

// A small AVI with B-frames, the movie most of the cases below start from.
MovieWriterOptions aviOptions() {
    MovieWriterOptions o;
    o.videoCodec = "mpeg4";
    o.maxBFrames = 2;
    o.keyInterval = 12;
    o.quality = 3;
    return o;
}

void truncateFile(const std::string& path, uintmax_t size) {
    fs::resize_file(path, size);
}

TEST_F(MovieSourceTest, ReportsSizeRateLengthAndSound) {
    MovieWriterOptions o = aviOptions();
    o.fpsNum = 30000;
    o.fpsDen = 1001;
    o.sound = true;
    auto movie = MovieSource::open(makeMovie("ntsc.avi", o, 45));
    ASSERT_TRUE(movie) << movie.error();
    const MovieInfo& info = (*movie)->info();
    EXPECT_TRUE(info.hasVideo);
    EXPECT_TRUE(info.hasSound);
    EXPECT_EQ(info.width, 64);
    EXPECT_EQ(info.height, 48);
    EXPECT_NEAR(info.frameRate, 29.97003, 1e-4);
    EXPECT_EQ(info.frameCount, 45);
    EXPECT_NEAR(info.duration, 45 / (30000.0 / 1001), 1e-6);

    auto silent = MovieSource::open(makeMovie("silent.avi", aviOptions(), 5));
    ASSERT_TRUE(silent);
    EXPECT_FALSE((*silent)->info().hasSound);
}

TEST_F(MovieSourceTest, FramesOutsideTheMovieAnswerNoPictureAndLeaveThePicture) {
    auto movie = MovieSource::open(makeMovie("a.avi", aviOptions(), 20));
    ASSERT_TRUE(movie);
    MovieSource& m = **movie;
    Surface pic(64, 48);
    ASSERT_TRUE(m.paintFrame(19, pic));
    const Surface before = pic;
    EXPECT_FALSE(m.paintFrame(20, pic));
    EXPECT_FALSE(m.paintFrame(-1, pic));
    EXPECT_FALSE(m.paintFrame(INT32_MAX, pic));
    EXPECT_TRUE(std::equal(before.pixels().begin(), before.pixels().end(), pic.pixels().begin()));
    // The source still answers afterwards.
    ASSERT_TRUE(m.paintFrame(3, pic));
    EXPECT_EQ(readTestFrameNumber(pic), 3);
}

TEST_F(MovieSourceTest, ARequestThatCannotFinishInTimeAnswersNoPicture) {
    auto movie = MovieSource::open(makeMovie("a.avi", aviOptions(), 30));
    ASSERT_TRUE(movie);
    MovieSource& m = **movie;
    Surface pic(64, 48);
    m.setRequestTimeout(std::chrono::milliseconds(-1));
    EXPECT_FALSE(m.paintFrame(25, pic));
    m.setRequestTimeout(std::chrono::milliseconds(1000));
    ASSERT_TRUE(m.paintFrame(25, pic));
    EXPECT_EQ(readTestFrameNumber(pic), 25);
}

TEST_F(MovieSourceTest, FilesThatAreNotUsableMoviesAreRefusedOrOpenWithoutVideo) {
    // Not a movie at all.
    const std::string text = (dir / "notes.avi").string();
    std::ofstream(text) << "this is not a movie\n";
    EXPECT_FALSE(MovieSource::open(text));
    EXPECT_FALSE(MovieSource::open((dir / "missing.avi").string()));
    EXPECT_FALSE(MovieSource::open(dir.string()));

    // An MP4 cut short loses its index at the end of the file.
    if (hasEncoder("libx264")) {
        MovieWriterOptions o;
        o.videoCodec = "libx264";
        const std::string mp4 = makeMovie("cut.mp4", o, 20);
        truncateFile(mp4, fs::file_size(mp4) / 2);
        EXPECT_FALSE(MovieSource::open(mp4));
    }
    // An AVI cut inside its first picture has no picture to show.
    const std::string avi = makeMovie("cut.avi", aviOptions(), 20);
    auto whole = MovieSource::open(avi);
    ASSERT_TRUE(whole);
    truncateFile(avi, 5000);
    EXPECT_FALSE(MovieSource::open(avi));

    // Sound only: opens, and says there is no video.
    const std::string wav = (dir / "tone.avi").string();
    {
        std::ofstream f(wav, std::ios::binary);
        const uint32_t dataBytes = 44100 * 2;
        auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
        f.write("RIFF", 4);
        u32(36 + dataBytes);
        f.write("WAVEfmt ", 8);
        u32(16);
        u16(1);
        u16(1);
        u32(44100);
        u32(88200);
        u16(2);
        u16(16);
        f.write("data", 4);
        u32(dataBytes);
        std::vector<char> silence(dataBytes, 0);
        f.write(silence.data(), static_cast<std::streamsize>(silence.size()));
    }
    auto sound = MovieSource::open(wav);
    ASSERT_TRUE(sound) << sound.error();
    EXPECT_FALSE((*sound)->info().hasVideo);
    EXPECT_TRUE((*sound)->info().hasSound);
    Surface pic(64, 48);
    EXPECT_FALSE((*sound)->paintFrame(0, pic));
}

TEST_F(MovieSourceTest, AMovieCutShortGivesItsFramesAndNothingBeyond) {
    const std::string avi = makeMovie("half.avi", aviOptions(), 40);
    truncateFile(avi, fs::file_size(avi) * 2 / 3);
    auto movie = MovieSource::open(avi);
    ASSERT_TRUE(movie) << movie.error();
    MovieSource& m = **movie;
    const int32_t count = m.info().frameCount;
    ASSERT_GT(count, 5);
    ASSERT_LT(count, 40);
    Surface pic(64, 48);
    for (int32_t n : {3, 0, count - 3, 1}) {
        ASSERT_TRUE(m.paintFrame(n, pic)) << n;
        EXPECT_EQ(readTestFrameNumber(pic), n);
    }
    for (int32_t n = count; n < 40; ++n) EXPECT_FALSE(m.paintFrame(n, pic));
}

TEST_F(MovieSourceTest, DamagedBytesInTheStreamNeverCrashAndFramesBeforeThemStayExact) {
    const std::string avi = makeMovie("damaged.avi", aviOptions(), 48);
    const auto size = fs::file_size(avi);
    {
        std::fstream f(avi, std::ios::in | std::ios::out | std::ios::binary);
        std::mt19937 rng(99);
        f.seekp(static_cast<std::streamoff>(size * 3 / 4));
        for (int i = 0; i < 600; ++i) f.put(static_cast<char>(rng()));
    }
    auto movie = MovieSource::open(avi);
    ASSERT_TRUE(movie) << movie.error();
    MovieSource& m = **movie;
    Surface pic(64, 48);
    std::vector<int32_t> order;
    for (int32_t n = 0; n < 48; ++n) order.push_back(n);
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    for (int32_t n : order) {
        // A picture or none; a picture is never the wrong frame's.
        if (m.paintFrame(n, pic) && n < 24) {
            EXPECT_EQ(readTestFrameNumber(pic), n);
        }
    }
    for (int32_t n = 0; n < 24; ++n) {
        ASSERT_TRUE(m.paintFrame(n, pic)) << n;
        EXPECT_EQ(readTestFrameNumber(pic), n);
    }
}

TEST_F(MovieSourceTest, RepeatedPicturesInAnIntraOnlyAviAreStillFound) {
    // Runs of five identical frames: their packets have the same bytes.
    const std::string path = (dir / "still.avi").string();
    MovieWriterOptions o;
    o.width = 64;
    o.height = 48;
    o.videoCodec = "mjpeg";
    o.quality = 3;
    auto w = MovieWriter::create(path, o);
    ASSERT_TRUE(w) << w.error();
    Surface s(64, 48);
    for (int n = 0; n < 30; ++n) {
        drawTestFrame(s, n / 5 * 5);
        ASSERT_TRUE((*w)->writeFrame(s));
    }
    ASSERT_TRUE((*w)->finish());
    auto movie = MovieSource::open(path);
    ASSERT_TRUE(movie) << movie.error();
    Surface pic(64, 48);
    for (int32_t n : {12, 27, 3, 14, 0, 29, 16}) {
        ASSERT_TRUE((*movie)->paintFrame(n, pic)) << n;
        EXPECT_EQ(readTestFrameNumber(pic), n / 5 * 5);
    }
}

}  // namespace
}  // namespace movalux
