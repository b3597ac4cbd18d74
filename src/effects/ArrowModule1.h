#pragma once
// Effect 3, arrow: a solid arrow with a one-pixel black outline whose tip
// sits on the effect point. The arrow is built as a 140 x 140 sprite in
// PictStart (the coloured arrow on white) and PictEnd (its mask, white on
// black) and stamped with OR and AND.

#include <array>
#include <cstdint>
#include <string>

#include "effects/EffectModule.h"
#include "effects/OverlayShared.h"

namespace movalux {

// The stand-in for pi that the arrow's geometry has always used.
inline constexpr float kArrowPi = 3.1415f;
// Direction codes of the list "下", "右下", "右", "右上", "上", "左上", "左", "左下".
inline constexpr int16_t kArrowDirectionCodes[] = {4, 3, 2, 1, 0, 7, 6, 5};
inline constexpr int kArrowSprite = 140;

// The colour of a list index 0..7 (black, then the bright half of the
// 16-colour palette); throws std::out_of_range for any other index.
uint32_t arrowColour(int32_t index);

struct ArrowPoint {
    float x, y;
};
// The outline's points P1..P6 around the tip at (cx, cy).
std::array<ArrowPoint, 6> arrowPoints(double direction, double size, float cx, float cy);

// Builds the sprite: image (coloured arrow, black outline, white ground)
// and mask (white arrow on black), both 140 x 140.
void buildArrowSprite(Surface& image, Surface& mask, double direction, double size,
                      uint32_t colour);
// Stamps the sprite with its centre at (x, y): OR the mask, AND the image.
void stampArrow(Surface& dst, const Surface& image, const Surface& mask, float x, float y);

class ArrowModule1 : public EffectModule {
  public:
    ArrowModule1(EffectEnv& env, OverlayShared& shared) : env_(env), shared_(shared) {}

    double direction() const { return direction_; }
    float size() const { return size_; }
    int16_t colour() const { return colour_; }

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    void restoreChoice();
    void SetArrowPanel();
    void MakeArrow();
    void DrawArrow();
    void stampAt(float x, float y);
    void showPoint(bool formatted, float x, float y);
    void writeRecord();

    EffectEnv& env_;
    OverlayShared& shared_;
    float layoutScale_ = 0;
    float X_ = 0, Y_ = 0;
    float size_ = 0;
    double direction_ = 0;
    int16_t colour_ = 0;
    std::string text_;
    bool dragging_ = false;
    bool render_ = false;
    float savedSize_ = 0;
    double savedDirection_ = 0;
    int16_t savedColour_ = 0;
    std::string savedText_;
};

}  // namespace movalux
