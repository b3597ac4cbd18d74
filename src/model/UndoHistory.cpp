#include "model/UndoHistory.h"

#include <algorithm>
#include <cstdlib>

namespace movalux {

namespace {
constexpr int16_t kArmed = -1;

bool copiesLayer(int16_t code) {
    return code == undocode::kEffects || code == undocode::kErase;
}
}  // namespace

int16_t UndoHistory::record(int16_t code, int16_t layer, int16_t extra, const EffTimeline& timeline,
                            EffTimeline& copies) {
    if (layer < 0 || layer >= EffTimeline::kLayers) return -1;
    // Keeping the undone steps would let a later redo overwrite this edit.
    dropNewest(UndoPos);
    UndoPos = 0;
    std::move_backward(UndoHist.begin(), UndoHist.end() - 1, UndoHist.end());
    UndoHist[0] = UndoEntry{};
    int16_t slot = -1;
    if (copiesLayer(code)) {
        slot = freeSlot();
        copies.copyLayerFrom(timeline, layer, slot);
        UndoSlot = static_cast<int16_t>((slot + 1) % kSlots);
    }
    UndoHist[0] = {code, layer, slot, code == undocode::kErase ? extra : int16_t{0}, layer};
    UndoArmed = kArmed;
    return slot;
}

UndoEntry* UndoHistory::nextUndo() {
    if (UndoPos < 0 || UndoPos >= kDepth) return nullptr;
    UndoEntry& e = UndoHist[static_cast<size_t>(UndoPos)];
    return e.code == undocode::kNone ? nullptr : &e;
}

UndoEntry* UndoHistory::nextRedo() {
    if (UndoPos <= 0 || UndoPos > kDepth) return nullptr;
    return &UndoHist[static_cast<size_t>(UndoPos - 1)];
}

bool UndoHistory::absorbPendingSelect() {
    const bool pending = UndoArmed != 0 && UndoPos == 0 && UndoHist[0].code == undocode::kSelect;
    UndoArmed = 0;
    if (pending) dropNewest(1);
    return pending;
}

void UndoHistory::discardRedo() {
    if (UndoPos == 0) return;
    dropNewest(UndoPos);
    UndoPos = 0;
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
    timeline.copyLayerFrom(copies, slot, layer);
}

void UndoHistory::exchange(EffTimeline& copies, int16_t slot, EffTimeline& timeline, int layer) {
    if (slot < 0 || slot >= EffTimeline::kLayers || layer < 0 || layer >= EffTimeline::kLayers)
        return;
    timeline.swapLayerWith(copies, slot, layer);
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
        const bool held = std::any_of(UndoHist.begin(), UndoHist.end(), [&](const UndoEntry& e) {
            return e.code != undocode::kNone && e.slot == candidate;
        });
        if (!held) return candidate;
    }
    return 0;
}

}  // namespace movalux
