#pragma once
// The common interface of the effect modules and what they may reach of the
// main window: its pictures, the working record, the panel, the host, the
// frame display and the shape icon.

#include <cstdint>
#include <string>

#include "model/EffRec.h"

namespace movalux {

class Surface;
class Panel;
class Host;

// Command numbers (DoNom).
namespace cmd {
inline constexpr int16_t kMouseDown = 1;
inline constexpr int16_t kMouseMove = 2;
inline constexpr int16_t kMouseUp = 3;
inline constexpr int16_t kRender = 5;
inline constexpr int16_t kXYSet = 6;
inline constexpr int16_t kPanel = 7;
inline constexpr int16_t kParam = 8;
inline constexpr int16_t kHokan = 9;
inline constexpr int16_t kResQuery = 10;
inline constexpr int16_t kResLoad = 11;
inline constexpr int16_t kFrameJump = 12;
inline constexpr int16_t kClose = 20;
inline constexpr int16_t kTouka = 21;
inline constexpr int16_t kPreview = 22;
inline constexpr int16_t kInit = 99;
}  // namespace cmd

// The result a module entry gives when it trapped an error.
inline constexpr int32_t kTrappedError = 99;

// Panel control codes carried in Button with DoParam.
namespace ctl {
inline constexpr int16_t kCombo3 = 0;
inline constexpr int16_t kOption3 = 3;
inline constexpr int16_t kOption4 = 4;
inline constexpr int16_t kOption5 = 5;
inline constexpr int16_t kOption6 = 6;
inline constexpr int16_t kCombo1 = 11;
inline constexpr int16_t kCombo5 = 15;
inline constexpr int16_t kCombo6 = 16;
inline constexpr int16_t kRDPictBtn = 21;
inline constexpr int16_t kComdBtn2 = 22;
inline constexpr int16_t kComSTP2 = 23;
inline constexpr int16_t kHScroll1 = 31;
inline constexpr int16_t kHScroll2 = 32;
inline constexpr int16_t kHScroll3 = 33;
}  // namespace ctl

class EffectEnv {
public:
    virtual ~EffectEnv() = default;
    virtual Surface& PictMain() = 0;
    virtual Surface& PictJT() = 0;
    virtual Surface& PictMsk() = 0;
    virtual Surface& PreVewPict() = 0;
    virtual EffRec& WorkRec() = 0;
    virtual Panel& panel() = 0;
    virtual Host& host() = 0;
    // Shows the current frame again; the frame number or -1.
    virtual int32_t DspFrame2() = 0;
    // The mask's shape preview, redrawn after every panel change.
    virtual void DrawShapeIcon() = 0;
    // The main picture's outer size exceeds its drawing area by this border
    // on each side, in the window and in writing alike: placements measured
    // by the outer size (the zoom's centred copy) include it.
    virtual int PictMainBorder() const { return 2; }

    // While a layer renders in the frame display, PictJT has just been made
    // a copy of PictMain: a module that starts from the picture before its
    // layer need not copy it again.
    virtual bool PictMainIsPictJT() const { return false; }
    // How many of the picture's pixels wide rubber bands are drawn, so that
    // they stay visible where the picture is shown reduced; one gesture
    // keeps one width.
    virtual int outlineWidth() const { return 1; }
    // A module whose rendering changed PictMain only inside this rectangle
    // (pixels x0..x1-1, y0..y1-1, clipped by the caller's picture) says so:
    // the next layer's copy of PictMain then covers only that rectangle.
    // Without it the whole picture counts as changed.
    virtual void PictMainChangedWithin(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
        (void)x0, (void)y0, (void)x1, (void)y1;
    }
};

// Arguments of one entry call, all by reference as the modules may change
// them (the overlay modules answer through Shift and ResName).
struct EffArgs {
    int16_t& KoukaNom;
    int16_t& DoNom;
    int16_t& FixSize;
    int16_t& Button;
    int16_t& Shift;
    float& X;
    float& Y;
    std::string& ResName;
    int32_t& a;
    int32_t& b;
};

class EffectModule {
public:
    virtual ~EffectModule() = default;

    // The one entry of a module. A failure inside is trapped here: the
    // result is then 99 and the state reached so far stays.
    int32_t EffEntry(EffArgs args) noexcept;

protected:
    virtual int32_t handle(EffArgs& args) = 0;
};

}  // namespace movalux
