#include "effects/DrawShapeIcon.h"

#include "base/NumberText.h"
#include "effects/RasterOps.h"
#include "effects/Surface.h"

namespace movalux {

void DrawShapeIcon(Surface& preview, int16_t shape, bool outside) {
    preview.Cls();
    const double w = preview.width(), h = preview.height();
    if (shape == 1) {
        // Radius a third of the height, aspect 2: the vertical semi-axis is
        // a third of the height, the horizontal one a sixth.
        DrawEllipse(preview, w / 2, h / 2, h / 3, 2.0, preview.ForeColor, DrawMode::CopyPen);
    } else {
        DrawBox(preview, roundHalfEven32(w / 4), roundHalfEven32(h / 4), roundHalfEven32(w * 3 / 4),
                roundHalfEven32(h * 3 / 4), preview.ForeColor, DrawMode::CopyPen);
    }
    FloodFill(preview, roundHalfEven32(w / 2), roundHalfEven32(h / 2), kBlack, FloodType::Border,
              preview.FillColor);
    if (outside) BitBlt(preview, 0, 0, preview.width(), preview.height(), nullptr, 0, 0, Rop::DstInvert);
}

}  // namespace movalux
