#include "media/FrameGrab.h"

#include "media/FrameSource.h"

namespace movalux {

bool FrameGrab::request(int32_t frame) {
    if (!armed_) return false;
    // One picture per arming, as a one-shot grabber delivers.
    armed_ = false;
    arrived_ = source_.paintFrame(frame, sample_);
    return arrived_;
}

}  // namespace movalux
