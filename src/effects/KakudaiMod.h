#pragma once
// Effect 5, zoom: a region of the frame stretched over the whole frame, or
// shown at its own size (top-left or centred) on a ground of one palette
// colour. The drag can keep the frame's aspect ratio.

#include <cstdint>
#include <string>

#include "effects/EffectModule.h"
#include "effects/RegionGesture.h"

namespace movalux {

class Surface;

// The 16-colour palette by colour number (0 black ... 15 bright white);
// numbers outside 0..15 throw std::out_of_range.
uint32_t paletteColour(int number);

// Moves a pointer so that the rectangle from the press point keeps the
// ratio r = picture height / width (the aspect lock).
void lockAspect(float pressX, float pressY, float& x, float& y, double ratio);

// The picture that the zoom draws: PictJT's region (rounded) stretched over
// all of dst (text "0"), or at its own size on the ground colour of the
// text, placed top-left (placement 1) or centred (otherwise). dst must hold
// the picture before this layer.
void zoomPicture(Surface& dst, const Surface& src, float X, float Y, float W, float H,
                 int16_t placement, const std::string& text);

class KakudaiMod : public EffectModule {
  public:
    explicit KakudaiMod(EffectEnv& env) : env_(env) {}

    bool aspectLock() const { return aspectLock_; }
    bool zoom() const { return zoom_; }
    int16_t placement() const { return placement_; }
    const std::string& text() const { return text_; }
    const RegionGesture& region() const { return gesture_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code, int16_t value);
    // The pointer as the aspect lock moves it during a drag.
    void lockedPointer(float& x, float& y) const;
    void setText(std::string text);
    void setPlacement(int16_t placement);

    EffectEnv& env_;
    RegionGesture gesture_;
    float layoutScale_ = 0;
    bool fixSize_ = false;
    bool render_ = false;

    bool aspectLock_ = false;
    bool zoom_ = false;
    int16_t placement_ = 0;
    std::string text_;
    // The panel's choice, restored after rendering other records.
    int16_t savedPlacement_ = 0;
    std::string savedText_;
};

}  // namespace movalux
