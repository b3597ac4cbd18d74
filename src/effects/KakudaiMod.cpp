#include "effects/KakudaiMod.h"

#include <cmath>
#include <stdexcept>

#include "base/NumberText.h"
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
                 int16_t placement, const std::string& text) {
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
        dx = roundHalfEven32((dst.width() - aw) / 2.0);
        dy = roundHalfEven32((dst.height() - ah) / 2.0);
    }
    StretchBlt(dst, dx, dy, roundHalfEven32(aw), roundHalfEven32(ah), src, sx, sy, sw, sh,
               Rop::SrcCopy, StretchMode::Nearest);
}

void KakudaiMod::lockedPointer(float& x, float& y) const {
    if (!aspectLock_ || fixSize_ || y == gesture_.pressY) return;
    const Surface& main = env_.PictMain();
    if (main.width() <= 0) return;
    lockAspect(gesture_.pressX, gesture_.pressY, x, y,
               static_cast<double>(main.height()) / main.width());
}

int32_t KakudaiMod::handle(EffArgs& args) {
    fixSize_ = args.FixSize != 0;
    switch (args.DoNom) {
        case cmd::kMouseDown:
            gesture_.mouseDown(env_, fixSize_, args.X, args.Y);
            return 0;
        case cmd::kMouseMove: {
            float x = args.X, y = args.Y;
            if (gesture_.drawing) lockedPointer(x, y);
            gesture_.mouseMove(env_, fixSize_, x, y);
            return 0;
        }
        case cmd::kMouseUp: {
            float x = args.X, y = args.Y;
            if (x != -1.0f) lockedPointer(x, y);
            gesture_.mouseUp(env_, fixSize_, x, y);
            EffApply();
            gesture_.endDrawing();
            return 0;
        }
        case cmd::kRender: {
            struct RenderScope {
                KakudaiMod& m;
                explicit RenderScope(KakudaiMod& mod) : m(mod) { m.render_ = true; }
                ~RenderScope() {
                    m.render_ = false;
                    m.placement_ = m.savedPlacement_;
                    m.text_ = m.savedText_;
                    m.zoom_ = m.text_ == "0";
                }
            } scope(*this);
            EffApply();
            return 0;
        }
        case cmd::kXYSet:
            if (gesture_.xySet(env_, args.Button, args.Shift, args.X, args.Y)) EffApply();
            gesture_.endDrawing();
            return 0;
        case cmd::kPanel:
            layoutScale_ = args.X;
            EffPanel();
            return kouka::kZoom;
        case cmd::kParam:
            DoParam(args.Button, args.Shift);
            env_.DrawShapeIcon();
            return kouka::kZoom;
        case cmd::kHokan:
            return 1;
        default:
            return 0;
    }
}

void KakudaiMod::setText(std::string text) {
    text_ = std::move(text);
    savedText_ = text_;
    zoom_ = text_ == "0";
}

void KakudaiMod::setPlacement(int16_t placement) {
    placement_ = placement;
    savedPlacement_ = placement;
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
            setText("0");
            // The list showing "左上" is the placement top-left.
            p.setListIndex("Combo6", 1);
            setPlacement(1);
            p.setEnabled("Combo6", false);
            break;
        case ctl::kOption6:
            // Own size on the colour that Combo5 shows, so that the picture
            // matches the panel.
            setText(colourText(p.listIndex("Combo5")));
            p.setEnabled("Combo6", true);
            break;
        case ctl::kCombo5:
            if (value >= 0 && value <= 7) setText(colourText(value));
            break;
        case ctl::kCombo6:
            if (value == 0 || value == 1) setPlacement(value);
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

    setText("0");
    setPlacement(1);
    aspectLock_ = true;
}

void KakudaiMod::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_ && !gesture_.drawing) {
        gesture_.X = work.X;
        gesture_.Y = work.Y;
        gesture_.W = work.W;
        gesture_.H = work.H;
        placement_ = work.Param;
        text_ = work.Text;
    }
    zoom_ = text_ == "0";
    Surface& main = env_.PictMain();
    const Surface& before = env_.PictJT();
    // The ground fill works on the frame: start from the picture before this
    // layer, without the rubber band of the drag.
    copyPicture(main, before);
    zoomPicture(main, before, gesture_.X, gesture_.Y, gesture_.W, gesture_.H, placement_, text_);
    env_.host().Refresh(Picture::PictMain);

    work.Kind = kouka::kZoom;
    work.X = gesture_.X;
    work.Y = gesture_.Y;
    work.W = gesture_.W;
    work.H = gesture_.H;
    work.Param = placement_;
    work.Text = text_;
    Panel& p = env_.panel();
    p.setText("Xzahyou", formatFixed(gesture_.X, 0));
    p.setText("Yzahyou", formatFixed(gesture_.Y, 0));
    p.setText("Wzahyou", formatFixed(gesture_.W, 1));
    p.setText("Hzahyou", formatFixed(gesture_.H, 1));
}

}  // namespace movalux
