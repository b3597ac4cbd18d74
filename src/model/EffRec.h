#pragma once
// One effect record: which effect a layer applies on one frame, where, and
// with which parameters. The timeline holds one per layer and frame; the
// working record WorkRec that the modules fill has the same fields.

#include <cstdint>
#include <string>

namespace movalux {

struct EffRec {
    int16_t Kind = 0;  // effect number; below 1 means no effect
    float X = 0;
    float Y = 0;
    float W = 0;
    float H = 0;
    int16_t Param = 0;
    std::string Text;  // an empty text uses no heap memory

    bool hasEffect() const { return Kind > 0; }
    bool operator==(const EffRec&) const = default;
};

// Effect numbers that the dispatcher knows.
namespace kouka {
inline constexpr int16_t kMaskEllipse = 1;
inline constexpr int16_t kMaskRect = 2;
inline constexpr int16_t kArrow = 3;
inline constexpr int16_t kPicture = 4;
inline constexpr int16_t kZoom = 5;
inline constexpr int16_t kMosaic = 6;
inline constexpr int16_t kColourTone = 7;
inline constexpr int16_t kBrightness = 8;
inline constexpr int16_t kInvert = 9;
inline constexpr int16_t kBlur = 10;
inline constexpr int16_t kPicture2 = 11;
inline constexpr int16_t kMovie = 20;
inline constexpr int16_t kPicture2ThenMovie = 30;
}  // namespace kouka

}  // namespace movalux
