#include "model/UndoHistory.h"

#include <algorithm>
#include <cstdlib>

namespace movalux {

namespace {
constexpr int16_t kArmed = -1;

int32_t commonFrames(const EffTimeline& a, const EffTimeline& b) {
    return std::min(a.frameCount(), b.frameCount());
}
}  // namespace

int16_t UndoHistory::record(bool redoPoint, int16_t code, int16_t layer, int16_t extra,
                            const EffTimeline& timeline, EffTimeline& copies) {
    if (layer < 0 || layer >= EffTimeline::kLayers) return -1;
    if (redoPoint) {
        if (UndoPos > 0) {
            // Entry UndoPos already holds the state the undos led back to.
            UndoArmed = kArmed;
            return -1;
        }
    } else if (UndoPos > 0) {
        // Keeping the undone steps would let a later redo overwrite this
        // edit, and keeping the entry of the state they led back to would let
        // an undo repeat the reversal of a step already reversed.
        dropNewest(UndoPos + 1);
        UndoPos = 0;
    }
    std::move_backward(UndoHist.begin(), UndoHist.end() - 1, UndoHist.end());
    UndoHist[0] = UndoEntry{};
    const int16_t slot = freeSlot();
    const int32_t frames = commonFrames(timeline, copies);
    std::copy(timeline.layerData(layer), timeline.layerData(layer) + frames,
              copies.layerData(slot));

    UndoHist[0] = {code, layer, slot, code == undocode::kErase ? extra : int16_t{0}};
    UndoSlot = static_cast<int16_t>((slot + 1) % kSlots);
    UndoArmed = kArmed;
    return slot;
}

void UndoHistory::discardRedo() {
    if (UndoPos == 0) return;
    dropNewest(UndoPos + 1);
    UndoPos = 0;
    UndoArmed = 0;
}

void UndoHistory::finishRedo() {
    if (UndoPos != 0) return;
    dropNewest(1);
    UndoArmed = 0;
}

void UndoHistory::clear() {
    UndoHist.fill(UndoEntry{});
    UndoPos = 0;
    UndoArmed = 0;
}

void UndoHistory::restore(const EffTimeline& copies, int16_t slot, EffTimeline& timeline,
                          int layer) {
    if (slot < 0 || slot >= EffTimeline::kLayers || layer < 0 || layer >= EffTimeline::kLayers)
        return;
    const int32_t frames = commonFrames(timeline, copies);
    std::copy(copies.layerData(slot), copies.layerData(slot) + frames, timeline.layerData(layer));
}

void UndoHistory::dropNewest(int count) {
    count = std::clamp(count, 0, kDepth);
    std::move(UndoHist.begin() + count, UndoHist.end(), UndoHist.begin());
    std::fill(UndoHist.end() - count, UndoHist.end(), UndoEntry{});
}

int16_t UndoHistory::freeSlot() const {
    // Only called with at most kDepth - 1 entries holding a slot.
    for (int n = 0; n < kSlots; ++n) {
        const auto candidate = static_cast<int16_t>((std::abs(UndoSlot) + n) % kSlots);
        const bool held = std::any_of(UndoHist.begin(), UndoHist.end(),
                                      [&](const UndoEntry& e) { return e.slot == candidate; });
        if (!held) return candidate;
    }
    return 0;
}

}  // namespace movalux
