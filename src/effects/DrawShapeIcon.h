#pragma once
// The mask's shape preview on the panel: an ellipse or a rectangle, filled
// black, the whole picture inverted when the mask darkens the outside.

#include <cstdint>

namespace movalux {

class Surface;

// shape 1 draws the ellipse, any other number the rectangle.
void DrawShapeIcon(Surface& preview, int16_t shape, bool outside);

}  // namespace movalux
