#pragma once
// Follows the content of a region from one picture to the next. The only
// door to the computer-vision library: its headers stay in this folder, so
// the rest of the core and its tests see rectangles and our own pictures.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "effects/Surface.h"

namespace movalux {

// A rectangle in picture pixels: left, top, width, height (positive).
struct PixelRect {
    int32_t x = 0, y = 0, w = 0, h = 0;
    bool operator==(const PixelRect&) const = default;
};

// Intersection over union of two rectangles: 1 for the same, 0 for apart.
double overlapRatio(const PixelRect& a, const PixelRect& b);

class RegionTracker {
  public:
    // CSRT follows closely and survives changes of look; KCF is several
    // times faster and loses fast or deforming content sooner.
    enum class Kind { Accurate, Fast };

    static std::unique_ptr<RegionTracker> create(Kind kind);
    virtual ~RegionTracker() = default;

    // Learns the content of `region` in `picture`; false when the region
    // holds too little of the picture to follow.
    virtual bool start(const Surface& picture, const PixelRect& region) = 0;
    // Where the content is in the next picture, or nothing when it is lost
    // (left the picture, hidden, or no longer recognisable).
    virtual std::optional<PixelRect> follow(const Surface& picture) = 0;
};

}  // namespace movalux
