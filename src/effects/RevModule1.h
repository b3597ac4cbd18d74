#pragma once
// Effect 9, invert: the colours of a region, or of everything around it,
// become their negatives.

#include <cstdint>
#include <string>

#include "effects/EffectModule.h"
#include "effects/RegionGesture.h"

namespace movalux {

class Surface;

// In place. Inside: lines Y to Y + H and columns X to X + W, both edges
// included. Outside: every pixel but those strictly inside the region, so
// the border lines turn in both modes. Clipped to the picture.
void invertInside(Surface& pic, int32_t X, int32_t Y, int32_t W, int32_t H);
void invertOutside(Surface& pic, int32_t X, int32_t Y, int32_t W, int32_t H);

class RevModule1 : public EffectModule {
  public:
    explicit RevModule1(EffectEnv& env) : env_(env) {}

    const std::string& text() const { return text_; }
    bool inside() const { return inside_; }
    int16_t param() const { return param_; }
    const RegionGesture& region() const { return gesture_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code);

    EffectEnv& env_;
    RegionGesture gesture_;
    float layoutScale_ = 0;
    bool fixSize_ = false;
    bool render_ = false;

    int16_t param_ = 0;
    std::string text_;
    bool inside_ = false;
    // The panel's choice, restored after rendering other records.
    int16_t savedParam_ = 0;
    std::string savedText_;
};

}  // namespace movalux
