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

    const std::string& text() const { return choice_.text; }
    bool inside() const { return choice_.inside(); }
    int16_t param() const { return choice_.param; }
    const RegionGesture& region() const { return gesture_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    friend struct ModuleCommands;
    int16_t effectNumber() const { return kouka::kInvert; }
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code, int16_t value);

    EffectEnv& env_;
    RegionGesture gesture_;
    float layoutScale_ = 0;
    bool fixSize_ = false;
    bool render_ = false;
    // The side, "0" inside or "1" outside; Param passes through.
    RegionChoice choice_;
};

}  // namespace movalux
