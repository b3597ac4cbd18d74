#pragma once
// What the overlay effects (arrow, picture, picture 2, movie) share beyond
// the common module environment: the hidden scratch pictures PictStart,
// PictEnd and PicEffect, the resource table of picture and movie files that
// the edit file stores, and the loaders of pictures and movies. The loaders
// are ports so that the effect modules never see FFmpeg.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/FileTitle.h"
#include "base/Result.h"
#include "effects/Surface.h"

namespace movalux {

class Panel;

// The files picture 2 and the movie overlay use, each once. An entry is the
// owner's effect number in two digits followed by the path ("11/a/b.jpg").
struct ResourceTable {
    static constexpr int16_t kSlots = 100;
    std::array<std::string, kSlots> entries;
    int16_t count = 0;
    // Which slot's picture PictStart holds now; -1 when it holds something
    // else (the arrow's sprite, nothing yet).
    int16_t marker = -1;
    // The slot being edited or rendered.
    int16_t currentSlot = 0;

    // The path of a slot's entry ("" for an empty or unknown slot).
    std::string pathOf(int32_t slot) const;
    // The slot whose entry names this path, or -1.
    int16_t find(std::string_view path) const;
    // The slot of the path, appended when new. Nothing changes and the
    // answer is -1 when the table is full.
    int16_t add(int16_t owner, const std::string& path);
};

// A movie overlaid on the frame: frame n as the movie source defines it.
class OverlayMovie {
  public:
    virtual ~OverlayMovie() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual double frameRate() const = 0;
    virtual int32_t frameCount() const = 0;
    // Frame n into the picture, scaled to its size; false when there is none.
    virtual bool paintFrame(int32_t frame, Surface& picture) = 0;
};

// Loading what the overlays show. The editor gives FFmpeg's readers.
class OverlayMedia {
  public:
    virtual ~OverlayMedia() = default;
    virtual Result<Surface> loadPicture(const std::string& path) = 0;
    virtual Result<std::unique_ptr<OverlayMovie>> openMovie(const std::string& path) = 0;
};

struct OverlayShared {
    Surface PictStart;  // picture 2's picture, the movie's frame, the arrow's sprite
    Surface PictEnd;    // the arrow's mask
    Surface PicEffect;  // the picture overlay's picture
    ResourceTable table;
    OverlayMedia* media = nullptr;
    // Files an overlay could not read, each once, so that a headless job can
    // say it drew less than it was asked to.
    std::vector<std::string> unreadable;
    void noteUnreadable(const std::string& path);
};

// A transparency in percent as a constant blend alpha: 255 - t x 2.55 in
// single precision, rounded half to even (0 255, 30 178, 50 128, 70 76,
// 90 26). Out-of-range values saturate at 0 and 255.
uint8_t overlayOpacity(int32_t transparency);

// Transparencies of the overlays' list "0", "30", "50", "70", "90".
inline constexpr int16_t kOverlayTransparencies[] = {0, 30, 50, 70, 90};
int16_t overlayTransparencyAt(int32_t listIndex);

// The no-transparent-colour value of picture 2 and the movie.
inline constexpr int32_t kNoKeyColour = 99999999;

// A classic colour value (red in the low byte) as our pixel, and back.
uint32_t pixelOfColorRef(int32_t colorRef);
int32_t colorRefOfPixel(uint32_t pixel);

// Panel units as preview pixels at a layout scale (15 units to a pixel at
// scale 1), as the window sizes the preview.
int panelPixels(int units, float scale);

// The picture stretched into the rectangle (x, y, w, h) of dst, mirrored
// along an axis whose size is negative (the rectangle then reaches from
// x + w to x). Halftone (area average) stretching; the frame's edge clips.
// With a key colour (kNoKeyColour for none) the stretched pixels of exactly
// that colour leave dst unchanged.
// A picture already stretched to one size, kept while the picture and the
// size stay: a still overlay drawn at the same size on every frame is
// stretched once. `contentId` names the picture's content (0: no caching).
struct StretchCache {
    uint64_t contentId = 0;
    int w = 0, h = 0;  // signed sizes of the stretch kept
    Surface stretched;
};
void stretchOverlay(Surface& dst, int x, int y, int w, int h, const Surface& picture,
                    int32_t keyColorRef, StretchCache* cache = nullptr, uint64_t contentId = 0);

// The clipped part of the rectangle (x, y, w, h) with either size negative
// meaning the rectangle reaches back from x or y: left, top, width, height.
struct ClipRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
};
ClipRect clipToPicture(int64_t x, int64_t y, int64_t w, int64_t h, int width, int height);

// Record strings of picture 2 and the movie: slot "00", frame "000000",
// colour "00000000".
std::string overlayRecordText(int32_t slot, int32_t frame, int32_t colour);
struct OverlayRecordFields {
    int32_t slot = 0;
    int32_t frame = 0;
    int32_t colour = kNoKeyColour;
};
OverlayRecordFields parseOverlayRecordText(std::string_view text);
// The slot a key frame's record names, which the frames filled in between
// name too; `fallback` when the text is not such a record.
int16_t keyFrameSlot(std::string_view keyText, int16_t fallback);

}  // namespace movalux
