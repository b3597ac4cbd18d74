#pragma once
// The effect timeline: one EffRec per layer (0-10) and frame (0-N). The same
// shape serves the undo copies.

#include <cstdint>
#include <vector>

#include "model/EffRec.h"

namespace movalux {

class EffTimeline {
public:
    static constexpr int kLayers = 11;       // layers 0-10
    static constexpr int kShownLayers = 4;   // 0-3 are shown, edited and drawn
    static constexpr int kSavedLayers = 5;   // 0-4 go into the edit file
    static constexpr int kSwapLayer = 5;     // scratch row for swapping two layers

    // Re-dimensions to frames 0..lastIndex, discarding every record.
    // lastIndex below 0 leaves an empty timeline.
    void recreate(int32_t lastIndex);

    // Number of frame columns (lastIndex + 1).
    int32_t frameCount() const { return frames_; }
    int32_t lastIndex() const { return frames_ - 1; }

    bool contains(int layer, int32_t frame) const {
        return layer >= 0 && layer < kLayers && frame >= 0 && frame < frames_;
    }

    // Callers check contains() where an index may come from outside.
    EffRec& at(int layer, int32_t frame) { return recs_[index(layer, frame)]; }
    const EffRec& at(int layer, int32_t frame) const { return recs_[index(layer, frame)]; }

    // Throws std::out_of_range; for code paths that trap errors like the
    // effect modules do.
    EffRec& checkedAt(int layer, int32_t frame);

    // Layers are stored row by row so that a layer is one contiguous run:
    // undo copies, swaps and erases move whole layers.
    EffRec* layerData(int layer) { return recs_.data() + static_cast<size_t>(layer) * frames_; }
    const EffRec* layerData(int layer) const {
        return recs_.data() + static_cast<size_t>(layer) * frames_;
    }

private:
    size_t index(int layer, int32_t frame) const {
        return static_cast<size_t>(layer) * static_cast<size_t>(frames_) + static_cast<size_t>(frame);
    }

    std::vector<EffRec> recs_;
    int32_t frames_ = 0;
};

}  // namespace movalux
