#pragma once
// Effect 10, blur: copies of the picture shifted by a fixed pattern of
// offsets are blended over the region, or over everything around it.

#include <cstdint>
#include <string>
#include <vector>

#include "effects/EffectModule.h"
#include "effects/RegionGesture.h"

namespace movalux {

class Surface;

// Strengths of the panel list "微", "弱", "中", "強".
inline constexpr int16_t kBlurStrengths[] = {1, 2, 4, 7};

// The blend opacity (out of 255) of a strength, or -1 for strengths that
// keep the opacity last set.
int blurOpacity(int strength);
// Whether the offset (dy, dx) is in the pattern, by absolute values.
bool blurPatternFlag(int absDy, int absDx);

// The shifted blends of rectangles, run row by row: every blend of every
// queued rectangle is applied to one line of the destination before the
// next line, which gives the same pixels as running the blends one after
// the other over whole rectangles (each pixel sees the same blends in the
// same order) while the line stays in the cache.
class BlurBlender {
  public:
    // Queues both passes of one rectangle's blends: onto dst at (x + dx,
    // y + dy) from src at (x, y), size w x h, for the pattern's offsets in
    // the order dy, dx = -s..s, then in reverse. Rectangles without a
    // positive width and height queue nothing.
    void addRect(int64_t x, int64_t y, int64_t w, int64_t h, int strength, uint8_t opacity);
    bool empty() const { return steps_.empty(); }
    // The destination pixels the queued blends may write: x0..x1-1, y0..y1-1
    // (unclipped); empty when nothing is queued.
    struct Area {
        int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    };
    Area area() const;
    // Runs the queued blends (clipped to both pictures) and forgets them;
    // large ones on bands of lines on up to `threads` threads, with the same
    // result.
    void run(Surface& dst, const Surface& src, int threads = 2);

  private:
    struct Step {
        int64_t x, y, w, h;  // the source rectangle
        int dx, dy;
        uint8_t alpha;
    };
    std::vector<Step> steps_;
};

// The rectangles that the apply routine blends, for picture size sw x sh.
void queueBlurInside(BlurBlender& blender, int sw, int sh, int32_t X, int32_t Y, int32_t W,
                     int32_t H, int strength, uint8_t opacity);
void queueBlurOutside(BlurBlender& blender, int sw, int sh, int32_t X, int32_t Y, int32_t W,
                      int32_t H, int strength, uint8_t opacity);

class BokasiMod1 : public EffectModule {
  public:
    explicit BokasiMod1(EffectEnv& env) : env_(env) {}

    int16_t strength() const { return choice_.param; }
    const std::string& text() const { return choice_.text; }
    bool inside() const { return choice_.inside(); }
    uint8_t opacity() const { return opacity_; }
    const RegionGesture& region() const { return gesture_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    friend struct ModuleCommands;
    int16_t effectNumber() const { return kouka::kBlur; }
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code, int16_t value);

    EffectEnv& env_;
    RegionGesture gesture_;
    BlurBlender blender_;
    float layoutScale_ = 0;
    bool fixSize_ = false;
    bool render_ = false;
    // The strength and the side, "0" inside or "1" outside.
    RegionChoice choice_;
    uint8_t opacity_ = 0;
};

}  // namespace movalux
