#pragma once
// Where the frame display gets its pictures: the open movie, or a still
// picture for movalux-cli apply.

#include <cstdint>

namespace movalux {

class Surface;

class FrameSource {
  public:
    virtual ~FrameSource() = default;
    // Paints frame n into the picture, which has the source's size. False
    // when there is no picture for that frame.
    virtual bool paintFrame(int32_t frame, Surface& picture) = 0;
};

}  // namespace movalux
