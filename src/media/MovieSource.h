#pragma once
// The movie being edited: what it holds (size, frame rate, length, sound)
// and any of its frames, exactly the one asked for, whatever the codec does
// with B-frames and groups of pictures.
//
// Frame n is the picture presented n / rate seconds after the first picture.
// The frames are indexed once on open (a pass over the packets without
// decoding); a request then either decodes on from where the last one
// stopped or seeks to the key frame it needs and decodes forward. A request
// that cannot be answered within its time bound, beyond the end, or in a
// damaged stretch answers "no picture".

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Result.h"
#include "media/FrameSource.h"

namespace movalux {

class Surface;

struct MovieInfo {
    bool hasVideo = false;
    bool hasSound = false;
    int width = 0;
    int height = 0;
    double frameRate = 0;  // frames per second
    double duration = 0;   // seconds of video
    int32_t frameCount = 0;
    std::string formatName;  // container, as FFmpeg names it ("avi", "mov,mp4,...")
    std::string codecName;   // video codec ("mpeg4", "h264", ...)
};

class MovieSource final : public FrameSource {
  public:
    // Fails with the reason when the file is not a movie that can be read.
    // A readable file without a video stream opens with hasVideo false.
    static Result<std::unique_ptr<MovieSource>> open(const std::string& path);

    ~MovieSource() override;
    MovieSource(const MovieSource&) = delete;
    MovieSource& operator=(const MovieSource&) = delete;

    const MovieInfo& info() const { return info_; }
    const std::string& path() const { return path_; }

    // Paints frame n into the picture (scaled when the picture's size is not
    // the movie's). False when there is no picture for n.
    bool paintFrame(int32_t frame, Surface& picture) override;

    // The most one request may take; 1000 ms unless changed.
    void setRequestTimeout(std::chrono::milliseconds timeout);

    // How many times requests had to seek; sequential requests never do.
    int seekCount() const;

  private:
    struct Impl;
    explicit MovieSource(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> impl_;
    MovieInfo info_;
    std::string path_;
};

}  // namespace movalux
