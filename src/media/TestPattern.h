#pragma once
// The picture of generated test movies: frame n carries n as a bar code of
// 16 black and white cells across the top third (big enough to survive any
// codec at any size), a background colour that changes with n, and n in
// large digits. Tests and benchmarks read the bar code back to tell which
// frame a decoder delivered.

#include <cstdint>

namespace movalux {

class Surface;

// Draws frame n (0 to 65535) over the whole picture.
void drawTestFrame(Surface& picture, int32_t n);

// The frame number drawn by drawTestFrame, or -1 when the picture does not
// carry one (too small, or the cells are not clearly black or white).
int32_t readTestFrameNumber(const Surface& picture);

// The background colour of frame n.
uint32_t testFrameColour(int32_t n);

}  // namespace movalux
