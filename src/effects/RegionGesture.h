#pragma once
// The region drawing that the region effects share: press, rubber-band drag
// and release on the main picture, numeric entry of a region, and the
// coordinate boxes. Each module owns one and adds its own apply routine.

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

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

// The refusal of a numeric entry.
inline constexpr const char* kRefuseNumberText = "この数値では設定できません";
inline constexpr const char* kWarningTitle = "警告";
// A picture's pixels could not be read into the work array.
inline constexpr const char* kReadFailedText = "取得に失敗しました";
// The title of boxes that name none: the program's own name.
inline constexpr const char* kAppTitle = "Movalux";

}  // namespace movalux

namespace movalux {
// Captions and lays out the coordinate frame (Frame7 with the X, Y, W, H
// boxes and XYSet) the same way for every region effect; font sizes are
// the whole part of 9 x scale.
void layoutCoordinateFrame(Panel& panel, float scale);
int panelFontSize(float scale);
// Only the places and fonts of that frame, for the effects that caption it
// otherwise (brightness, colour tone).
void placeCoordinateFrame(Panel& panel, float scale);

// A record's float as the whole number the pixel effects work with:
// truncated towards zero, NaN as 0, saturated at the 32-bit range.
int32_t wholeNumber(double v);

// The text of a failure trapped in a panel routine: "エラー(" code ")", the
// error number, "が発生しました". The number follows the classic run-time
// error numbers (7 out of memory, 6 overflow, 5 anything else).
std::string panelErrorText(std::string_view code, const std::exception& e);
}  // namespace movalux
