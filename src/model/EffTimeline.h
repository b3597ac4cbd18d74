#pragma once
// The effect timeline: one EffRec per layer (0-10) and frame (0-N). The same
// shape serves the undo copies.
//
// A two-hour movie has 216,000 frames and eleven layers, most of them never
// written: records live in blocks of frames that exist only once a record in
// them is written, and whole-layer copies (undo steps, layer moves) share
// blocks until one side writes. An empty timeline and its undo copies cost
// a few pointers per block, and an undo step costs only the blocks the edit
// after it touches.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/EffRec.h"

namespace movalux {

class EffTimeline {
public:
    static constexpr int kLayers = 11;       // layers 0-10
    static constexpr int kShownLayers = 4;   // 0-3 are shown, edited and drawn
    static constexpr int kSavedLayers = 5;   // 0-4 go into the edit file
    static constexpr int kSwapLayer = 5;     // scratch row for swapping two layers

    static constexpr int kBlockShift = 9;
    static constexpr int32_t kBlockFrames = 1 << kBlockShift;  // frames per block

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
    // Reading never allocates: a frame of a block never written reads as an
    // empty record.
    const EffRec& at(int layer, int32_t frame) const {
        const auto& block = blocks_[static_cast<size_t>(layer)][blockOf(frame)];
        return block ? (*block)[offsetOf(frame)] : kEmpty;
    }
    // For writing: makes the frame's block this layer's own. The reference
    // stays valid until the timeline is recreated or the layer is replaced
    // by a whole-layer operation.
    EffRec& at(int layer, int32_t frame) {
        return writable(layer, blockOf(frame))[offsetOf(frame)];
    }

    // Before a caller writes every field of every record of frames
    // first..last: blocks wholly inside the range become this layer's own
    // without copying records that are about to be replaced, so such a fill
    // costs what writing in place costs. Until written, those records hold
    // unspecified values.
    void prepareOverwrite(int layer, int32_t first, int32_t last);

    // Throws std::out_of_range; for code paths that trap errors like the
    // effect modules do.
    EffRec& checkedAt(int layer, int32_t frame);

    // Whole-layer operations. Between timelines of the same length they
    // share blocks and copy nothing; otherwise they cover the frames both
    // have, as an element-wise copy would.
    void copyLayer(int from, int to) { copyLayerFrom(*this, from, to); }
    void swapLayers(int a, int b);
    void copyLayerFrom(const EffTimeline& source, int sourceLayer, int layer);
    void swapLayerWith(EffTimeline& other, int otherLayer, int layer);

    // Sets Kind to 0 on frames first..last (clipped to the timeline) of one
    // layer; blocks never written stay unwritten.
    void clearKinds(int layer, int32_t first, int32_t last);

    // The layer's records, frames 0..frameCount()-1 (for comparisons).
    std::vector<EffRec> layerRecords(int layer) const;

    // Bytes this timeline holds; a block shared between its layers counts
    // once, one shared with another timeline counts in both.
    size_t bytesHeld() const;

private:
    using Block = std::array<EffRec, static_cast<size_t>(kBlockFrames)>;
    using Layer = std::vector<std::shared_ptr<Block>>;

    static size_t blockOf(int32_t frame) { return static_cast<size_t>(frame) >> kBlockShift; }
    static size_t offsetOf(int32_t frame) {
        return static_cast<size_t>(frame) & static_cast<size_t>(kBlockFrames - 1);
    }
    Block& writable(int layer, size_t block);

    static const EffRec kEmpty;

    std::array<Layer, kLayers> blocks_;
    int32_t frames_ = 0;
};

}  // namespace movalux
