#pragma once
// Writes a movie through FFmpeg: pictures in, one compressed video stream
// and optionally one sound stream out. The container follows the file name
// (AVI for ".avi"); the video codec is chosen by name or, when none is
// given, by the container. The file is built beside the target and renamed
// over it only by finish(), so a failed or abandoned write never replaces a
// file.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/Result.h"
#include "media/VideoPicture.h"

namespace movalux {

class Surface;

struct MovieWriterOptions {
    int width = 0;
    int height = 0;
    int fpsNum = 25;  // frame rate as a fraction
    int fpsDen = 1;
    int sarNum = 1;  // the shape of a pixel (width : height), kept for players
    int sarDen = 1;
    std::string videoCodec;  // FFmpeg encoder name; empty: the container's usual one
    int keyInterval = 12;    // pictures from one key frame to the next
    int maxBFrames = 0;
    bool openGop = false;     // B-frames may refer across key frames (H.264)
    int quality = 0;          // 1 (best) .. 31 quantiser for the MPEG family; 0: codec default
    int crf = -1;             // libx264's constant rate factor; -1: the writer's default
    int64_t bitRate = 0;      // bits per second; when set it rules over quality and crf
    std::string pixelFormat;  // FFmpeg pixel format name; empty: what suits the codec
    // Encoder threads. 1 gives the same bytes on every machine; the movie
    // writing overlaps the encoder with decoding instead (AsyncFrameWriter).
    int threads = 1;
    bool sound = false;
    int sampleRate = 44100;
    int channels = 2;
};

// Encoders of this FFmpeg build that take pictures, by name.
std::vector<std::string> availableVideoEncoders();
bool hasEncoder(const std::string& name);

class MovieWriter {
  public:
    static Result<std::unique_ptr<MovieWriter>> create(const std::string& path,
                                                       const MovieWriterOptions& options);
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    // The next picture; scaled when its size is not the movie's.
    Status writeFrame(const Surface& picture);

    // Whether a decoded picture can go to the encoder as it is: the same
    // size and pixel layout as the movie being written, shown as stored.
    bool canTake(const VideoPicture& picture) const;
    // The next picture, a decoded one that canTake() accepted, as it is.
    Status writePicture(const VideoPicture& picture);
    // The next picture: the decoded one, with the pixels x0..x1-1,
    // y0..y1-1 (clipped) taken from `drawn`, which has the movie's size.
    // Only the area is converted; the rest keeps the decoded pixels.
    Status writePicture(const VideoPicture& picture, const Surface& drawn, int64_t x0, int64_t y0,
                        int64_t x1, int64_t y1);
    // Interleaved 16-bit samples, channels as given in the options.
    Status writeSound(std::span<const int16_t> samples);
    // Flushes the encoders, closes the file and puts it in place.
    Status finish();

    const std::string& videoCodecName() const;
    // The sound stream's sample rate (the encoder may not take the one asked
    // for); 0 without sound.
    int sampleRate() const;

  private:
    struct Impl;
    explicit MovieWriter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace movalux
