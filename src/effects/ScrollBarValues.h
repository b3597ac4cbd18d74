#pragma once
// The three scroll bars (HScroll1-3, 0 to 100, 50 neutral) of the effects
// set over the whole frame, brightness and contrast and colour tone: their
// values, the panel's choice that comes back after other records were
// rendered, the panel around them and the record fields they fill. A record
// holds the three values in X, Y and H; its W, Param and Text pass through.

#include <array>
#include <cstdint>
#include <string>

#include "effects/EffectModule.h"
#include "effects/ModuleCommands.h"

namespace movalux {

// What the panel calls the three bars (Label1, Label3, Label6), the value
// frame (Frame7) and its boxes (Label9, Label10, Label15).
struct ScrollBarCaptions {
    const char* bars[3];
    const char* frame;
    const char* boxes[3];
};

struct ScrollBarValues {
    std::array<int32_t, 3> values{};
    // The panel's choice: what the bars were last set to.
    std::array<int32_t, 3> saved{};
    float W = 0;  // whatever the width box held at numeric entry
    int16_t param = 0;
    std::string text;

    // The three values onto the scroll bars; they become the panel's choice.
    void set(Panel& panel, int32_t first, int32_t second, int32_t third);
    // What the bars show now (a click on the frame stores it).
    void readPanel(const Panel& panel);
    // Param: the neutral button or a moved bar. True when the values changed
    // and the picture is to be drawn again.
    bool control(Panel& panel, int16_t code, int16_t value);
    // Numeric entry: the first two values in Button and Shift, the third in
    // Y (rounded half to even), each 0 to 100; W takes X. False when refused
    // (the warning has been shown; nothing changed).
    bool xySet(EffectEnv& env, const EffArgs& args);
    // Shows the panel with the effect's captions, the bars at neutral, and
    // the frame again; PictJT starts as the picture now shown.
    void openPanel(EffectEnv& env, float layoutScale, const ScrollBarCaptions& captions);

    void loadRecord(const EffRec& work);
    void storeRecord(EffRec& work, int16_t kind) const;
    // The values in the X, Y and H boxes; the W box empty.
    void showValues(Panel& panel) const;
};

// Mouse up (the bars' values are applied and stored), Render and numeric
// entry, then the panel commands. Mouse down and move do nothing.
template <class Module>
int32_t ModuleCommands::scrollBars(Module& m, EffArgs& args) {
    switch (args.DoNom) {
        case cmd::kMouseUp:
            m.bars_.readPanel(m.env_.panel());
            m.EffApply();
            return 0;
        case cmd::kRender: {
            // The record drives the apply routine; afterwards the bars' values
            // are the panel's choice again and the pass-through fields are as
            // they were.
            struct RenderScope {
                Module& m;
                float w;
                int16_t param;
                std::string text;
                explicit RenderScope(Module& mod)
                    : m(mod), w(mod.bars_.W), param(mod.bars_.param), text(mod.bars_.text) {
                    m.render_ = true;
                }
                ~RenderScope() {
                    m.render_ = false;
                    m.bars_.values = m.bars_.saved;
                    m.bars_.W = w;
                    m.bars_.param = param;
                    m.bars_.text = std::move(text);
                }
            } scope(m);
            m.EffApply();
            return 0;
        }
        case cmd::kXYSet:
            if (m.bars_.xySet(m.env_, args)) m.EffApply();
            return 0;
        default:
            return panel(m, args);
    }
}

}  // namespace movalux
