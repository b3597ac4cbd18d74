// Finding faces and number plates through a range and hiding each one with
// records that move with it.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>

#include "editor/Editor.h"
#include "media/FrameSource.h"
#include "media/MovieSource.h"

namespace movalux {

namespace {

constexpr uint32_t kShowEveryMs = 100;
// A detector misses an object now and then (a turned head, motion blur);
// up to this many frames in a row are bridged by following the object
// before its track ends.
constexpr int kBridgeFrames = 12;
// A sighting continues a track when it overlaps the track's last region by
// this much, or when its centre lies inside it.
constexpr double kSameObject = 0.2;

struct Track {
    int32_t first = 0;
    std::vector<PixelRect> boxes;  // one per frame from `first`
    int32_t found = 0;
    int32_t bridged = 0;
    int misses = 0;  // frames since the last sighting
    bool open = true;
    bool canFollow = false;  // the tracker learnt the latest sighting
    std::unique_ptr<RegionTracker> tracker;

    int32_t last() const { return first + static_cast<int32_t>(boxes.size()) - 1; }
    // Frames followed after the last sighting bridged nothing: the object
    // was not seen again, so they are dropped.
    void endAtLastSighting() {
        boxes.resize(boxes.size() - static_cast<size_t>(misses));
        bridged -= misses;
        misses = 0;
    }
};

bool centreInside(const PixelRect& inner, const PixelRect& outer) {
    const int64_t cx = static_cast<int64_t>(inner.x) * 2 + inner.w;
    const int64_t cy = static_cast<int64_t>(inner.y) * 2 + inner.h;
    return cx >= static_cast<int64_t>(outer.x) * 2 &&
           cx <= (static_cast<int64_t>(outer.x) + outer.w) * 2 &&
           cy >= static_cast<int64_t>(outer.y) * 2 &&
           cy <= (static_cast<int64_t>(outer.y) + outer.h) * 2;
}

PixelRect unite(const PixelRect& a, const PixelRect& b) {
    const int32_t x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int32_t x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return PixelRect{x0, y0, x1 - x0, y1 - y0};
}

// The cascades answer one object with several overlapping windows; those
// that share most of the smaller one are one object, covered by their union.
std::vector<PixelRect> mergeSightings(std::vector<PixelRect> seen) {
    std::sort(seen.begin(), seen.end(), [](const PixelRect& a, const PixelRect& b) {
        return static_cast<int64_t>(a.w) * a.h > static_cast<int64_t>(b.w) * b.h;
    });
    std::vector<PixelRect> kept;
    for (const PixelRect& r : seen) {
        bool merged = false;
        for (PixelRect& k : kept) {
            const int32_t iw = std::min(k.x + k.w, r.x + r.w) - std::max(k.x, r.x);
            const int32_t ih = std::min(k.y + k.h, r.y + r.h) - std::max(k.y, r.y);
            if (iw <= 0 || ih <= 0) continue;
            const int64_t smaller =
                std::min(static_cast<int64_t>(k.w) * k.h, static_cast<int64_t>(r.w) * r.h);
            if (static_cast<int64_t>(iw) * ih * 2 >= smaller) {
                k = unite(k, r);
                merged = true;
                break;
            }
        }
        if (!merged) kept.push_back(r);
    }
    return kept;
}

// The record's region: the object's grown by a fifth about its centre and
// kept inside the picture.
EffRec hidingRecord(const EffRec& effect, const PixelRect& box, int32_t width, int32_t height) {
    const double gx = box.w * 0.1, gy = box.h * 0.1;
    const double x0 = std::max(0.0, std::floor(box.x - gx));
    const double y0 = std::max(0.0, std::floor(box.y - gy));
    const double x1 = std::min<double>(width, std::ceil(box.x + box.w + gx));
    const double y1 = std::min<double>(height, std::ceil(box.y + box.h + gy));
    EffRec r = effect;
    r.X = static_cast<float>(x0);
    r.Y = static_cast<float>(y0);
    r.W = static_cast<float>(std::max(1.0, x1 - x0));
    r.H = static_cast<float>(std::max(1.0, y1 - y0));
    return r;
}

// Blocks of a fixed size leave a large face recognisable, to people and to
// the detector alike: the blocks grow with the object so that its shorter
// side spans at most five of them, in steps of 8 pixels.
int16_t blockFor(const Track& t, int16_t smallest) {
    // The middle size of the object: a few merged or stray sightings do not
    // coarsen the whole track.
    std::vector<int32_t> sides;
    for (const PixelRect& b : t.boxes) sides.push_back(std::min(b.w, b.h));
    std::nth_element(sides.begin(), sides.begin() + static_cast<ptrdiff_t>(sides.size() / 2),
                     sides.end());
    const int32_t side = sides.empty() ? 0 : sides[sides.size() / 2];
    const int32_t wanted = (side * 6 / 5 + 4) / 5;  // the grown region over five
    const int32_t block = std::max<int32_t>(smallest, (wanted + 7) / 8 * 8);
    return static_cast<int16_t>(std::min<int32_t>(block, 512));
}

double area(const EffRec& r) {
    return std::abs(static_cast<double>(r.W) * r.H);
}

// The smallest record region holding both (both drawn left to right, top
// to bottom, as this search writes them).
EffRec uniteRecords(const EffRec& a, const EffRec& b) {
    EffRec r = a;
    const float x0 = std::min(a.X, b.X), y0 = std::min(a.Y, b.Y);
    const float x1 = std::max(a.X + a.W, b.X + b.W), y1 = std::max(a.Y + a.H, b.Y + b.H);
    r.X = x0;
    r.Y = y0;
    r.W = x1 - x0;
    r.H = y1 - y0;
    return r;
}

}  // namespace

EffRec Editor::defaultHidingRecord() {
    EffRec r;
    r.Kind = kouka::kMosaic;
    r.Param = 16;
    r.Text = "0";
    return r;
}

namespace {

// Joins the sightings of each frame to the tracks of the frames before.
class TrackJoiner {
  public:
    std::vector<Track> tracks;

    void add(int32_t frame, const Surface& picture, const std::vector<PixelRect>& seen) {
        std::vector<bool> taken(seen.size(), false);
        // Each open track takes the sighting that overlaps it most.
        for (Track& t : tracks) {
            if (!t.open) continue;
            const PixelRect& was = t.boxes.back();
            double best = 0;
            size_t pick = seen.size();
            for (size_t i = 0; i < seen.size(); ++i) {
                if (taken[i]) continue;
                double o = overlapRatio(seen[i], was);
                if (o < kSameObject && (centreInside(seen[i], was) || centreInside(was, seen[i])))
                    o = kSameObject;
                if (o >= kSameObject && o > best) {
                    best = o;
                    pick = i;
                }
            }
            if (pick < seen.size()) {
                taken[pick] = true;
                t.boxes.push_back(seen[pick]);
                ++t.found;
                t.misses = 0;
                // Bridging starts from the latest sighting.
                t.canFollow = t.tracker->start(picture, seen[pick]);
                continue;
            }
            std::optional<PixelRect> followed;
            if (t.canFollow && t.misses < kBridgeFrames) followed = t.tracker->follow(picture);
            if (followed) {
                t.boxes.push_back(*followed);
                ++t.misses;
                ++t.bridged;
            } else {
                t.open = false;
                t.endAtLastSighting();
            }
        }
        for (size_t i = 0; i < seen.size(); ++i) {
            if (taken[i]) continue;
            Track t;
            t.first = frame;
            t.boxes.push_back(seen[i]);
            t.found = 1;
            t.tracker = RegionTracker::create(RegionTracker::Kind::Fast);
            t.canFollow = t.tracker->start(picture, seen[i]);
            tracks.push_back(std::move(t));
        }
    }
};

// Rounds of checking the frames as they will be written after the objects
// found are hidden: an effect can leave or make something the detector
// still sees, which the next round hides too.
constexpr int kCheckRounds = 4;

}  // namespace

Editor::FindResult Editor::findAndHide(int32_t first, int32_t last, ObjectDetector::Target target,
                                       int layer, const EffRec& effect, bool coarserForLarge) {
    FindResult result;
    if (MvOpen != kTrue || frameSource_ == nullptr || !effect.hasEffect() || layer < 0 ||
        layer >= EffTimeline::kShownLayers)
        return result;
    std::unique_ptr<ObjectDetector> finder = ObjectDetector::create(target, result.error);
    if (!finder) return result;
    if (first > last) std::swap(first, last);
    first = std::clamp(first, 0, std::max(0, EffArr.frameCount() - 1));
    last = std::clamp(last, 0, std::max(0, EffArr.frameCount() - 1));

    Surface picture(pictMain_.width(), pictMain_.height());
    const auto read = [&](int32_t frame) { return paintTimelineFrame(frame, picture); };
    std::vector<int> candidates;
    for (int i = 0; i < EffTimeline::kShownLayers; ++i) {
        const int l = (layer + i) % EffTimeline::kShownLayers;
        if (LayEnable[static_cast<size_t>(l)] == kTrue) candidates.push_back(l);
    }
    const auto layerHoldsEffects = [&](int l, int32_t a, int32_t b) {
        for (int32_t f = a; f <= b; ++f)
            if (std::as_const(EffArr).at(l, f).hasEffect()) return true;
        return false;
    };

    const int32_t keep = CurFlame;
    const int16_t selected = SelLay;
    int16_t firstUsed = -1;
    std::array<bool, EffTimeline::kShownLayers> stepped{};
    // The records this search wrote, by layer and frame (from `first`).
    std::vector<std::vector<uint8_t>> ours(
        EffTimeline::kShownLayers, std::vector<uint8_t>(static_cast<size_t>(last - first + 1), 0));
    bool stepTaken = false;
    beginFrameJob();
    uint32_t shownMs = host_.timeGetTime();
    const int64_t frames = static_cast<int64_t>(last) - first + 1;
    for (int round = 0; round <= kCheckRounds && result.stoppedAt < 0; ++round) {
        // The first round searches the movie itself, the later ones the
        // frames with every effect drawn, as the check does.
        TrackJoiner joiner;
        const uint32_t roundStartMs = host_.timeGetTime();
        for (int32_t f = first; f <= last; ++f) {
            if (Idle) {
                result.paused = true;
                result.stoppedAt = f;
                break;
            }
            const Surface* searched = &picture;
            if (round == 0) {
                if (!read(f)) {
                    result.stoppedAt = f;
                    break;
                }
            } else {
                CurFlame = f;
                if (DspFrame2() < 0) {
                    result.stoppedAt = f;
                    break;
                }
                searched = &pictMain_;
            }
            joiner.add(f, *searched, mergeSightings(finder->find(*searched)));
            if (round == 0) ++result.scanned;
            const uint32_t now = host_.timeGetTime();
            if (now - shownMs >= kShowEveryMs) {
                shownMs = now;
                if (round == 0) {
                    CurFlame = f;
                    DspFrame2();
                }
                host_.Refresh(Picture::PictMain);
                // The search, then each check of the frames as written.
                reportFrameProgress(round == 0 ? "detect" : "detect-check", f - first + 1, frames,
                                    roundStartMs);
            }
            host_.DoEvents();
        }
        std::vector<Track>& tracks = joiner.tracks;
        for (Track& t : tracks) t.endAtLastSighting();
        if (round > 0 && tracks.empty()) break;

        // The objects seen longest get layers first, so that any left out
        // for want of layers are the least certain ones.
        std::vector<size_t> order(tracks.size());
        std::iota(order.begin(), order.end(), size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return tracks[a].found > tracks[b].found; });
        std::vector<int> placed(tracks.size(), -1);
        for (size_t k : order) {
            const Track& t = tracks[k];
            for (int l : candidates) {
                bool clash = false;
                for (size_t j = 0; j < tracks.size() && !clash; ++j)
                    clash = placed[j] == l && tracks[j].first <= t.last() &&
                            t.first <= tracks[j].last();
                // The layer the user chose is written over by the first
                // round; the others, and every layer in the later rounds,
                // only where they hold nothing, so that no work is lost.
                if (clash || ((round > 0 || l != layer) && layerHoldsEffects(l, t.first, t.last())))
                    continue;
                placed[k] = l;
                break;
            }
        }
        for (int l : candidates) {
            for (size_t k = 0; k < tracks.size(); ++k) {
                if (placed[k] != l) continue;
                if (!stepped[static_cast<size_t>(l)]) {
                    // One undo step for the whole search: one entry per
                    // layer, joined.
                    SelLay = static_cast<int16_t>(l);
                    takeUndoStep(undocode::kEffects);
                    if (stepTaken) undo.joinLastToPrevious();
                    if (!stepTaken) firstUsed = static_cast<int16_t>(l);
                    stepTaken = stepped[static_cast<size_t>(l)] = true;
                }
                const Track& t = tracks[k];
                EffRec hiding = effect;
                if (coarserForLarge && effect.Kind == kouka::kMosaic)
                    hiding.Param = blockFor(t, effect.Param);
                for (size_t i = 0; i < t.boxes.size(); ++i) {
                    const int32_t f = t.first + static_cast<int32_t>(i);
                    EffArr.at(l, f) =
                        hidingRecord(hiding, t.boxes[i], picture.width(), picture.height());
                    ours[static_cast<size_t>(l)][static_cast<size_t>(f - first)] = 1;
                }
            }
        }
        // More objects at once than free layers: rather than leave one
        // uncovered, its regions join those of a track already written on
        // the layer where that grows the hidden area least.
        std::vector<bool> joined(tracks.size(), false);
        for (size_t k : order) {
            if (placed[k] >= 0) continue;
            const Track& t = tracks[k];
            double bestGrowth = 0;
            for (int l : candidates) {
                if (!stepped[static_cast<size_t>(l)]) continue;
                double growth = 0;
                for (size_t i = 0; i < t.boxes.size(); ++i) {
                    const int32_t f = t.first + static_cast<int32_t>(i);
                    const EffRec mine =
                        hidingRecord(effect, t.boxes[i], picture.width(), picture.height());
                    const EffRec& there = std::as_const(EffArr).at(l, f);
                    if (ours[static_cast<size_t>(l)][static_cast<size_t>(f - first)])
                        growth += area(uniteRecords(there, mine)) - area(there);
                    else if (!there.hasEffect())
                        growth += area(mine);
                    else
                        growth = std::numeric_limits<double>::infinity();  // not ours to change
                }
                if (std::isfinite(growth) && (placed[k] < 0 || growth < bestGrowth)) {
                    placed[k] = l;
                    bestGrowth = growth;
                }
            }
            if (placed[k] < 0) continue;
            joined[k] = true;
            const int l = placed[k];
            EffRec hiding = effect;
            if (coarserForLarge && effect.Kind == kouka::kMosaic)
                hiding.Param = blockFor(t, effect.Param);
            for (size_t i = 0; i < t.boxes.size(); ++i) {
                const int32_t f = t.first + static_cast<int32_t>(i);
                const EffRec mine =
                    hidingRecord(hiding, t.boxes[i], picture.width(), picture.height());
                EffRec& there = EffArr.at(l, f);
                uint8_t& mark = ours[static_cast<size_t>(l)][static_cast<size_t>(f - first)];
                if (mark) {
                    const EffRec both = uniteRecords(there, mine);
                    there.X = both.X, there.Y = both.Y, there.W = both.W, there.H = both.H;
                    there.Param = std::max(there.Param, mine.Param);
                } else {
                    there = mine;
                    mark = 1;
                }
            }
        }
        for (size_t k = 0; k < tracks.size(); ++k) {
            const Track& t = tracks[k];
            result.tracks.push_back(
                FoundTrack{t.first, t.last(), placed[k], t.found, t.bridged, joined[k]});
            if (placed[k] < 0)
                ++result.leftOut;
            else if (joined[k])
                ++result.joined;
            else
                ++result.written;
        }
    }
    endFrameJob("detect");

    // The layer of the first track is the selected one afterwards, as
    // after following; the current frame is where the user was.
    SelLay = stepTaken ? firstUsed : selected;
    CurFlame = keep;
    if (stepTaken) {
        markChanged();
        if (SelLay != selected) DspSelLayer();
        host_.SetTLine();
    }
    undo.UndoArmed = kFalse;
    if (DspFrame2() >= 0) host_.Refresh(Picture::PictMain);
    host_.DspSldr();
    host_.SetSlr2();
    return result;
}

}  // namespace movalux
