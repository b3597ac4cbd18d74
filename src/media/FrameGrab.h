#pragma once
// One picture handed over from a movie on request, as the movie overlay
// takes its frames: arm, ask for a frame, then take the picture once.

#include <cstdint>

#include "effects/Surface.h"

namespace movalux {

class FrameSource;

class FrameGrab {
  public:
    FrameGrab(FrameSource& source, int width, int height)
        : source_(source), sample_(width, height, kBlack) {}

    void arm() {
        armed_ = true;
        arrived_ = false;
    }
    // Fetches the frame when armed; the picture is there when it came.
    bool request(int32_t frame);
    bool arrived() const { return arrived_; }
    const Surface& sample() const { return sample_; }
    // The picture has been used.
    void take() { arrived_ = false; }

  private:
    FrameSource& source_;
    Surface sample_;
    bool armed_ = false;
    bool arrived_ = false;
};

}  // namespace movalux
