#pragma once
// The region drawing that the region effects share: press, rubber-band drag
// and release on the main picture, numeric entry of a region, and the
// coordinate boxes. Each module owns one and adds its own apply routine.

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "effects/EffectModule.h"

namespace movalux {

class Panel;

class RegionGesture {
public:
    // DoMouseDown.
    void mouseDown(EffectEnv& env, bool fixSize, float x, float y);
    // DoMouseMove; does nothing unless drawing.
    void mouseMove(EffectEnv& env, bool fixSize, float x, float y);
    // DoMouseUp: sets the region from the release point (x = -1 means the
    // whole picture). The module applies the effect and then calls endDrawing().
    void mouseUp(EffectEnv& env, bool fixSize, float x, float y);
    // DoXYSet: sets the drawing flag and the typed region. True when the
    // region passes the check (width and height non-zero); otherwise the
    // refusal message has been shown and the region is unchanged. The module
    // applies on true, then calls endDrawing() in both cases.
    bool xySet(EffectEnv& env, int16_t left, int16_t top, float width, float height);
    void endDrawing() { drawing = false; }

    // The region in the coordinate boxes, formatted "##0".
    void showRegion(Panel& panel) const;

    // The region as the pixel effects take it: whole numbers, truncated.
    struct Pixels {
        int32_t x, y, w, h;
    };
    Pixels pixels() const;
    // The same, cut to a bound a few picture sizes wide around a sw x sh
    // picture (regionBound), so that no number typed or read from a file
    // reaches integer arithmetic or an allocation larger than the picture
    // warrants. Inside the bound the region is unchanged.
    Pixels pixelsWithin(int sw, int sh) const;

    // The region of a record being rendered: as whole numbers for the pixel
    // effects, as stored for the zoom.
    void loadRegion(const EffRec& rec, bool wholeNumbers);
    void storeRegion(EffRec& rec) const;

    // Region in PictMain pixels: left, top, width, height.
    float X = 0, Y = 0, W = 0, H = 0;
    bool drawing = false;
    float pressX = 0, pressY = 0;
    float lastX = 0, lastY = 0;

private:
    struct Box {
        int x1, y1, x2, y2;
    };
    Box outlineAt(bool fixSize, float x, float y) const;
    void drawOutline(EffectEnv& env, const Box& box);

    // The outline now on the picture, so that erasing it never inverts a
    // picture that was repainted in between.
    Box shown_{};
    bool outlineShown_ = false;
};

// The panel's choice of a region effect as a record holds it, a number
// (Param) and a text (Text: "0" inside and "1" outside, or the zoom's
// stretch and ground colour), and the copy of what the panel chose, which
// comes back after other records were rendered.
struct RegionChoice {
    int16_t param = 0;
    std::string text;
    int16_t savedParam = 0;
    std::string savedText;

    void chooseParam(int16_t p) { param = savedParam = p; }
    void chooseText(std::string t) {
        text = std::move(t);
        savedText = text;
    }
    // Option3 chooses inside, Option4 outside; false for any other control.
    bool chooseSide(int16_t code);
    bool inside() const { return text == "0"; }
    void restore() {
        param = savedParam;
        text = savedText;
    }
    void load(const EffRec& rec) {
        param = rec.Param;
        text = rec.Text;
    }
    void store(EffRec& rec) const {
        rec.Param = param;
        rec.Text = text;
    }
};

// The refusal of a numeric entry.
inline constexpr const char* kRefuseNumberText = "この数値では設定できません";
inline constexpr const char* kWarningTitle = "警告";
// A picture's pixels could not be read into the work array.
inline constexpr const char* kReadFailedText = "取得に失敗しました";
// The title of boxes that name none: the program's own name.
inline constexpr const char* kAppTitle = "Movalux";

}  // namespace movalux

namespace movalux {
// PictMain becomes the picture before this layer (PictJT), so that the
// effect starts from it without the rubber band of a drag. Pictures of
// different sizes are not copied; a warning says so.
void startFromPictureBefore(EffectEnv& env);

// Tells the frame display that a rendering changed PictMain only within the
// rectangle from (x, y) of extent w x h (either sign), widened by `margin`
// pixels and one more on every side for the inclusive edges.
void changedAround(EffectEnv& env, int64_t x, int64_t y, int64_t w, int64_t h, int64_t margin);

// Captions and lays out the coordinate frame (Frame7 with the X, Y, W, H
// boxes and XYSet) the same way for every region effect; font sizes are
// the whole part of 9 x scale.
void layoutCoordinateFrame(Panel& panel, float scale);
int panelFontSize(float scale);
// The panel of a region effect that works inside or outside the region in
// steps of a list: Frame5 captioned with the effect and offering the side,
// Label1 and Combo5 with the list (entry `index` shown), the coordinate
// frame, and every other control hidden.
void layoutSidePanel(Panel& panel, float scale, const char* title,
                     std::initializer_list<const char*> items, int index);
// Only the places and fonts of that frame, for the effects that caption it
// otherwise (brightness, colour tone).
void placeCoordinateFrame(Panel& panel, float scale);

// Records whose geometry holds a NaN or an infinite value are refused: the
// module's entry then answers 99 and the picture stays as it was.
bool finiteRegion(double x, double y, double w, double h);
void refuseNonFinite(const EffRec& rec);
// How far outside a sw x sh picture a region's edges may lie before they are
// cut: four picture sizes and a margin.
int64_t regionBound(int sw, int sh);
// An edge pair (start, start + size) cut to [-bound, bound]; the size keeps
// its sign.
void boundSpan(double& start, double& size, double bound);

// A record's float as the whole number the pixel effects work with:
// truncated towards zero, NaN as 0, saturated at the 32-bit range.
int32_t wholeNumber(double v);

// The text of a failure trapped in a panel routine: "エラー(" code ")", the
// error number, "が発生しました". The number follows the classic run-time
// error numbers (7 out of memory, 6 overflow, 5 anything else).
std::string panelErrorText(std::string_view code, const std::exception& e);
}  // namespace movalux
