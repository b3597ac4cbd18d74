// Undo and redo of whole layers.

#include "editor/Editor.h"
#include "host/Host.h"

namespace movalux {

void Editor::UndoN1(int16_t intCode, int16_t intDoCode) {
    if (intDoCode == 0) intDoCode = undo.UndoCode;
    undo.UndoCode = intDoCode;
    // Undo needs no copy of the state it leaves: reversing a step puts
    // that state into the step's own entry (UndoHistory).
    if (intCode == 1 || undo.UndoArmed != 0) return;
    (void)takeUndoStep(intDoCode);
}

int16_t Editor::takeUndoStep(int16_t code) {
    undo.UndoCode = code;
    const int16_t layer = SelLay;
    const bool shown = layer >= 0 && layer < EffTimeline::kShownLayers;
    const int16_t extra = shown ? LayEnable[static_cast<size_t>(layer)] : kFalse;
    return undo.record(code, layer, extra, EffArr, UndoArr);
}

void Editor::swapLayers(int a, int b) {
    EffArr.swapLayers(a, b);
    std::swap(LayEnable[static_cast<size_t>(a)], LayEnable[static_cast<size_t>(b)]);
}

void Editor::GoUndo() {
    undo.absorbPendingSelect();
    UndoEntry* e = undo.nextUndo();
    if (e == nullptr) return;
    // A command that changed several layers left one entry per layer, the
    // later ones joined to the first: they go back together.
    for (bool more = true; more; more = e->withPrevious && (e = undo.nextUndo()) != nullptr) {
        e->after = SelLay;
        const int16_t L = e->layer;
        switch (e->code) {
            case undocode::kEffects:
                // The entry's copy and the layer change places: the copy then
                // holds what redo brings back.
                UndoHistory::exchange(UndoArr, e->slot, EffArr, L);
                break;
            case undocode::kErase:
                if (L < 0 || L >= EffTimeline::kShownLayers) break;
                SelLay = L;
                // The layers from the erased one up move back up; the top shown
                // layer held only a copy of layer 4, which is still there.
                for (int i = 1; i <= 3 - L; ++i) {
                    copyLayer(3 - i, 4 - i);
                    LayEnable[static_cast<size_t>(4 - i)] = LayEnable[static_cast<size_t>(3 - i)];
                }
                UndoHistory::restore(UndoArr, e->slot, EffArr, L);
                LayEnable[static_cast<size_t>(L)] = e->extra != 0 ? kTrue : kFalse;
                DspSelLayer();
                DspLayEnable();
                break;
            case undocode::kSelect:
                SelLay = L;
                DspSelLayer();
                break;
            case undocode::kMoveRight:
            case undocode::kMoveLeft: {
                const int other = L + (e->code == undocode::kMoveRight ? 1 : -1);
                if (L < 0 || L >= EffTimeline::kShownLayers || other < 0 ||
                    other >= EffTimeline::kShownLayers)
                    break;
                swapLayers(L, other);
                SelLay = L;
                DspSelLayer();
                DspLayEnable();
                break;
            }
            default:
                break;
        }
        undo.undone();
    }
    markChanged();
    DspFrame2();
    host_.SetTLine();
}

void Editor::GoRedo() {
    undo.UndoArmed = kFalse;
    UndoEntry* e = undo.nextRedo();
    if (e == nullptr) return;
    for (bool more = true; more; more = (e = undo.nextRedo()) != nullptr && e->withPrevious) {
        const int16_t L = e->layer;
        switch (e->code) {
            case undocode::kEffects:
                UndoHistory::exchange(UndoArr, e->slot, EffArr, L);
                break;
            case undocode::kErase:
                if (L >= 0 && L < EffTimeline::kShownLayers) closeLayerGap(L);
                break;
            case undocode::kMoveRight:
            case undocode::kMoveLeft: {
                const int other = L + (e->code == undocode::kMoveRight ? 1 : -1);
                if (L >= 0 && L < EffTimeline::kShownLayers && other >= 0 &&
                    other < EffTimeline::kShownLayers)
                    swapLayers(L, other);
                break;
            }
            default:
                break;
        }
        // The selection returns to what it was when the step was undone.
        const int16_t selected = SelLay;
        SelLay = e->after;
        switch (e->code) {
            case undocode::kErase:
            case undocode::kMoveRight:
            case undocode::kMoveLeft:
                DspSelLayer();
                DspLayEnable();
                break;
            default:
                if (SelLay != selected || e->code == undocode::kSelect) DspSelLayer();
                break;
        }
        undo.redone();
    }
    markChanged();
    DspFrame2();
    host_.SetTLine();
}

void Editor::EffUndoErase() {
    undo.clear();
}

}  // namespace movalux
