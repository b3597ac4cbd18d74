// The pieces of movie writing: every offered encoder's AVI read back
// frame-exact, the encoder settings, the sound of a section at any speed
// (length and pitch), and the overlapped writer against the plain one.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <numeric>

#include "effects/Surface.h"
#include "media/AsyncFrameWriter.h"
#include "media/Compressors.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/SectionWriter.h"
#include "media/SoundSection.h"
#include "media/TestPattern.h"
#include "support/CliRunner.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;

class WritingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { quietMediaLog(); }

    // 64x48 at 25 frames a second with sound at 44.1 kHz, the same value in
    // both channels: value(n) for sample frame n.
    std::string soundMovie(const std::string& name, int frames,
                           const std::function<int16_t(int64_t)>& value) {
        const std::string path = dir.path(name);
        MovieWriterOptions o;
        o.width = 64;
        o.height = 48;
        o.sound = true;
        auto w = MovieWriter::create(path, o);
        EXPECT_TRUE(w) << w.error();
        Surface s(64, 48);
        std::vector<int16_t> sound;
        int64_t done = 0;
        for (int n = 0; n < frames; ++n) {
            drawTestFrame(s, n);
            EXPECT_TRUE((*w)->writeFrame(s));
            sound.clear();
            for (int i = 0; i < 1764; ++i, ++done) {
                const int16_t v = value(done);
                sound.push_back(v);
                sound.push_back(v);
            }
            EXPECT_TRUE((*w)->writeSound(sound));
        }
        EXPECT_TRUE((*w)->finish());
        return path;
    }

    // A tone of 440 Hz.
    std::string toneMovie(int frames) {
        return soundMovie("tone.avi", frames, [](int64_t n) {
            return static_cast<int16_t>(std::lround(8000 * std::sin(2 * M_PI * 440 * n / 44100.0)));
        });
    }

    // Silence with beeps of 1 kHz, 50 ms long, starting at `starts` (in
    // seconds).
    std::string beepMovie(const std::vector<double>& starts, int seconds) {
        return soundMovie("beeps.avi", seconds * 25, [&](int64_t n) {
            for (double start : starts) {
                const double into = static_cast<double>(n) / 44100.0 - start;
                if (into >= 0 && into < 0.05)
                    return static_cast<int16_t>(std::lround(8000 * std::sin(2 * M_PI * 1000 * into)));
            }
            return int16_t{0};
        });
    }

    test::TempDir dir{"writing"};
};

TEST_F(WritingTest, EveryOfferedEncoderWritesAviThatReadsBackFrameExact) {
    const auto offered = aviVideoEncoders();
    ASSERT_FALSE(offered.empty());
    EXPECT_EQ(offered.front().name, "mpeg4");
    for (const auto& c : offered) {
        EXPECT_NE(c.name, "libx265");
        SCOPED_TRACE(c.name);
        const std::string path = dir.path(c.name + ".avi");
        MovieWriterOptions o;
        o.width = 64;
        o.height = 48;
        EncoderSettings s;
        s.codec = c.name;
        s.keyInterval = 4;
        applyEncoderSettings(s, path, o);
        EXPECT_EQ(o.maxBFrames, 0);
        auto w = MovieWriter::create(path, o);
        ASSERT_TRUE(w) << w.error();
        Surface pic(64, 48);
        for (int n = 0; n < 10; ++n) {
            drawTestFrame(pic, n);
            ASSERT_TRUE((*w)->writeFrame(pic));
        }
        ASSERT_TRUE((*w)->finish());
        auto movie = MovieSource::open(path);
        ASSERT_TRUE(movie) << movie.error();
        ASSERT_EQ((*movie)->info().frameCount, 10);
        for (int n : {9, 0, 5, 6, 2}) {
            ASSERT_TRUE((*movie)->paintFrame(n, pic));
            EXPECT_EQ(readTestFrameNumber(pic), n);
        }
    }
}

TEST_F(WritingTest, SettingsBecomeEncoderOptions) {
    MovieWriterOptions o;
    EncoderSettings s;
    applyEncoderSettings(s, "/x/a.avi", o);
    EXPECT_EQ(o.videoCodec, "mpeg4");
    EXPECT_EQ(o.quality, 4);  // 31 - 90 x 0.3
    EXPECT_EQ(o.keyInterval, 15);
    EXPECT_EQ(o.bitRate, 0);
    s.quality = 0;
    s.dataRateKbps = 800;
    s.codec = "rawvideo";
    applyEncoderSettings(s, "/x/a.avi", o);
    EXPECT_EQ(o.quality, 31);
    EXPECT_EQ(o.bitRate, 800000);
    EXPECT_EQ(o.pixelFormat, "bgr24");
    // Other containers take H.264 (or MPEG-4 Part 2 without it) whatever was chosen.
    applyEncoderSettings(s, "/x/a.MKV", o);
    EXPECT_EQ(o.videoCodec, hasEncoder("libx264") ? "libx264" : "mpeg4");
    EXPECT_TRUE(o.pixelFormat.empty());
    int num = 0, den = 0;
    frameRateFraction(30000.0 / 1001, num, den);
    EXPECT_EQ(num, 30000);
    EXPECT_EQ(den, 1001);
}

TEST_F(WritingTest, TempoChainsMultiplyToTheSpeedWithinAtempoLimits) {
    for (double speed : {0.1, 0.3, 0.5, 0.75, 1.0, 1.5, 2.0, 3.0, 7.5, 10.0}) {
        const auto chain = tempoChain(speed);
        EXPECT_NEAR(std::accumulate(chain.begin(), chain.end(), 1.0, std::multiplies<>()), speed, 1e-12);
        for (double f : chain) {
            EXPECT_GE(f, 0.5);
            EXPECT_LE(f, 2.0);
        }
    }
}

TEST_F(WritingTest, SoundSectionHasTheStretchedLengthAndKeepsItsPitch) {
    const std::string movie = toneMovie(50);
    for (double speed : {0.1, 0.5, 1.0, 2.0, 10.0}) {
        SCOPED_TRACE(speed);
        auto section = SoundSection::open({movie, 0.2, 1.2, speed, 0});
        ASSERT_TRUE(section) << section.error();
        const int64_t expected = std::llround(1.0 / speed * 44100);
        EXPECT_EQ((*section)->totalFrames(), expected);
        std::vector<int16_t> all;
        for (;;) {
            auto got = (*section)->read(all, 4096);
            ASSERT_TRUE(got) << got.error();
            if (*got == 0) break;
        }
        ASSERT_EQ(static_cast<int64_t>(all.size()), expected * 2);
        // Zero crossings of the left channel over the middle of the output:
        // 880 a second for 440 Hz at any speed.
        const size_t lo = all.size() / 4 / 2 * 2, hi = all.size() * 3 / 4 / 2 * 2;
        int crossings = 0;
        for (size_t i = lo + 2; i < hi; i += 2)
            if ((all[i - 2] < 0) != (all[i] < 0)) ++crossings;
        const double seconds = static_cast<double>(hi - lo) / 2 / 44100;
        EXPECT_NEAR(crossings / seconds, 880, 880 * 0.05);
    }
    EXPECT_FALSE(SoundSection::open({dir.path("none.avi"), 0, 1, 1, 0}));
}

TEST_F(WritingTest, TheStretchsLeadPlacesBeepsWhereTheSpeedSays) {
    const std::vector<double> starts = {0.5, 1.23, 1.91, 2.64, 3.37, 4.02};
    const std::string movie = beepMovie(starts, 5);
    for (double speed : {0.5, 2.0, 4.0, 1.0}) {
        SCOPED_TRACE(speed);
        auto section = SoundSection::open({movie, 0, 5, speed, 1});
        ASSERT_TRUE(section) << section.error();
        const double lead = (*section)->leadSeconds();
        if (speed == 1.0) {
            EXPECT_EQ(lead, 0);
        }
        std::vector<int16_t> all;
        for (;;) {
            auto got = (*section)->read(all, 4096);
            ASSERT_TRUE(got) << got.error();
            if (*got == 0) break;
        }
        // Each beep's start in the output, against its place by the speed
        // alone and by the speed and the lead.
        std::vector<double> plain, led;
        size_t quiet = 44100;
        for (size_t i = 0; i < all.size(); ++i) {
            if (std::abs(static_cast<int>(all[i])) > 4000) {
                if (quiet >= static_cast<size_t>(0.3 / speed * 44100) && plain.size() < starts.size()) {
                    const double at = static_cast<double>(i) / 44100;
                    plain.push_back(std::abs(at - starts[plain.size()] / speed));
                    led.push_back(std::abs(at - (starts[led.size()] / speed - lead)));
                }
                quiet = 0;
            } else {
                ++quiet;
            }
        }
        ASSERT_EQ(led.size(), starts.size());
        const double worstPlain = *std::max_element(plain.begin(), plain.end());
        const double worstLed = *std::max_element(led.begin(), led.end());
        // Within half a frame of 30 a second, and nearer than without it.
        EXPECT_LE(worstLed, 0.015);
        if (speed != 1.0) {
            EXPECT_LT(worstLed, worstPlain);
        }
    }
}

TEST_F(WritingTest, OverlappedWriterWritesTheSameBytesAsThePlainOne) {
    MovieWriterOptions o;
    o.width = 64;
    o.height = 48;
    o.quality = 5;
    auto plain = MovieWriter::create(dir.path("plain.avi"), o);
    auto overlapped = MovieWriter::create(dir.path("async.avi"), o);
    ASSERT_TRUE(plain && overlapped);
    AsyncFrameWriter async(std::move(*overlapped), 2);
    Surface pic(64, 48), handed(64, 48);
    for (int n = 0; n < 20; ++n) {
        drawTestFrame(pic, n);
        ASSERT_TRUE((*plain)->writeFrame(pic));
        // Copied and handed over by turns, as the two ways may be mixed.
        if (n % 2 == 0) {
            ASSERT_TRUE(async.submit(pic));
        } else {
            drawTestFrame(handed, n);
            ASSERT_TRUE(async.submitSwap(handed));
            EXPECT_EQ(handed.width(), 64);
        }
    }
    ASSERT_TRUE((*plain)->finish());
    ASSERT_TRUE(async.finish());
    Surface last;
    ASSERT_TRUE(async.takeLast(last));
    EXPECT_EQ(readTestFrameNumber(last), 19);
    auto bytes = [](const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    EXPECT_EQ(bytes(dir.path("plain.avi")), bytes(dir.path("async.avi")));
}

TEST_F(WritingTest, AnAbandonedWriteLeavesNoFile) {
    MovieWriterOptions o;
    o.width = 64;
    o.height = 48;
    {
        auto w = MovieWriter::create(dir.path("gone.avi"), o);
        ASSERT_TRUE(w);
        AsyncFrameWriter async(std::move(*w));
        Surface pic(64, 48);
        ASSERT_TRUE(async.submit(pic));
    }
    EXPECT_TRUE(fs::is_empty(dir.root()));
    EXPECT_FALSE(canCreateFile(dir.path("no/such/folder/x.avi")));
    EXPECT_TRUE(canCreateFile(dir.path("x.avi")));
    EXPECT_TRUE(fs::is_empty(dir.root()));
}

}  // namespace
}  // namespace movalux
