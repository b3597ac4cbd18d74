#pragma once
// The commands that the effect modules answer alike, written once. A module
// keeps its own state and routines and lets these templates reach them with
// `friend struct ModuleCommands;`; whatever a module does differently stays
// in its own handle().
//
// What the templates reach in a module:
//   every module: env_, layoutScale_, EffPanel(), DoParam(code, value) and
//     effectNumber(), read after the command ran (the mask's number follows
//     its shape);
//   the region effects also: gesture_, choice_ (RegionChoice), fixSize_,
//     render_ and EffApply();
//   the scroll-bar effects (ScrollBarValues.h): bars_, render_, EffApply().

#include <cstdint>

#include "effects/EffectModule.h"
#include "effects/RegionGesture.h"

namespace movalux {

struct ModuleCommands {
    // Panel (7), Param (8) and Hokan (9); every other command answers 0.
    // Panel and Param answer the module's effect number.
    template <class Module>
    static int32_t panel(Module& m, EffArgs& args);

    // The commands of a region effect: press, drag and release through the
    // module's RegionGesture, the rendering of a record, the numeric entry
    // of a region, and the panel commands. The mouse commands take the
    // pointer at (pointerX, pointerY), which a module may have moved (the
    // zoom's aspect lock); numeric entry reads the boxes' values from args.
    template <class Module>
    static int32_t region(Module& m, EffArgs& args, float pointerX, float pointerY);
    template <class Module>
    static int32_t region(Module& m, EffArgs& args) {
        return region(m, args, args.X, args.Y);
    }

    // The commands of an effect set with the three scroll bars; defined in
    // ScrollBarValues.h.
    template <class Module>
    static int32_t scrollBars(Module& m, EffArgs& args);
};

template <class Module>
int32_t ModuleCommands::panel(Module& m, EffArgs& args) {
    switch (args.DoNom) {
        case cmd::kPanel:
            m.layoutScale_ = args.X;
            m.EffPanel();
            return m.effectNumber();
        case cmd::kParam:
            m.DoParam(args.Button, args.Shift);
            m.env_.DrawShapeIcon();
            return m.effectNumber();
        case cmd::kHokan:
            return 1;
        default:
            return 0;
    }
}

template <class Module>
int32_t ModuleCommands::region(Module& m, EffArgs& args, float pointerX, float pointerY) {
    m.fixSize_ = args.FixSize != 0;
    switch (args.DoNom) {
        case cmd::kMouseDown:
            m.gesture_.mouseDown(m.env_, m.fixSize_, pointerX, pointerY);
            return 0;
        case cmd::kMouseMove:
            m.gesture_.mouseMove(m.env_, m.fixSize_, pointerX, pointerY);
            return 0;
        case cmd::kMouseUp:
            m.gesture_.mouseUp(m.env_, m.fixSize_, pointerX, pointerY);
            m.EffApply();
            m.gesture_.endDrawing();
            return 0;
        case cmd::kRender: {
            // The record drives the apply routine; afterwards the panel's own
            // choice is back, even when the apply failed.
            struct RenderScope {
                Module& m;
                explicit RenderScope(Module& mod) : m(mod) { m.render_ = true; }
                ~RenderScope() {
                    m.render_ = false;
                    m.choice_.restore();
                }
            } scope(m);
            m.EffApply();
            return 0;
        }
        case cmd::kXYSet:
            if (m.gesture_.xySet(m.env_, args.Button, args.Shift, args.X, args.Y)) m.EffApply();
            m.gesture_.endDrawing();
            return 0;
        default:
            return panel(m, args);
    }
}

}  // namespace movalux
