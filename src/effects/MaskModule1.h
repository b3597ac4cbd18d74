#pragma once
// Effects 1 (ellipse) and 2 (rectangle), mask: the frame darkened with black
// outside a shape (a spotlight) or inside it (a hidden area), with a chosen
// transparency. The effect number is the shape, so choosing the other shape
// on the panel changes the record's Kind. The module also holds the state
// of the panel's shape icon.

#include <cstdint>
#include <string>

#include "effects/EffectModule.h"

namespace movalux {

class Surface;

// Transparencies of the panel list "0", "30", "50", "70".
inline constexpr int16_t kMaskTransparencies[] = {0, 30, 50, 70};

// The blend opacity of a transparency in percent: 255 - t x 255 / 100 as a
// byte, rounded half to even (0 -> 255, 30 -> 178, 50 -> 128, 70 -> 76).
// Values that do not make a byte throw std::overflow_error.
uint8_t maskOpacity(int32_t transparency);

// Semi-axes of the ellipse stored as radius W and aspect H.
struct SemiAxes {
    double horizontal, vertical;
};
SemiAxes maskSemiAxes(double radius, double aspect);

// Draws the mask on msk (white ground): the shape's outline, filled black
// from a point inside the shape (its centre, where the classic (X + 2, Y + 2)
// could lie outside a small ellipse or a rectangle typed with a negative
// size), inverted when outside. NaN or infinite values throw
// std::domain_error. Ellipse: centre X, Y, radius W,
// aspect H; rectangle: corners (X, Y) and (X + W, Y + H).
void drawMask(Surface& msk, int16_t shape, float X, float Y, float W, float H, bool outside);
// dst = src with the mask's non-white part blended towards it with opacity
// alpha; everything else copied. Equal sizes.
void blendMask(Surface& dst, const Surface& src, const Surface& msk, uint8_t alpha);

class MaskModule1 : public EffectModule {
  public:
    explicit MaskModule1(EffectEnv& env) : env_(env) {}

    int16_t shape() const { return shape_; }
    bool outside() const { return outside_; }
    int16_t transparency() const { return transparency_; }
    const std::string& text() const { return text_; }
    float X() const { return X_; }
    float Y() const { return Y_; }
    float W() const { return W_; }
    float H() const { return H_; }
    // The shape icon follows the mask's choice; the editor may set it.
    void setShapeIcon(int16_t shape, bool outside);

  protected:
    int32_t handle(EffArgs& args) override;

  private:
    friend struct ModuleCommands;
    // The number of the shape now chosen: the panel commands answer it.
    int16_t effectNumber() const { return shape_; }

    struct Outline {
        bool ellipse = false;
        double cx = 0, cy = 0, radius = 0, aspect = 0;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };

    void mouseDown(float x, float y);
    void mouseMove(bool shiftKey, float x, float y);
    void mouseUp(bool shiftKey, float x, float y);
    void xySet(int16_t left, int16_t top, float width, float height);
    void EffPanel();
    void EffApply();
    void DoParam(int16_t code, int16_t value);
    void showRegion();
    Outline outlineAt(bool shiftKey, float x, float y);
    void squarePointer(float& x, float& y) const;
    void drawOutline(const Outline& o);

    EffectEnv& env_;
    float layoutScale_ = 0;
    bool fixSize_ = false;
    bool render_ = false;
    bool drawing_ = false;

    int16_t shape_ = 0;
    bool outside_ = false;
    int16_t transparency_ = 0;
    std::string text_;
    // Ellipse: centre, radius, aspect; rectangle: left, top, width, height.
    float X_ = 0, Y_ = 0, W_ = 0, H_ = 0;
    float pressX_ = 0, pressY_ = 0;
    float lastX_ = 0, lastY_ = 0;
    // Radius and aspect of the last drag step of an ellipse.
    double dragRadius_ = 0, dragAspect_ = 0;
    Outline shown_;
    bool outlineShown_ = false;
    // The panel's choice, restored after rendering other records.
    int16_t savedTransparency_ = 0;
    std::string savedText_;
};

}  // namespace movalux
