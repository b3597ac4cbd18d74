#include "effects/KakudaiMod.h"

#include <cmath>
#include <stdexcept>

#include "base/NumberText.h"
#include "effects/ModuleCommands.h"
#include "effects/RasterOps.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

constexpr uint32_t kPalette[16] = {
    rgb(0, 0, 0),       rgb(0, 0, 128),   rgb(0, 128, 0),   rgb(0, 128, 128),
    rgb(128, 0, 0),     rgb(128, 0, 128), rgb(128, 128, 0), rgb(192, 192, 192),
    rgb(128, 128, 128), rgb(0, 0, 255),   rgb(0, 255, 0),   rgb(0, 255, 255),
    rgb(255, 0, 0),     rgb(255, 0, 255), rgb(255, 255, 0), rgb(255, 255, 255),
};

// Combo5's colours by list index: black, then palette numbers 9 to 15.
std::string colourText(int index) {
    return index <= 0 ? std::string("1") : std::to_string(index + 8);
}

}  // namespace

uint32_t paletteColour(int number) {
    if (number < 0 || number > 15) throw std::out_of_range("palette colour");
    return kPalette[number];
}

void lockAspect(float pressX, float pressY, float& x, float& y, double ratio) {
    const double dx = static_cast<double>(x) - pressX;
    const double dy = static_cast<double>(y) - pressY;
    const bool sameSign = (dx >= 0) == (dy >= 0);
    if (std::abs(dy) < std::abs(dx) * ratio)
        y = static_cast<float>(sameSign ? pressY + ratio * dx : pressY - ratio * dx);
    else
        x = static_cast<float>(sameSign ? pressX + dy / ratio : pressX - dy / ratio);
}

void zoomPicture(Surface& dst, const Surface& src, float X, float Y, float W, float H,
                 int16_t placement, const std::string& text, int border) {
    const int sx = roundHalfEven32(X), sy = roundHalfEven32(Y);
    const int sw = roundHalfEven32(W), sh = roundHalfEven32(H);
    if (text == "0") {
        StretchBlt(dst, 0, 0, dst.width(), dst.height(), src, sx, sy, sw, sh, Rop::SrcCopy,
                   StretchMode::Nearest);
        return;
    }
    const uint32_t ground =
        text == "1" ? kBlack : paletteColour(roundHalfEven32(leadingValue(text)));
    // The ground is the area around (10, 10) up to black pixels, as a fill of
    // the frame itself; a frame with black lines keeps what lies beyond them.
    FloodFill(dst, 10, 10, kBlack, FloodType::Border, ground);
    const float aw = std::abs(W), ah = std::abs(H);
    int dx = 0, dy = 0;
    if (placement != 1) {
        const double outerW = dst.width() + 2.0 * border, outerH = dst.height() + 2.0 * border;
        dx = roundHalfEven32((outerW - aw) / 2.0);
        dy = roundHalfEven32((outerH - ah) / 2.0);
    }
    StretchBlt(dst, dx, dy, roundHalfEven32(aw), roundHalfEven32(ah), src, sx, sy, sw, sh,
               Rop::SrcCopy, StretchMode::Nearest);
}

void KakudaiMod::lockedPointer(float& x, float& y) const {
    // A Ctrl drag moves the box at its own size, so there is no shape to
    // keep: locking would only pull the box off the pointer along the
    // diagonal through the press point.
    if (!aspectLock_ || fixSize_ || y == gesture_.pressY) return;
    const Surface& main = env_.PictMain();
    if (main.width() <= 0) return;
    lockAspect(gesture_.pressX, gesture_.pressY, x, y,
               static_cast<double>(main.height()) / main.width());
}

int32_t KakudaiMod::handle(EffArgs& args) {
    // The aspect lock moves the pointer of a drag and of its release (not of
    // a whole-picture release); it reads this call's fix-size state.
    fixSize_ = args.FixSize != 0;
    float x = args.X, y = args.Y;
    if ((args.DoNom == cmd::kMouseMove && gesture_.drawing) ||
        (args.DoNom == cmd::kMouseUp && x != -1.0f))
        lockedPointer(x, y);
    return ModuleCommands::region(*this, args, x, y);
}

void KakudaiMod::DoParam(int16_t code, int16_t value) {
    Panel& p = env_.panel();
    switch (code) {
        case ctl::kOption3:
            aspectLock_ = true;
            break;
        case ctl::kOption4:
            aspectLock_ = false;
            break;
        case ctl::kOption5:
            choice_.chooseText("0");
            // The list showing "左上" is the placement top-left.
            p.setListIndex("Combo6", 1);
            choice_.chooseParam(1);
            p.setEnabled("Combo6", false);
            break;
        case ctl::kOption6:
            // Own size on the colour that Combo5 shows, so that the picture
            // matches the panel.
            choice_.chooseText(colourText(p.listIndex("Combo5")));
            p.setEnabled("Combo6", true);
            break;
        case ctl::kCombo5:
            if (value >= 0 && value <= 7) choice_.chooseText(colourText(value));
            break;
        case ctl::kCombo6:
            if (value == 0 || value == 1) choice_.chooseParam(value);
            break;
        default:
            break;
    }
}

void KakudaiMod::EffPanel() {
    Panel& p = env_.panel();
    p.setVisible("Frame5", true);
    p.setCaption("Frame5", "縦横比");
    p.setChecked("Option3", true);
    p.setCaption("Option3", "固定");
    p.setCaption("Option4", "自由");
    p.setVisible("Frame6", true);
    p.setCaption("Frame6", "サイズ");
    p.setChecked("Option5", true);
    p.setCaption("Option5", "拡大");
    p.setCaption("Option6", "等倍");
    p.setVisible("Combo5", true);
    p.clearList("Combo5");
    for (const char* item : {"黒", "青", "緑", "シアン", "赤", "マゼンタ", "黄", "白"})
        p.addItem("Combo5", item);
    p.setListIndex("Combo5", 0);
    p.setVisible("Combo6", true);
    p.clearList("Combo6");
    for (const char* item : {"中央", "左上"}) p.addItem("Combo6", item);
    p.setListIndex("Combo6", 1);
    p.setEnabled("Combo6", false);
    for (const char* hidden : {"Label6", "Label3", "RDPictBtn", "PreVewPict", "Label1", "Combo1",
                               "ComdBtn2", "ComSTP2", "HScroll1", "HScroll2", "HScroll3"})
        p.setVisible(hidden, false);
    p.setEnabled("ComFdIn", false);
    p.setEnabled("ComFdOut", false);
    p.setEnabled("mnuAll", true);
    layoutCoordinateFrame(p, layoutScale_);
    const int font = panelFontSize(layoutScale_);
    p.setFontSize("Combo5", font);
    p.setFontSize("Combo6", font);

    choice_.chooseText("0");
    choice_.chooseParam(1);
    aspectLock_ = true;
}

void KakudaiMod::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_ && !gesture_.drawing) {
        gesture_.loadRegion(work, false);
        choice_.load(work);
    }
    Surface& main = env_.PictMain();
    const Surface& before = env_.PictJT();
    // The ground fill works on the frame: start from the picture before this
    // layer, without the rubber band of the drag.
    copyPicture(main, before);
    zoomPicture(main, before, gesture_.X, gesture_.Y, gesture_.W, gesture_.H, choice_.param,
                choice_.text, env_.PictMainBorder());
    env_.host().Refresh(Picture::PictMain);

    work.Kind = kouka::kZoom;
    gesture_.storeRegion(work);
    choice_.store(work);
    Panel& p = env_.panel();
    p.setText("Xzahyou", formatFixed(gesture_.X, 0));
    p.setText("Yzahyou", formatFixed(gesture_.Y, 0));
    p.setText("Wzahyou", formatFixed(gesture_.W, 1));
    p.setText("Hzahyou", formatFixed(gesture_.H, 1));
}

}  // namespace movalux
