// Following a region: a textured patch moved along known paths over a
// textured background, followed frame by frame through the editor.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "support/EditorFixture.h"
#include "vision/RegionTracker.h"

namespace movalux {
namespace {

constexpr int kWidth = 320, kHeight = 240, kPatch = 40, kFrames = 300;

uint32_t noise(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// A patch of coloured 5-pixel blocks moving over a quieter background of
// grey blocks; the patch is clipped where it leaves the picture.
class MovingPatch : public FrameSource {
  public:
    using Path = std::function<std::pair<double, double>(int32_t)>;
    explicit MovingPatch(Path path) : path_(std::move(path)) {
        uint32_t s = 7;
        background_ = Surface(kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                if (x % 8 == 0 && y % 8 == 0) level_ = 100 + static_cast<int>(noise(s) % 40);
                const int v = level_ + ((x / 8 + y / 8) % 2) * 6;
                background_.setPixel(x, y, rgb(v, v, v));
            }
        patch_ = Surface(kPatch, kPatch);
        for (int by = 0; by < kPatch; by += 5)
            for (int bx = 0; bx < kPatch; bx += 5) {
                const uint32_t c = rgb(noise(s) & 255, noise(s) & 255, noise(s) & 255);
                for (int y = by; y < by + 5; ++y)
                    for (int x = bx; x < bx + 5; ++x) patch_.setPixel(x, y, c);
            }
    }
    PixelRect truth(int32_t frame) const {
        const auto [x, y] = path_(frame);
        return PixelRect{static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y)),
                         kPatch, kPatch};
    }
    bool fullyVisible(int32_t frame) const {
        const PixelRect r = truth(frame);
        return r.x >= 0 && r.y >= 0 && r.x + r.w <= kWidth && r.y + r.h <= kHeight;
    }
    bool paintFrame(int32_t frame, Surface& target) override {
        if (frame < 0 || frame >= kFrames) return false;
        target.assign(background_);
        const PixelRect r = truth(frame);
        for (int y = 0; y < kPatch; ++y)
            for (int x = 0; x < kPatch; ++x) {
                const int px = r.x + x, py = r.y + y;
                if (px >= 0 && py >= 0 && px < kWidth && py < kHeight)
                    target.setPixel(px, py, patch_.pixel(x, y));
            }
        return true;
    }

  private:
    Path path_;
    Surface background_, patch_;
    int level_ = 120;
};

class FollowTest : public test::EditorTest {
  protected:
    void startOn(MovingPatch& movie, int32_t frame, int layer = 0) {
        openPicture(Surface(kWidth, kHeight), kFrames - 1);
        editor.setFrameSource(&movie);
        editor.RangeST = 0;
        editor.RangeEND = kFrames - 1;
        const PixelRect r = movie.truth(frame);
        editor.EffArr.at(layer, frame) = EffRec{kouka::kMosaic,
                                                static_cast<float>(r.x),
                                                static_cast<float>(r.y),
                                                static_cast<float>(r.w),
                                                static_cast<float>(r.h),
                                                16,
                                                "0"};
    }
    PixelRect stored(int layer, int32_t frame) {
        const EffRec& r = std::as_const(editor.EffArr).at(layer, frame);
        return PixelRect{static_cast<int32_t>(std::lround(std::min(r.X, r.X + r.W))),
                         static_cast<int32_t>(std::lround(std::min(r.Y, r.Y + r.H))),
                         static_cast<int32_t>(std::lround(std::abs(r.W))),
                         static_cast<int32_t>(std::lround(std::abs(r.H)))};
    }
    // The mean overlap with the truth over the frames where the patch is
    // whole; every such frame must have been followed.
    double meanOverlap(const MovingPatch& movie, const Editor::FollowResult& r, int32_t from) {
        double sum = 0;
        int n = 0;
        for (int32_t f = from; f < kFrames; ++f) {
            if (!movie.fullyVisible(f)) break;
            EXPECT_TRUE(std::as_const(editor.EffArr).at(0, f).hasEffect()) << "frame " << f;
            sum += overlapRatio(stored(0, f), movie.truth(f));
            ++n;
        }
        EXPECT_GT(n, 0);
        (void)r;
        return n > 0 ? sum / n : 0;
    }
};

TEST_F(FollowTest, StraightCurvedAndAcceleratingPathsAreFollowedToTheEnd) {
    const std::pair<const char*, MovingPatch::Path> paths[] = {
        {"straight",
         [](int32_t f) {
             return std::pair{10 + f * 0.8, 30 + f * 0.5};
         }},
        {"curved",
         [](int32_t f) {
             const double a = 2 * M_PI * f / kFrames;
             return std::pair{120 + 70 * std::cos(a), 80 + 60 * std::sin(a)};
         }},
        {"accelerating",
         [](int32_t f) {
             return std::pair{10 + 0.0025 * f * f, 100.0};
         }},
    };
    // Each tracker alone, and the default hand-over, keep the content.
    using With = Editor::FollowWith;
    for (const With with : {With::Accurate, With::Fast, With::FastThenAccurate})
        for (const auto& [name, path] : paths) {
            SCOPED_TRACE(name);
            SCOPED_TRACE(static_cast<int>(with));
            MovingPatch movie(path);
            startOn(movie, 0);
            const Editor::FollowResult r = editor.followRegion(0, 0, kFrames - 1, with);
            EXPECT_EQ(r.why, Editor::FollowStop::ReachedEnd);
            EXPECT_EQ(r.followed, kFrames - 1);
            EXPECT_EQ(r.lastFrame, kFrames - 1);
            EXPECT_EQ(editor.CurFlame, kFrames - 1);
            EXPECT_GE(meanOverlap(movie, r, 0), 0.7);
            // Every copy is the start record's effect, level and text.
            const EffRec& last = std::as_const(editor.EffArr).at(0, kFrames - 1);
            EXPECT_EQ(last.Kind, kouka::kMosaic);
            EXPECT_EQ(last.Param, 16);
            EXPECT_EQ(last.Text, "0");
        }
}

TEST_F(FollowTest, APatchLeavingThePictureIsFollowedWhileWholeAndThenLost) {
    MovingPatch movie([](int32_t f) { return std::pair{150 + f * 0.9, 90.0}; });
    startOn(movie, 0);
    const Editor::FollowResult r = editor.followRegion(0, 0, kFrames - 1);
    // Whole until frame 144; gone entirely from frame 189.
    EXPECT_GE(r.lastFrame, 144);
    EXPECT_GE(meanOverlap(movie, r, 0), 0.7);
    if (r.why == Editor::FollowStop::Lost) {
        EXPECT_GT(r.stoppedAt, 144);
        EXPECT_LE(r.stoppedAt, 190);
        EXPECT_FALSE(std::as_const(editor.EffArr).at(0, r.stoppedAt).hasEffect());
    }
}

TEST_F(FollowTest, BackwardFollowingAndOneUndoStep) {
    MovingPatch movie([](int32_t f) { return std::pair{10 + f * 0.8, 30 + f * 0.5}; });
    startOn(movie, kFrames - 1, 2);
    // Drawn right to left: the copies keep the record's own direction.
    EffRec& start = editor.EffArr.at(2, kFrames - 1);
    start.X += start.W;
    start.W = -start.W;
    const Editor::FollowResult r = editor.followRegion(2, kFrames - 1, 100);
    EXPECT_EQ(r.why, Editor::FollowStop::ReachedEnd);
    EXPECT_EQ(r.followed, kFrames - 1 - 100);
    EXPECT_EQ(r.lastFrame, 100);
    EXPECT_LT(std::as_const(editor.EffArr).at(2, 150).W, 0);
    EXPECT_GE(overlapRatio(stored(2, 150), movie.truth(150)), 0.6);
    EXPECT_FALSE(std::as_const(editor.EffArr).at(2, 99).hasEffect());
    EXPECT_EQ(editor.EdSaved, kFalse);
    // One undo step takes every copy away.
    editor.GoUndo();
    EXPECT_FALSE(std::as_const(editor.EffArr).at(2, 150).hasEffect());
    EXPECT_TRUE(std::as_const(editor.EffArr).at(2, kFrames - 1).hasEffect());
}

TEST_F(FollowTest, NothingToFollowChangesNothing) {
    MovingPatch movie([](int32_t f) { return std::pair{10 + f * 0.8, 30.0}; });
    startOn(movie, 0);
    // An empty layer, a region too small to follow, a frame outside.
    EXPECT_EQ(editor.followRegion(1, 0, 50).why, Editor::FollowStop::NoRecord);
    editor.EffArr.at(0, 0).W = 2;
    EXPECT_EQ(editor.followRegion(0, 0, 50).why, Editor::FollowStop::NoRecord);
    editor.EffArr.at(0, 0).W = std::nanf("");
    EXPECT_EQ(editor.followRegion(0, 0, 50).why, Editor::FollowStop::NoRecord);
    EXPECT_EQ(editor.followRegion(0, kFrames + 5, 50).followed, 0);
    EXPECT_FALSE(std::as_const(editor.EffArr).at(0, 1).hasEffect());
    EXPECT_EQ(editor.EdSaved, kTrue);
}

TEST(OverlapRatio, IsTheIntersectionOverTheUnion) {
    EXPECT_DOUBLE_EQ(overlapRatio({0, 0, 10, 10}, {0, 0, 10, 10}), 1.0);
    EXPECT_DOUBLE_EQ(overlapRatio({0, 0, 10, 10}, {5, 0, 10, 10}), 50.0 / 150.0);
    EXPECT_DOUBLE_EQ(overlapRatio({0, 0, 10, 10}, {20, 20, 5, 5}), 0.0);
    EXPECT_DOUBLE_EQ(overlapRatio({0, 0, 0, 0}, {0, 0, 0, 0}), 0.0);
}

}  // namespace
}  // namespace movalux
namespace movalux {
namespace {

// A jump of 25 pixels in one frame (a shaken camera) is more than the fast
// tracker searches: it loses the patch, and the accurate one takes over
// from the frame before and keeps it to the end.
TEST_F(FollowTest, TheAccurateTrackerTakesOverWhereTheFastOneLosesTheContent) {
    const MovingPatch::Path shaken = [](int32_t f) {
        return std::pair{60.0 + (f >= 100 ? 25 : 0) + f * 0.2, 80.0 + (f >= 100 ? 12 : 0)};
    };
    MovingPatch movie(shaken);
    startOn(movie, 0);
    Editor::FollowResult r = editor.followRegion(0, 0, 150, Editor::FollowWith::Fast);
    EXPECT_EQ(r.why, Editor::FollowStop::Lost);
    EXPECT_EQ(r.stoppedAt, 100);
    editor.GoUndo();
    r = editor.followRegion(0, 0, 150);
    EXPECT_EQ(r.why, Editor::FollowStop::ReachedEnd);
    EXPECT_EQ(r.lastFrame, 150);
    for (int32_t f : {99, 100, 101, 150})
        EXPECT_GE(overlapRatio(stored(0, f), movie.truth(f)), 0.7) << "frame " << f;
}

}  // namespace
}  // namespace movalux
