#pragma once
// The movie being edited: what it holds (size, frame rate, length, sound)
// and any of its frames, exactly the one asked for, whatever the codec does
// with B-frames and groups of pictures.
//
// Frame n is the picture a player shows n / rate seconds after the first
// picture: where a picture is missing at that time (a dropped frame, a gap in
// the timestamps, a picture the decoder rejects) it is the last picture
// before it, or before any picture, the first that decodes. The frame count
// follows the movie's duration, not the number of pictures.
//
// Containers whose timestamps and index can be trusted (MP4, MOV, MKV, WMV,
// AVI without reordered pictures) are opened from their own index; the
// others (AVI with B-frames, MPEG program streams, files without an index)
// are read once on open to learn the presentation order. A request either
// decodes on from where the last one stopped or seeks to a key frame before
// it and decodes forward. A request beyond the end, or one that cannot be
// answered within its time bound, answers "no picture".

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/Result.h"
#include "media/FrameSource.h"
#include "media/VideoPicture.h"

namespace movalux {

class Surface;

struct MovieInfo {
    bool hasVideo = false;
    bool hasSound = false;
    int width = 0;  // as shown: a movie stored sideways with a quarter turn is upright here
    int height = 0;
    int sarNum = 1;  // the shape of a pixel (width : height), as shown
    int sarDen = 1;
    int rotation = 0;       // degrees the stored picture is turned clockwise to be shown
    bool mirrored = false;  // shown mirrored as well
    double frameRate = 0;   // frames per second
    int rateNum = 0;        // the same rate as an exact fraction
    int rateDen = 1;
    double duration = 0;  // seconds of video
    int32_t frameCount = 0;
    std::string formatName;  // container, as FFmpeg names it ("avi", "mov,mp4,...")
    std::string codecName;   // video codec ("mpeg4", "h264", ...)
};

class MovieSource final : public FrameSource {
  public:
    // Fails with the reason when the file is not a movie that can be read.
    // A readable file without a video stream opens with hasVideo false.
    // `progress` hears the fraction read (0 to 1) while a file that has to be
    // read whole is indexed.
    static Result<std::unique_ptr<MovieSource>> open(
        const std::string& path, const std::function<void(double)>& progress = {});

    ~MovieSource() override;
    MovieSource(const MovieSource&) = delete;
    MovieSource& operator=(const MovieSource&) = delete;

    const MovieInfo& info() const { return info_; }
    const std::string& path() const { return path_; }

    // Paints frame n into the picture (scaled when the picture's size is not
    // the movie's). False when there is no picture for n.
    bool paintFrame(int32_t frame, Surface& picture) override;

    // Frame n as decoded, without turning it into 32-bit colour (for a
    // writer that can take it as it is). False when there is no picture.
    bool decodeFrame(int32_t frame, VideoPicture& out);
    // The decoded picture behind the last paintFrame or decodeFrame; empty
    // when that gave none.
    VideoPicture lastPicture() const;
    // Paints a picture from decodeFrame as paintFrame would have.
    bool paintPicture(const VideoPicture& picture, Surface& out);

    // The most one request may take; 1000 ms unless changed.
    void setRequestTimeout(std::chrono::milliseconds timeout);

    // How many times requests had to seek; sequential requests never do.
    int seekCount() const;

    // Pictures the decoder rejected so far (each is replaced by its nearest
    // decodable neighbour; the first one goes to FFmpeg's log).
    int decodeErrorCount() const;

    // True when the file was read whole on open (no usable index).
    bool indexedByReading() const;

  private:
    struct Impl;
    explicit MovieSource(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> impl_;
    MovieInfo info_;
    std::string path_;
};

}  // namespace movalux
