#pragma once
// Effect 7, colour tone: a gamma correction per primary over the whole
// frame, set with three scroll bars (previewed live on the frame), by
// numeric entry or reset to neutral; a click on the frame stores them.

#include <cstdint>

#include "effects/EffectModule.h"
#include "effects/ScrollBarValues.h"

namespace movalux {

class Surface;

// The gamma of a value: 17500 - 150 x v as a 16-bit integer, rounded half to
// even (0 -> 17500, 50 -> 10000, 100 -> 2500). Values whose gamma does not
// fit 16 bits throw std::overflow_error.
int16_t colourToneGamma(int32_t value);

// dst = src stretched (halftone) onto dst's size with each primary passed
// through nthPowerCurve of its gamma.
void colourTone(Surface& dst, const Surface& src, int16_t blueGamma, int16_t greenGamma,
                int16_t redGamma);

class RGBModule1 : public EffectModule {
  public:
    explicit RGBModule1(EffectEnv& env) : env_(env) {}

    int32_t blue() const { return bars_.values[0]; }
    int32_t green() const { return bars_.values[1]; }
    int32_t red() const { return bars_.values[2]; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    friend struct ModuleCommands;
    int16_t effectNumber() const { return kouka::kColourTone; }
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code, int16_t value);

    EffectEnv& env_;
    float layoutScale_ = 0;
    bool render_ = false;
    // Blue, green and red.
    ScrollBarValues bars_;
};

}  // namespace movalux
