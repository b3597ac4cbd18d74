#pragma once
// The video encoders a written movie may be compressed with, and how the
// compressor dialog's settings (quality, key-frame interval, data rate)
// become encoder options. Only encoders whose AVI files FFmpeg reads back
// are offered: some (H.265 among them) produce AVI files that no reader can
// decode, without any error while writing.

#include <string>
#include <vector>

#include "media/MovieWriter.h"

namespace movalux {

struct EncoderChoice {
    std::string name;       // FFmpeg encoder name
    std::string caption;    // what the dialog lists
    bool lossless = false;  // quality and data rate change nothing
};

// The encoders of this FFmpeg build that AVI files may carry, the default
// (MPEG-4 Part 2) first.
std::vector<EncoderChoice> aviVideoEncoders();

inline constexpr const char* kDefaultVideoEncoder = "mpeg4";
inline constexpr int kDefaultQuality = 90;      // 0 smallest .. 100 best
inline constexpr int kDefaultKeyInterval = 15;  // frames

struct EncoderSettings {
    std::string codec = kDefaultVideoEncoder;
    int quality = kDefaultQuality;
    int keyInterval = kDefaultKeyInterval;
    int dataRateKbps = 0;  // 0: the quality rules
};

// Fills the codec part of the writer's options for a movie at `path`. AVI
// takes the chosen encoder; ".mp4" and ".mkv" take H.264 where this FFmpeg
// can encode it, otherwise MPEG-4 Part 2, with the same quality settings.
// B-frames are never used: AVI cannot carry their timestamps.
void applyEncoderSettings(const EncoderSettings& settings, const std::string& path,
                          MovieWriterOptions& options);

// The containers a movie may be written to, by the output name.
bool isMovieOutputName(const std::string& path);

// A frame rate as a fraction whose terms every encoder accepts
// (30000/1001 for 29.97).
void frameRateFraction(double fps, int& num, int& den);

}  // namespace movalux
