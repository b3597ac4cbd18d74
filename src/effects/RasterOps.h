#pragma once
// The raster operations that every effect uses, with exact results and
// clipping at the pictures' edges everywhere. Coordinates are pixels, x to
// the right, y down; a rectangle is (left, top, width, height).

#include <array>
#include <cstdint>

#include "effects/Surface.h"

namespace movalux {

enum class Rop {
    SrcCopy,     // d = s
    DstInvert,   // d = ~d
    SrcAnd,      // d = s & d
    SrcPaint,    // d = s | d
    NotSrcCopy,  // d = ~s
    MergePaint,  // d = ~s | d
};

enum class StretchMode {
    Nearest,
    Halftone,  // area average
};

// Draw modes of the drawing operations, by their classic numbers.
enum class DrawMode : int16_t {
    Invert = 6,    // d = ~d; the pen colour does not matter
    CopyPen = 13,  // d = pen colour
};

// Copies (combines) a w x h block. Pixels whose source or destination lies
// outside its picture are left alone. src may be dst itself (overlap safe);
// it is not read for DstInvert and may be null then.
void BitBlt(Surface& dst, int dx, int dy, int w, int h, const Surface* src, int sx, int sy, Rop rop);

// Whole-picture copy of equal-size pictures (the frame pipeline's GetPic).
void copyPicture(Surface& dst, const Surface& src);
// Copies pixels x0..x1-1, y0..y1-1 (clipped to both pictures) from src to
// the same place in dst.
void copyPictureRect(Surface& dst, const Surface& src, int64_t x0, int64_t y0, int64_t x1,
                     int64_t y1);

// Scales the source rectangle onto the destination rectangle. Source pixels
// outside the source picture repeat its edge. Rop is SrcCopy or MergePaint.
// A negative width or height takes the rectangle on the other side of its
// start, mirrored; zero sizes draw nothing.
void StretchBlt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                int sw, int sh, Rop rop, StretchMode mode);

// Constant-alpha blend of equal-size rectangles, per channel:
// d = (s * a + d * (255 - a) + 127) / 255.
void AlphaBlend(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
                uint8_t alpha);
// One row of that blend: n pixels of s over n pixels of d. The effects that
// blend many times per frame (blur) call it on rows they choose themselves.
void alphaBlendRow(uint32_t* d, const uint32_t* s, int n, uint8_t alpha);

// Copies every source pixel except those of the transparent colour, scaling
// nearest-neighbour when the sizes differ.
void TransparentBlt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx,
                    int sy, int sw, int sh, uint32_t transparent);

enum class FloodType {
    Border,   // fill outwards until the border colour
    Surface,  // fill the connected area of the seed's colour
};

// 4-connected flood fill with the fill colour. A seed outside the picture,
// on the border colour (Border) or not of the surface colour (Surface) fills
// nothing.
void FloodFill(Surface& s, int x, int y, uint32_t colour, FloodType type, uint32_t fillColour);

// Lines include both end points; boxes are the outline of the rectangle with
// the two corners included. In Invert mode every pixel of the figure is
// inverted exactly once, so drawing the same figure twice restores the
// picture (rubber bands).
void DrawLine(Surface& s, int x1, int y1, int x2, int y2, uint32_t colour, DrawMode mode);
void DrawBox(Surface& s, int x1, int y1, int x2, int y2, uint32_t colour, DrawMode mode);
void FillBox(Surface& s, int x1, int y1, int x2, int y2, uint32_t colour);
// Rubber bands `width` pixels wide, inverted: concentric boxes (ellipses)
// from the given one inwards. Drawing the same twice restores the picture.
void InvertOutlineBox(Surface& s, int x1, int y1, int x2, int y2, int width);
void InvertOutlineEllipse(Surface& s, double cx, double cy, double radius, double aspect,
                          int width);

// The classic circle call: centre, radius and aspect. With |aspect| <= 1 the
// horizontal semi-axis is the radius and the vertical radius * |aspect|;
// otherwise the vertical one is the radius and the horizontal radius /
// |aspect|. The outline is closed, so a flood fill inside stays inside.
void DrawEllipse(Surface& s, double cx, double cy, double radius, double aspect, uint32_t colour,
                 DrawMode mode);
// The same ellipse by its horizontal and vertical semi-axes.
void DrawEllipseAxes(Surface& s, double cx, double cy, double a, double b, uint32_t colour,
                     DrawMode mode);

// Colour adjustment: one gamma per primary, 2500 to 65000, 10000 being the
// identity. The curve is out = 255 * (in / 255) ^ (10000 / gamma), rounded:
// monotone, 0 and 255 fixed, brighter above 10000 and darker below.
struct ColorAdjustment {
    int redGamma = 10000;
    int greenGamma = 10000;
    int blueGamma = 10000;
    bool isIdentity() const { return redGamma == 10000 && greenGamma == 10000 && blueGamma == 10000; }
};
std::array<uint8_t, 256> gammaCurve(int gamma);
// The colour tone's curve: the gamma as the n-th power of the input,
// out = 255 * (in / 255) ^ (gamma / 10000), rounded half to even, gamma
// clamped to 2500..65000. Monotone, 0 and 255 fixed, identity at 10000;
// below 10000 the channel gets brighter, above it darker.
std::array<uint8_t, 256> nthPowerCurve(int gamma);
void ApplyColorAdjustment(Surface& s, int x, int y, int w, int h, const ColorAdjustment& adj);

}  // namespace movalux
