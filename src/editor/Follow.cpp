// Following a region: the record of one frame carried onto the next frames
// with its region moved along with what it covers.

#include <algorithm>
#include <cmath>

#include "editor/Editor.h"
#include "media/FrameSource.h"
#include "media/MovieSource.h"

namespace movalux {

namespace {

constexpr uint32_t kShowEveryMs = 100;

// The record's region as a rectangle of positive size (a region may have
// been drawn right to left or bottom to top).
PixelRect regionOf(const EffRec& r) {
    const float x0 = std::min(r.X, r.X + r.W), y0 = std::min(r.Y, r.Y + r.H);
    return PixelRect{static_cast<int32_t>(std::lround(x0)), static_cast<int32_t>(std::lround(y0)),
                     static_cast<int32_t>(std::lround(std::abs(r.W))),
                     static_cast<int32_t>(std::lround(std::abs(r.H)))};
}

}  // namespace

Editor::FollowResult Editor::followRegion(int layer, int32_t from, int32_t to, FollowWith with) {
    FollowResult result;
    if (MvOpen != kTrue || frameSource_ == nullptr || layer < 0 ||
        layer >= EffTimeline::kShownLayers || !EffArr.contains(layer, from))
        return result;
    const EffRec start = std::as_const(EffArr).at(layer, from);
    const PixelRect startBox = regionOf(start);
    if (!start.hasEffect() || !std::isfinite(start.X) || !std::isfinite(start.Y) ||
        !std::isfinite(start.W) || !std::isfinite(start.H) || startBox.w < 4 || startBox.h < 4)
        return result;
    to = std::clamp(to, 0, std::max(0, EffArr.frameCount() - 1));
    const int32_t step = to >= from ? 1 : -1;

    Surface picture(pictMain_.width(), pictMain_.height());
    const auto read = [&](int32_t frame) { return paintTimelineFrame(frame, picture); };
    result.why = FollowStop::NoPicture;
    if (!read(from)) {
        result.stoppedAt = from;
        return result;
    }
    std::unique_ptr<RegionTracker> tracker = RegionTracker::create(
        with == FollowWith::Accurate ? RegionTracker::Kind::Accurate : RegionTracker::Kind::Fast);
    bool mayHandOver = with == FollowWith::FastThenAccurate;
    PixelRect lastBox = startBox;
    if (!tracker->start(picture, startBox)) {
        result.why = FollowStop::NoRecord;
        return result;
    }

    // The undo step is of the selected layer: the followed one becomes it.
    SelLay = static_cast<int16_t>(layer);
    takeUndoStep(undocode::kEffects);
    // As while writing: only the pause button stays on, and the window
    // shows how far it got.
    beginFrameJob();
    result.why = FollowStop::ReachedEnd;
    const uint32_t startMs = host_.timeGetTime();
    uint32_t shownMs = startMs;
    for (int32_t f = from + step; step > 0 ? f <= to : f >= to; f += step) {
        if (Idle) {
            result.why = FollowStop::Paused;
            result.stoppedAt = f;
            break;
        }
        if (!read(f)) {
            result.why = FollowStop::NoPicture;
            result.stoppedAt = f;
            break;
        }
        std::optional<PixelRect> box = tracker->follow(picture);
        if (!box && mayHandOver) {
            // The fast tracker gives up sooner on content that turns,
            // blurs or changes its look: the accurate one learns it again
            // in the frame before and goes on from there.
            mayHandOver = false;
            tracker = RegionTracker::create(RegionTracker::Kind::Accurate);
            if (read(f - step) && tracker->start(picture, lastBox) && read(f))
                box = tracker->follow(picture);
        }
        if (!box) {
            result.why = FollowStop::Lost;
            result.stoppedAt = f;
            break;
        }
        // The record keeps its own corner and direction; its size follows a
        // tracker that reports the content growing or shrinking.
        EffRec r = start;
        const float sx = static_cast<float>(box->w) / static_cast<float>(startBox.w);
        const float sy = static_cast<float>(box->h) / static_cast<float>(startBox.h);
        r.W = start.W * sx;
        r.H = start.H * sy;
        r.X = static_cast<float>(box->x) + (start.W < 0 ? -r.W : 0.0f);
        r.Y = static_cast<float>(box->y) + (start.H < 0 ? -r.H : 0.0f);
        EffArr.at(layer, f) = std::move(r);
        lastBox = *box;
        ++result.followed;
        result.lastFrame = f;
        const uint32_t now = host_.timeGetTime();
        if (now - shownMs >= kShowEveryMs) {
            // The frame just followed with its effect, ten times a second.
            shownMs = now;
            CurFlame = f;
            DspFrame2();
            host_.Refresh(Picture::PictMain);
            reportFrameProgress("track", std::abs(f - from), std::abs(to - from), startMs);
        }
        host_.DoEvents();
    }
    endFrameJob("track");
    if (result.followed > 0) {
        markChanged();
        CurFlame = result.lastFrame;
        host_.SetTLine();
    }
    if (DspFrame2() >= 0) host_.Refresh(Picture::PictMain);
    host_.DspSldr();
    host_.SetSlr2();
    undo.UndoArmed = kFalse;
    return result;
}

}  // namespace movalux
