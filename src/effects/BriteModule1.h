#pragma once
// Effect 8, brightness and contrast: brightness, contrast and saturation of
// the whole frame, set with three scroll bars (previewed live on the frame),
// by numeric entry or reset to neutral; a click on the frame stores them.

#include <cstdint>
#include <string>

#include "effects/EffectModule.h"

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

    int32_t brightness() const { return B_; }
    int32_t contrast() const { return C_; }
    int32_t saturation() const { return V_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code, int16_t value);
    // The three values onto the scroll bars; they become the panel's choice.
    void setScrollBars(int32_t b, int32_t c, int32_t v);

    EffectEnv& env_;
    float layoutScale_ = 0;
    bool render_ = false;

    int32_t B_ = 0, C_ = 0, V_ = 0;
    float W_ = 0;  // whatever the width box held at numeric entry
    int16_t param_ = 0;
    std::string text_;
    // The scroll bars' values, restored after rendering other records.
    int32_t savedB_ = 0, savedC_ = 0, savedV_ = 0;
};

}  // namespace movalux
