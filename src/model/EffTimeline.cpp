#include "model/EffTimeline.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <unordered_set>
#include <utility>

namespace movalux {

const EffRec EffTimeline::kEmpty{};

namespace {

using Block = std::array<EffRec, static_cast<size_t>(EffTimeline::kBlockFrames)>;

// Blocks given up by undo steps and edits, kept for the next copy: copying a
// block into a used one reuses its texts' storage, so that an edit over a
// long layer of picture paths costs no more than the whole-layer copy it
// replaces. Bounded, so that a large edit's blocks go back to the system.
class BlockPool {
  public:
    static constexpr size_t kKept = 256;

    std::unique_ptr<Block> take() {
        std::lock_guard lock(mutex_);
        if (free_.empty()) return nullptr;
        std::unique_ptr<Block> b = std::move(free_.back());
        free_.pop_back();
        return b;
    }
    void give(Block* b) {
        std::unique_ptr<Block> owned(b);
        std::lock_guard lock(mutex_);
        if (free_.size() < kKept) free_.push_back(std::move(owned));
    }

  private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<Block>> free_;
};

BlockPool& pool() {
    // Never destroyed: blocks of static timelines may be released after it.
    static BlockPool* p = new BlockPool;
    return *p;
}

enum class Contents { Copy, Empty, Any };

std::shared_ptr<Block> pooledBlock(const Block* copyOf, Contents contents = Contents::Copy) {
    std::unique_ptr<Block> b = pool().take();
    if (b) {
        if (contents == Contents::Any) {
            // The caller writes every record; stale texts keep their storage.
        } else if (copyOf != nullptr)
            *b = *copyOf;
        else
            b->fill(EffRec{});
    } else {
        b = copyOf != nullptr ? std::make_unique<Block>(*copyOf) : std::make_unique<Block>();
    }
    return std::shared_ptr<Block>(b.release(), [](Block* p) { pool().give(p); });
}

}  // namespace

void EffTimeline::recreate(int32_t lastIndex) {
    frames_ = lastIndex < 0 ? 0 : lastIndex + 1;
    const size_t blocks = (static_cast<size_t>(frames_) + kBlockFrames - 1) >> kBlockShift;
    // Fresh vectors rather than clear()+resize(): a shorter movie after a
    // long one should also give the memory back.
    for (Layer& layer : blocks_) Layer(blocks).swap(layer);
}

EffTimeline::Block& EffTimeline::writable(int layer, size_t block) {
    std::shared_ptr<Block>& b = blocks_[static_cast<size_t>(layer)][block];
    if (!b)
        b = pooledBlock(nullptr);
    else if (b.use_count() > 1)
        b = pooledBlock(b.get());
    return *b;
}

void EffTimeline::prepareOverwrite(int layer, int32_t first, int32_t last) {
    first = std::max(first, 0);
    last = std::min(last, frames_ - 1);
    if (first > last) return;
    Layer& blocks = blocks_[static_cast<size_t>(layer)];
    for (size_t i = blockOf(first); i <= blockOf(last); ++i) {
        const int64_t from = static_cast<int64_t>(i) << kBlockShift;
        const int64_t to = from + kBlockFrames - 1;
        if (from < first || to > last) continue;  // partly outside: keep its other records
        std::shared_ptr<Block>& b = blocks[i];
        if (!b || b.use_count() > 1) b = pooledBlock(nullptr, Contents::Any);
    }
}

EffRec& EffTimeline::checkedAt(int layer, int32_t frame) {
    if (!contains(layer, frame)) throw std::out_of_range("timeline index");
    return at(layer, frame);
}

void EffTimeline::copyLayerFrom(const EffTimeline& source, int sourceLayer, int layer) {
    if (&source == this && sourceLayer == layer) return;
    if (source.frames_ == frames_) {
        blocks_[static_cast<size_t>(layer)] = source.blocks_[static_cast<size_t>(sourceLayer)];
        return;
    }
    const int32_t frames = std::min(frames_, source.frames_);
    for (int32_t f = 0; f < frames; ++f) {
        const EffRec& from = source.at(sourceLayer, f);
        // Equal records are left alone, so unwritten blocks stay unwritten.
        if (from != std::as_const(*this).at(layer, f)) at(layer, f) = from;
    }
}

void EffTimeline::swapLayers(int a, int b) {
    blocks_[static_cast<size_t>(a)].swap(blocks_[static_cast<size_t>(b)]);
}

void EffTimeline::swapLayerWith(EffTimeline& other, int otherLayer, int layer) {
    if (other.frames_ == frames_) {
        blocks_[static_cast<size_t>(layer)].swap(other.blocks_[static_cast<size_t>(otherLayer)]);
        return;
    }
    const int32_t frames = std::min(frames_, other.frames_);
    for (int32_t f = 0; f < frames; ++f) std::swap(at(layer, f), other.at(otherLayer, f));
}

void EffTimeline::clearKinds(int layer, int32_t first, int32_t last) {
    first = std::max(first, 0);
    last = std::min(last, frames_ - 1);
    const Layer& blocks = blocks_[static_cast<size_t>(layer)];
    for (int32_t f = first; f <= last; ++f) {
        if (!blocks[blockOf(f)]) {
            // A whole unwritten block: skip to the next one.
            f = static_cast<int32_t>(
                    std::min<int64_t>((static_cast<int64_t>(blockOf(f)) + 1) << kBlockShift,
                                      int64_t{last} + 1)) -
                1;
            continue;
        }
        if (std::as_const(*this).at(layer, f).Kind != 0) at(layer, f).Kind = 0;
    }
}

std::vector<EffRec> EffTimeline::layerRecords(int layer) const {
    std::vector<EffRec> out;
    out.reserve(static_cast<size_t>(frames_));
    for (int32_t f = 0; f < frames_; ++f) out.push_back(at(layer, f));
    return out;
}

size_t EffTimeline::bytesHeld() const {
    size_t bytes = sizeof(*this);
    std::unordered_set<const Block*> seen;
    for (const Layer& layer : blocks_) {
        bytes += layer.capacity() * sizeof(std::shared_ptr<Block>);
        for (const auto& block : layer) {
            if (!block || !seen.insert(block.get()).second) continue;
            bytes += sizeof(Block);
            for (const EffRec& r : *block)
                if (r.Text.capacity() > std::string().capacity()) bytes += r.Text.capacity() + 1;
        }
    }
    return bytes;
}

}  // namespace movalux
