// What a write puts in the movie, checked with FFmpeg's own decoder through a
// lossless encoder: frames that no layer draws over are the source's decoded
// pictures exactly (no colour conversion on the way), and frames with effects
// are the picture the frame display showed, with everything outside the
// drawn area again exactly the source's.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "editor/Editor.h"
#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/TestPattern.h"
#include "support/CliRunner.h"
#include "support/FfmpegReference.h"
#include "support/RecordingHost.h"

namespace movalux {
namespace {

constexpr int kW = 160, kH = 120, kFrames = 24;
// The mosaic's region on frames 6-11, and the margin around it that the
// drawn area may cover (inclusive edges, whole chroma pairs).
constexpr int kX = 40, kY = 60, kRW = 50, kRH = 40, kMargin = 3;

class WriteFidelityTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }

    void SetUp() override {
        ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1), 0);
        source = dir.path("source.avi");
        MovieWriterOptions o;
        o.width = kW;
        o.height = kH;
        o.fpsNum = 25;
        o.quality = 4;
        auto w = MovieWriter::create(source, o);
        ASSERT_TRUE(w) << w.error();
        Surface s(kW, kH);
        for (int n = 0; n < kFrames; ++n) {
            drawTestFrame(s, n);
            // Colour below the frame number, so that a conversion to 32-bit colour and
            // back would change pixels.
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    if (y > kH / 3 + 2)
                        s.setPixel(x, y, rgb((x * 3 + n * 5) & 255, (y * 2 + x) & 255,
                                             (x * y + n * 11) & 255));
            ASSERT_TRUE((*w)->writeFrame(s));
        }
        ASSERT_TRUE((*w)->finish());
        editor.setMovieNames(source);
        ASSERT_TRUE(editor.openMovieAndReport());
        for (int32_t f = 6; f <= 11; ++f) editor.EffArr.at(0, f) = EffRec{6, kX, kY, kRW, kRH, 8, "0"};
        // Lossless: what the movie holds is what was given to the encoder.
        host.compressorAnswer = CompressorSettings{"ffv1", 90, 15, 0};
        sourceRef = test::probeReference(source);
        std::vector<int> all;
        for (int i = 0; i < static_cast<int>(sourceRef.times.size()); ++i) all.push_back(i);
        sourcePictures = test::referencePictures(source, sourceRef, all);
    }

    // Writes frames 0..kFrames-1 at the speed and direction; the written
    // pictures as FFmpeg decodes them.
    std::map<int, std::vector<uint8_t>> write(const std::string& name, const std::string& speed,
                                              bool forward) {
        host.labels["Combo2"] = speed;
        if (forward) editor.Option7_Click();
        else editor.Option8_Click();
        editor.STFlame = 0;
        editor.ENDFlame = kFrames - 1;
        host.queueDialogPath(dir.path(name));
        EXPECT_EQ(editor.MVRec(), Editor::RecOutcome::Written) << editor.RecError;
        const test::ReferenceMovie ref = test::probeReference(dir.path(name));
        std::vector<int> all;
        for (int i = 0; i < static_cast<int>(ref.times.size()); ++i) all.push_back(i);
        return test::referencePictures(dir.path(name), ref, all);
    }

    static int32_t frameNumberOf(const std::vector<uint8_t>& bgra) {
        Surface s(kW, kH);
        std::memcpy(s.bytes(), bgra.data(), bgra.size());
        return readTestFrameNumber(s);
    }

    static bool insideDrawnArea(int x, int y) {
        return x >= kX - kMargin && x < kX + kRW + kMargin && y >= kY - kMargin &&
               y < kY + kRH + kMargin;
    }

    void checkWrite(const std::string& name, const std::string& speed, bool forward) {
        const auto written = write(name, speed, forward);
        ASSERT_FALSE(written.empty());
        int plain = 0, drawn = 0;
        for (const auto& [index, picture] : written) {
            const int32_t n = frameNumberOf(picture);
            ASSERT_GE(n, 0) << "picture " << index;
            ASSERT_TRUE(sourcePictures.count(n)) << n;
            const std::vector<uint8_t>& original = sourcePictures.at(n);
            if (n < 6 || n > 11) {
                ++plain;
                ASSERT_TRUE(picture == original) << name << ": untouched frame " << n << " changed";
                continue;
            }
            ++drawn;
            // Outside the drawn area: the source's pixels, exactly.
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    if (insideDrawnArea(x, y)) continue;
                    const size_t at = (static_cast<size_t>(y) * kW + x) * 4;
                    ASSERT_EQ(std::memcmp(&picture[at], &original[at], 3), 0)
                        << name << ": frame " << n << " at " << x << "," << y;
                }
            // Inside: what the frame display showed, within the colour
            // conversion's rounding.
            editor.CurFlame = n;
            ASSERT_EQ(editor.DspFrame2(), n);
            const Surface& shown = editor.PictMain();
            EXPECT_LT(test::meanDifference(picture.data(), shown.bytes(), kW, kH), 1.5)
                << name << ": frame " << n;
            // The mosaic itself is there: flat 8 x 8 blocks.
            const size_t a = (static_cast<size_t>(kY + 10) * kW + kX + 10) * 4;
            const size_t b = (static_cast<size_t>(kY + 12) * kW + kX + 13) * 4;
            EXPECT_LE(std::abs(int{picture[a]} - int{picture[b]}), 3) << name << ": frame " << n;
        }
        EXPECT_GT(plain, 0);
        EXPECT_GT(drawn, 0);
    }

    test::TempDir dir{"fidelity"};
    test::RecordingHost host;
    test::RecordingPanel panel;
    Editor editor{host, panel};
    std::string source;
    test::ReferenceMovie sourceRef;
    std::map<int, std::vector<uint8_t>> sourcePictures;
};

TEST_F(WriteFidelityTest, ForwardAtNormalSpeed) { checkWrite("forward.avi", "100", true); }

TEST_F(WriteFidelityTest, BackwardAtDoubleSpeed) { checkWrite("backward.avi", "200", false); }

TEST_F(WriteFidelityTest, ForwardAtHalfSpeed) { checkWrite("slow.avi", "50", true); }

}  // namespace
}  // namespace movalux
