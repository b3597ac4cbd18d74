#pragma once
// Effect 6, mosaic: the region, or everything around it, becomes square
// blocks of one averaged colour.

#include <cstdint>
#include <string>

#include "effects/EffectModule.h"
#include "effects/RegionGesture.h"

namespace movalux {

class Surface;

// Block sizes of the panel list "微小", "小", "中", "大", "特大".
inline constexpr int16_t kMosaicBlockSizes[] = {2, 4, 8, 16, 24};

// The block transforms, in place. The region is inclusive of its right and
// bottom edges; blocks are clipped to the picture. blockSize must be >= 1.
void mosaicInside(Surface& pic, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t blockSize);
void mosaicOutside(Surface& pic, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t blockSize);

class MozaikModule1 : public EffectModule {
public:
    explicit MozaikModule1(EffectEnv& env) : env_(env) {}

    int16_t blockSize() const { return choice_.param; }
    const std::string& text() const { return choice_.text; }
    bool inside() const { return choice_.inside(); }
    const RegionGesture& region() const { return gesture_; }

protected:
    int32_t handle(EffArgs& args) override;

private:
    friend struct ModuleCommands;
    int16_t effectNumber() const { return kouka::kMosaic; }
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code, int16_t value);

    EffectEnv& env_;
    RegionGesture gesture_;
    int16_t kouka_ = 0;
    float layoutScale_ = 0;
    bool fixSize_ = false;
    bool render_ = false;
    // The block size and the side, "0" inside or "1" outside.
    RegionChoice choice_;
};

}  // namespace movalux
