#pragma once
// The rectangle of picture 2 and the movie overlay: the rubber band with its
// Ctrl move and Shift aspect lock, the rectangle fixed on release, the
// composing of a picture into it with a keyed colour and a transparency,
// and the transparent colour picked from the preview.

#include <cstdint>

#include "effects/EffectModule.h"
#include "effects/OverlayShared.h"

namespace movalux {

class OverlayRect {
  public:
    // DoMouseDown: with Ctrl the current rectangle's outline centred on
    // the pointer, otherwise the anchor; then the frame is shown again.
    void mouseDown(EffectEnv& env, bool ctrl, float x, float y);
    // DoMouseMove while dragging; `ratio` is height / width of the aspect
    // that Shift keeps.
    void mouseMove(EffectEnv& env, bool ctrl, bool shiftKey, float x, float y, float ratio);
    // DoMouseUp: fixes the rectangle. x = -1 asks for (0, 0, wholeW, wholeH).
    void mouseUp(EffectEnv& env, bool ctrl, bool shiftKey, float x, float y, float ratio,
                 float wholeW, float wholeH);

    // The Shift lock: moves the pointer so that the rectangle from the
    // anchor keeps the ratio, in the direction of the drag. No constraint
    // when the pointer is level with the anchor.
    void constrain(float& x, float& y, float ratio) const;

    // PictMain becomes PictJT with the picture stretched into the rectangle
    // (keyed colour left out), blended with the transparency's opacity.
    // `rendering` says PictJT already holds PictMain (the frame display
    // copies it before each layer).
    void compose(EffectEnv& env, const Surface& picture, int32_t keyColour, int16_t transparency,
                 bool rendering, StretchCache* cache = nullptr, uint64_t contentId = 0) const;

    float X = 0, Y = 0, W = 0, H = 0;
    float anchorX = 0, anchorY = 0;
    float lastX = 0, lastY = 0;
    bool dragging = false;

  private:
    struct Box {
        int x1, y1, x2, y2;
    };
    Box centredBox(float x, float y) const;
    void drawBox(EffectEnv& env, const Box& b);
    void eraseShown(EffectEnv& env);

    Box shown_{};
    bool outlineShown_ = false;
};

// Transparent colour, picked on the preview (DoTouka, DoPreview).
struct KeyColourPick {
    int32_t colour = kNoKeyColour;
    bool picking = false;

    // Shift < 1 switches the key colour off; otherwise the next click on
    // the preview picks it.
    void DoTouka(EffectEnv& env, int16_t shift);
    void DoPreview(EffectEnv& env, float x, float y);
};

// The resource query and load of the edit file (DoResQuery, DoResLoad's
// table part).
int32_t answerResQuery(const ResourceTable& table, int16_t slot, int16_t& shift,
                       std::string& resName);
// Puts a slot read from the edit file into the table; throws
// std::out_of_range for a slot outside 0..99.
void storeResSlot(ResourceTable& table, int16_t slot, const std::string& resName);

// The messages of choosing a file.
inline constexpr const char* kOverlayNotFoundText = "ファイルが見つかりません";
inline constexpr const char* kOverlayCannotOpenText = "ファイルが開けません";

// Positions the controls that picture 2 and the movie share on their panel.
void layoutOverlayPanel(EffectEnv& env, float scale, const char* noFileCaption);

}  // namespace movalux
