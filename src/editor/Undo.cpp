// Undo and redo of whole layers.

#include "editor/Editor.h"
#include "host/Host.h"

namespace movalux {

namespace {
// A snapshot request: the slot that took the copy, or -1 when none was
// taken (armed, or undo asked while its state is already kept).
int16_t snapshot(Editor& editor, UndoHistory& undo, int16_t intCode, int16_t intDoCode) {
    if (intDoCode == 0) intDoCode = undo.UndoCode;
    undo.UndoCode = intDoCode;
    if (undo.UndoArmed != 0) return -1;
    const int16_t layer = editor.SelLay;
    const bool shown = layer >= 0 && layer < EffTimeline::kShownLayers;
    const int16_t extra = shown ? editor.LayEnable[static_cast<size_t>(layer)] : kFalse;
    return undo.record(intCode == 1, intDoCode, layer, extra, editor.EffArr, editor.UndoArr);
}
}  // namespace

void Editor::UndoN1(int16_t intCode, int16_t intDoCode) {
    snapshot(*this, undo, intCode, intDoCode);
}

int16_t Editor::takeUndoStep(int16_t code) {
    undo.UndoArmed = kFalse;
    return snapshot(*this, undo, 0, code);
}

void Editor::GoUndo() {
    if (undo.UndoPos > UndoHistory::kMaxUndoPos) return;
    UndoN1(1, 0);
    const UndoEntry e = undo.UndoHist[static_cast<size_t>(undo.UndoPos) + 1];
    switch (e.code) {
        case undocode::kEffects:
            UndoHistory::restore(UndoArr, e.slot, EffArr, e.layer);
            break;
        case undocode::kErase:
            SelLay = e.layer;
            // The layers from the erased one up move back up; the top shown
            // layer's content gives way.
            for (int i = 1; i <= 3 - SelLay; ++i) {
                copyLayer(3 - i, 4 - i);
                LayEnable[static_cast<size_t>(4 - i)] = LayEnable[static_cast<size_t>(3 - i)];
            }
            UndoHistory::restore(UndoArr, e.slot, EffArr, SelLay);
            if (SelLay >= 0 && SelLay < EffTimeline::kShownLayers)
                LayEnable[static_cast<size_t>(SelLay)] = e.extra != 0 ? kTrue : kFalse;
            DspSelLayer();
            DspLayEnable();
            break;
        case undocode::kSelect:
            SelLay = e.layer;
            DspSelLayer();
            break;
        // Reversing a move is a move, but not a new step: the history stays
        // as it is so that further undos walk on and redo can come back.
        case undocode::kMoveRight:
            if (SelLay > 0) swapSelectedLayer(static_cast<int16_t>(SelLay - 1));
            break;
        case undocode::kMoveLeft:
            if (SelLay < EffTimeline::kShownLayers - 1)
                swapSelectedLayer(static_cast<int16_t>(SelLay + 1));
            break;
        default:
            break;
    }
    ++undo.UndoPos;
    DspFrame2();
    host_.SetTLine();
}

void Editor::GoRedo() {
    if (undo.UndoPos == 0) return;
    --undo.UndoPos;
    const auto pos = static_cast<size_t>(undo.UndoPos);
    // The kind of the step comes from the entry it was undone with; the
    // state after it is the next newer entry's copy.
    const int16_t code = undo.UndoHist[pos + 1].code;
    const UndoEntry data = undo.UndoHist[pos];
    switch (code) {
        case undocode::kEffects:
            UndoHistory::restore(UndoArr, data.slot, EffArr, data.layer);
            break;
        case undocode::kErase:
            if (data.layer <= 3) closeLayerGap(data.layer);
            DspSelLayer();
            DspLayEnable();
            break;
        case undocode::kSelect:
            SelLay = data.layer;
            DspSelLayer();
            break;
        case undocode::kMoveRight:
            if (SelLay < EffTimeline::kShownLayers - 1)
                swapSelectedLayer(static_cast<int16_t>(SelLay + 1));
            break;
        case undocode::kMoveLeft:
            if (SelLay > 0) swapSelectedLayer(static_cast<int16_t>(SelLay - 1));
            break;
        default:
            break;
    }
    undo.finishRedo();
    DspFrame2();
    host_.SetTLine();
}

void Editor::EffUndoErase() {
    undo.clear();
}

}  // namespace movalux
