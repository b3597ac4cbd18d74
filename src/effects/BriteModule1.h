#pragma once
// Effect 8, brightness and contrast: brightness, contrast and saturation of
// the whole frame, set with three scroll bars (previewed live on the frame),
// by numeric entry or reset to neutral; a click on the frame stores them.

#include <cstdint>

#include "effects/EffectModule.h"
#include "effects/ScrollBarValues.h"

namespace movalux {

class Surface;

// dst = src with brightness B, contrast C and saturation V (0 to 100, 50
// neutral). Per channel c of a pixel (b, g, r), m = Int((b + g + r) / 3):
//   c + Int((C - 50) / 100 * (c - 128))
//     + (B > 50 ? Int((B - 50) * (255 - c) / 100) : Int((B - 50) * c / 100))
//     + Int((V - 50) / 50 * (c - m)),
// each term in double precision left to right, the sum limited to 0..255.
// The pictures must have the same size.
void brightnessContrast(Surface& dst, const Surface& src, int32_t B, int32_t C, int32_t V);

class BriteModule1 : public EffectModule {
  public:
    explicit BriteModule1(EffectEnv& env) : env_(env) {}

    int32_t brightness() const { return bars_.values[0]; }
    int32_t contrast() const { return bars_.values[1]; }
    int32_t saturation() const { return bars_.values[2]; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    friend struct ModuleCommands;
    int16_t effectNumber() const { return kouka::kBrightness; }
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code, int16_t value);

    EffectEnv& env_;
    float layoutScale_ = 0;
    bool render_ = false;
    // Brightness, contrast and saturation.
    ScrollBarValues bars_;
};

}  // namespace movalux
