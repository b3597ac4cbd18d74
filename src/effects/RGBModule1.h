#pragma once
// Effect 7, colour tone: a gamma correction per primary over the whole
// frame, set with three scroll bars (previewed live on the frame), by
// numeric entry or reset to neutral; a click on the frame stores them.

#include <cstdint>
#include <string>

#include "effects/EffectModule.h"

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

    int32_t blue() const { return blue_; }
    int32_t green() const { return green_; }
    int32_t red() const { return red_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code, int16_t value);
    // The three values onto the scroll bars; they become the panel's choice.
    void setScrollBars(int32_t blue, int32_t green, int32_t red);

    EffectEnv& env_;
    float layoutScale_ = 0;
    bool render_ = false;

    int32_t blue_ = 0, green_ = 0, red_ = 0;
    float W_ = 0;  // whatever the width box held at numeric entry
    int16_t param_ = 0;
    std::string text_;
    // The scroll bars' values, restored after rendering other records.
    int32_t savedBlue_ = 0, savedGreen_ = 0, savedRed_ = 0;
};

}  // namespace movalux
