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
// text, placed top-left (placement 1) or centred (otherwise) by the outer
// size, dst's size plus `border` on each side. dst must hold the picture
// before this layer.
void zoomPicture(Surface& dst, const Surface& src, float X, float Y, float W, float H,
                 int16_t placement, const std::string& text, int border);

class KakudaiMod : public EffectModule {
  public:
    explicit KakudaiMod(EffectEnv& env) : env_(env) {}

    bool aspectLock() const { return aspectLock_; }
    // Stretched over the frame (text "0") rather than at its own size.
    bool zoom() const { return choice_.text == "0"; }
    int16_t placement() const { return choice_.param; }
    const std::string& text() const { return choice_.text; }
    const RegionGesture& region() const { return gesture_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    friend struct ModuleCommands;
    int16_t effectNumber() const { return kouka::kZoom; }
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code, int16_t value);
    // The pointer as the aspect lock moves it during a drag.
    void lockedPointer(float& x, float& y) const;

    EffectEnv& env_;
    RegionGesture gesture_;
    float layoutScale_ = 0;
    bool fixSize_ = false;
    bool render_ = false;
    bool aspectLock_ = false;
    // The placement and the text: "0" stretched, else the ground colour.
    RegionChoice choice_;
};

}  // namespace movalux
