#include "model/EffTimeline.h"

#include <stdexcept>

namespace movalux {

void EffTimeline::recreate(int32_t lastIndex) {
    frames_ = lastIndex < 0 ? 0 : lastIndex + 1;
    // A fresh vector rather than clear()+resize(): a shorter movie after a
    // long one should also give the memory back.
    std::vector<EffRec>(static_cast<size_t>(kLayers) * static_cast<size_t>(frames_)).swap(recs_);
}

EffRec& EffTimeline::checkedAt(int layer, int32_t frame) {
    if (!contains(layer, frame)) throw std::out_of_range("timeline index");
    return at(layer, frame);
}

}  // namespace movalux
