// Selecting, enabling, moving and erasing layers.

#include <algorithm>
#include <cmath>

#include "editor/Editor.h"
#include "host/Host.h"

namespace movalux {

namespace {
constexpr float kColumnWidth = 22.0f;

// The layer column under a mouse x; -1 left of the first column.
int columnAt(float x) {
    if (!(x >= 0)) return -1;  // also NaN
    return static_cast<int>(std::min(std::floor(x / kColumnWidth), 1000.0f));
}
}  // namespace

void Editor::SelLayer(int16_t /*Button*/, int16_t /*Shift*/, float X, float /*Y*/) {
    if (MvOpen == kFalse) return;
    const int n = columnAt(X);
    // A press beside the four columns would select a layer that is never
    // shown, or the swap row.
    if (n < 0 || n >= EffTimeline::kShownLayers) return;
    takeUndoStep(undocode::kSelect);
    SelLay = static_cast<int16_t>(n);
    HokanCancel(false);
    DspSelLayer();
    undo.UndoArmed = kFalse;
}

void Editor::SelLayEnable(int16_t /*Button*/, int16_t /*Shift*/, float X, float /*Y*/) {
    if (MvOpen == kFalse) return;
    const int n = columnAt(X);
    if (n >= 0 && n <= 4) {
        int16_t& flag = LayEnable[static_cast<size_t>(n)];
        flag = flag != 0 ? kFalse : kTrue;
    }
    DspLayEnable();
}

void Editor::MoveLayRight() {
    if (SelLay < 0 || SelLay >= EffTimeline::kShownLayers - 1) return;
    takeUndoStep(undocode::kMoveRight);
    swapSelectedLayer(static_cast<int16_t>(SelLay + 1));
    markChanged();
    undo.UndoArmed = kFalse;
}

void Editor::MoveLayLeft() {
    if (SelLay <= 0 || SelLay >= EffTimeline::kShownLayers) return;
    takeUndoStep(undocode::kMoveLeft);
    swapSelectedLayer(static_cast<int16_t>(SelLay - 1));
    markChanged();
    undo.UndoArmed = kFalse;
}

void Editor::LayerErase() {
    if (SelLay < 0 || SelLay >= EffTimeline::kShownLayers) return;
    takeUndoStep(undocode::kErase);
    closeLayerGap(SelLay);
    DspSelLayer();
    DspLayEnable();
    markChanged();
    undo.UndoArmed = kFalse;
}

void Editor::DspSelLayer() {
    host_.DspSelLayer();
    if (MvOpen != kFalse) host_.SetTLine();
}

void Editor::DspLayEnable() {
    host_.DspLayEnable();
    if (MvOpen != kFalse) host_.SetTLine();
}

void Editor::swapSelectedLayer(int16_t n) {
    // Swapped in place rather than through the scratch row 5, which no one
    // reads: no text is copied.
    swapLayers(SelLay, n);
    SelLay = n;
    DspSelLayer();
    DspLayEnable();
}

void Editor::copyLayer(int from, int to) {
    EffArr.copyLayer(from, to);
}

void Editor::closeLayerGap(int from) {
    for (int i = std::max(from, 0); i <= 3; ++i) {
        copyLayer(i + 1, i);
        LayEnable[static_cast<size_t>(i)] = LayEnable[static_cast<size_t>(i + 1)];
    }
}

}  // namespace movalux
