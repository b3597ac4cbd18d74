#pragma once
// The description a movie is written with (the AVI stream header's fields),
// filled when a movie is opened and read by the writer.

#include <cstdint>

namespace movalux {

struct StreamRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct AviStreamInfo {
    uint32_t fccType = 0;  // left 0 until a stream is created
    uint32_t fccHandler = 0;
    uint32_t dwFlags = 0;
    uint32_t dwCaps = 0;
    int16_t wPriority = 0;
    int16_t wLanguage = 0;
    uint32_t dwScale = 1;
    uint32_t dwRate = 0;  // dwRate / dwScale frames per second
    uint32_t dwStart = 0;
    uint32_t dwLength = 0;  // frames
    uint32_t dwInitialFrames = 0;
    uint32_t dwSuggestedBufferSize = 0;
    uint32_t dwQuality = 10000;
    uint32_t dwSampleSize = 0;
    StreamRect rcFrame;
    uint32_t dwEditCount = 0;
    uint32_t dwFormatChangeCount = 0;
};

}  // namespace movalux
