#pragma once
// What FFmpeg's own tools make of a movie, to hold our frames against: the
// time of every picture its decoder gives, and the pictures themselves as
// 32-bit BGRA, read from `ffmpeg` and `ffprobe` as a user would run them.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace movalux::test {

// What a shell command prints on its standard output.
std::string capture(const std::string& command);

// The folder of the real sample movies (scripts/fetch-samples fills it).
std::string samplesDir();
// The sample's path; an empty string (and a test failure) when it is missing.
std::string samplePath(const std::string& name);

struct ReferenceMovie {
    std::vector<double> times;  // seconds, in the order the decoder gives the pictures
    double streamDuration = 0;  // ffprobe's duration of the video stream, 0 when unknown
    // Where the movie's time starts: the first picture's time, unless the
    // first pictures do not decode (then the caller knows it).
    double origin = 0;
    int width = 0;
    int height = 0;
};

ReferenceMovie probeReference(const std::string& path);

// Index of the picture a player shows at `seconds` after the origin: the
// last one whose time has come (before any, the first one).
int pictureAt(const ReferenceMovie& ref, double seconds);

// The decoded pictures with the given indices, BGRA rows of width x 4 bytes.
// `options` go before the output (a filter such as "-vf hflip"); the
// pictures are ref.width x ref.height, so a caller that turns them sets the
// turned size.
std::map<int, std::vector<uint8_t>> referencePictures(const std::string& path,
                                                      const ReferenceMovie& ref,
                                                      const std::vector<int>& indices,
                                                      const std::string& options = "",
                                                      const std::string& inputOptions = "");

// Mean absolute difference per byte of two BGRA pictures of the same size
// (the unused fourth byte left out).
double meanDifference(const uint8_t* a, const uint8_t* b, int width, int height);

}  // namespace movalux::test
