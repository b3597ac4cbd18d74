#include "effects/RevModule1.h"

#include <algorithm>

#include "effects/ModuleCommands.h"
#include "effects/RasterOps.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

constexpr uint32_t kInvertBits = kRgbMask;

// Columns [x0, x1] of one line, clipped to the picture's width.
void invertSpan(uint32_t* row, int width, int64_t x0, int64_t x1) {
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, width - 1);
    for (int64_t x = x0; x <= x1; ++x) row[x] = (row[x] ^ kInvertBits) | kOpaque;
}

}  // namespace

void invertInside(Surface& pic, int32_t X, int32_t Y, int32_t W, int32_t H) {
    const int64_t y0 = std::max<int64_t>(Y, 0);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(Y) + H, pic.height() - 1);
    for (int64_t y = y0; y <= y1; ++y)
        invertSpan(pic.row(static_cast<int>(y)), pic.width(), X, static_cast<int64_t>(X) + W);
}

void invertOutside(Surface& pic, int32_t X, int32_t Y, int32_t W, int32_t H) {
    const int64_t right = static_cast<int64_t>(X) + W;
    const int64_t bottom = static_cast<int64_t>(Y) + H;
    const int width = pic.width();
    for (int y = 0; y < pic.height(); ++y) {
        uint32_t* row = pic.row(y);
        // Only lines strictly between the top and bottom edges keep a middle
        // run: the columns strictly between the left and right edges.
        if (Y < y && y < bottom && static_cast<int64_t>(X) + 1 <= right - 1) {
            invertSpan(row, width, 0, X);
            invertSpan(row, width, right, width - 1);
        } else {
            invertSpan(row, width, 0, width - 1);
        }
    }
}

int32_t RevModule1::handle(EffArgs& args) {
    return ModuleCommands::region(*this, args);
}

// The invert has no list: only the side counts.
void RevModule1::DoParam(int16_t code, int16_t /*value*/) { choice_.chooseSide(code); }

void RevModule1::EffPanel() {
    Panel& p = env_.panel();
    p.setVisible("Frame5", true);
    p.setCaption("Frame5", "反転範囲");
    for (const char* hidden :
         {"Frame6", "Combo5", "Combo6", "Label6", "Label3", "Label1", "RDPictBtn", "PreVewPict",
          "Combo1", "ComdBtn2", "ComSTP2", "HScroll1", "HScroll2", "HScroll3"})
        p.setVisible(hidden, false);
    p.setEnabled("ComFdIn", false);
    p.setEnabled("ComFdOut", false);
    p.setEnabled("mnuAll", true);
    p.setChecked("Option3", true);
    p.setCaption("Option3", "内側");
    p.setCaption("Option4", "外側");
    layoutCoordinateFrame(p, layoutScale_);

    choice_.chooseText("0");
    choice_.chooseParam(8);
    env_.DspFrame2();
}

void RevModule1::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_ && !gesture_.drawing) {
        gesture_.loadRegion(work, true);
        choice_.load(work);
    }
    const auto [x, y, w, h] =
        gesture_.pixelsWithin(env_.PictMain().width(), env_.PictMain().height());

    startFromPictureBefore(env_);
    Surface& main = env_.PictMain();
    if (choice_.inside()) {
        invertInside(main, x, y, w, h);
        changedAround(env_, x, y, w, h, 0);
    } else
        invertOutside(main, x, y, w, h);
    env_.host().Refresh(Picture::PictMain);

    work.Kind = kouka::kInvert;
    gesture_.storeRegion(work);
    choice_.store(work);
    gesture_.showRegion(env_.panel());
}

}  // namespace movalux
