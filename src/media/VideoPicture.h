#pragma once
// A decoded picture as the decoder gave it (its own pixel layout, not yet
// turned to 32-bit colour), shared without copying between the movie being
// read and the writer. Frames that no effect touches go to the encoder in
// this form: no colour conversion there and back, no loss from it.

#include <memory>

namespace movalux {

class VideoPicture {
  public:
    struct Frame;  // holds the decoder's frame; defined where FFmpeg is known

    bool empty() const { return frame_ == nullptr; }
    void reset() { frame_.reset(); }
    const Frame* frame() const { return frame_.get(); }

    explicit VideoPicture(std::shared_ptr<const Frame> frame = nullptr) : frame_(std::move(frame)) {}

  private:
    std::shared_ptr<const Frame> frame_;
};

}  // namespace movalux
