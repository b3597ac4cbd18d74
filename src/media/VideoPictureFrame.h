#pragma once
// The decoder's frame inside a VideoPicture. Only sources in src/media
// include this.

#include "media/FfmpegHolders.h"
#include "media/VideoPicture.h"

namespace movalux {

struct VideoPicture::Frame {
    ff::Frame frame;  // a reference to the decoder's buffers
    bool upright = true;  // shown as stored (no turn or mirror to apply)
};

// A new reference to f's buffers; an empty picture when that fails.
inline VideoPicture referencePicture(const AVFrame* f, bool upright) {
    auto holder = std::make_shared<VideoPicture::Frame>();
    holder->frame.reset(av_frame_alloc());
    if (!holder->frame || av_frame_ref(holder->frame.get(), f) < 0) return VideoPicture{};
    holder->upright = upright;
    return VideoPicture(std::move(holder));
}

}  // namespace movalux
