#include "effects/RGBModule1.h"

#include <array>
#include <cmath>
#include <stdexcept>

#include "base/NumberText.h"
#include "effects/RasterOps.h"
#include "effects/RegionGesture.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

constexpr const char* kScrollBars[] = {"HScroll1", "HScroll2", "HScroll3"};
constexpr int kScrollTops[] = {360, 660, 960};

}  // namespace

int16_t colourToneGamma(int32_t value) {
    const double g = 17500.0 - 150.0 * value;
    if (!(g > -32768.5 && g < 32767.5)) throw std::overflow_error("gamma");
    return roundHalfEven16(g);
}

void colourTone(Surface& dst, const Surface& src, int16_t blueGamma, int16_t greenGamma,
                int16_t redGamma) {
    const auto rl = nthPowerCurve(redGamma), gl = nthPowerCurve(greenGamma),
               bl = nthPowerCurve(blueGamma);
    std::array<uint32_t, 256> r{}, g{}, b{};
    for (size_t i = 0; i < 256; ++i) {
        r[i] = static_cast<uint32_t>(rl[i]) << 16;
        g[i] = static_cast<uint32_t>(gl[i]) << 8;
        b[i] = bl[i];
    }
    const bool sameSize = dst.width() == src.width() && dst.height() == src.height();
    // A halftone stretch between equal sizes is a copy: read the source
    // straight through the curves.
    if (!sameSize)
        StretchBlt(dst, 0, 0, dst.width(), dst.height(), src, 0, 0, src.width(), src.height(),
                   Rop::SrcCopy, StretchMode::Halftone);
    const Surface& from = sameSize ? src : dst;
    for (int y = 0; y < dst.height(); ++y) {
        const uint32_t* s = from.row(y);
        uint32_t* d = dst.row(y);
        for (int x = 0; x < dst.width(); ++x) {
            const uint32_t p = s[x];
            d[x] = kOpaque | r[(p >> 16) & 255] | g[(p >> 8) & 255] | b[p & 255];
        }
    }
}

int32_t RGBModule1::handle(EffArgs& args) {
    switch (args.DoNom) {
        case cmd::kMouseUp: {
            const Panel& p = env_.panel();
            blue_ = p.scrollValue("HScroll1");
            green_ = p.scrollValue("HScroll2");
            red_ = p.scrollValue("HScroll3");
            EffApply();
            return 0;
        }
        case cmd::kRender: {
            struct RenderScope {
                RGBModule1& m;
                float w;
                int16_t param;
                std::string text;
                explicit RenderScope(RGBModule1& mod)
                    : m(mod), w(mod.W_), param(mod.param_), text(mod.text_) {
                    m.render_ = true;
                }
                ~RenderScope() {
                    m.render_ = false;
                    m.blue_ = m.savedBlue_;
                    m.green_ = m.savedGreen_;
                    m.red_ = m.savedRed_;
                    m.W_ = w;
                    m.param_ = param;
                    m.text_ = std::move(text);
                }
            } scope(*this);
            EffApply();
            return 0;
        }
        case cmd::kXYSet: {
            const int32_t red = roundHalfEven32(args.Y);
            const auto inRange = [](int32_t n) { return n >= 0 && n <= 100; };
            if (std::isnan(args.Y) || !inRange(args.Button) || !inRange(args.Shift) ||
                !inRange(red)) {
                env_.host().MsgBox(kRefuseNumberText, msgbox::kStyleCriticalDefault2,
                                   kWarningTitle);
                return 0;
            }
            W_ = args.X;
            setScrollBars(args.Button, args.Shift, red);
            EffApply();
            return 0;
        }
        case cmd::kPanel:
            layoutScale_ = args.X;
            EffPanel();
            return kouka::kColourTone;
        case cmd::kParam:
            DoParam(args.Button, args.Shift);
            env_.DrawShapeIcon();
            return kouka::kColourTone;
        case cmd::kHokan:
            return 1;
        default:
            return 0;
    }
}

void RGBModule1::setScrollBars(int32_t blue, int32_t green, int32_t red) {
    Panel& p = env_.panel();
    p.setScrollValue("HScroll1", blue);
    p.setScrollValue("HScroll2", green);
    p.setScrollValue("HScroll3", red);
    blue_ = savedBlue_ = blue;
    green_ = savedGreen_ = green;
    red_ = savedRed_ = red;
}

void RGBModule1::DoParam(int16_t code, int16_t value) {
    switch (code) {
        case ctl::kRDPictBtn: {
            setScrollBars(50, 50, 50);
            Panel& p = env_.panel();
            p.setText("Xzahyou", "50");
            p.setText("Yzahyou", "50");
            p.setText("Hzahyou", "50");
            EffApply();
            break;
        }
        case ctl::kHScroll1:
            blue_ = savedBlue_ = value;
            EffApply();
            break;
        case ctl::kHScroll2:
            green_ = savedGreen_ = value;
            EffApply();
            break;
        case ctl::kHScroll3:
            red_ = savedRed_ = value;
            EffApply();
            break;
        default:
            break;
    }
}

void RGBModule1::EffPanel() {
    Panel& p = env_.panel();
    Surface& main = env_.PictMain();
    BitBlt(env_.PictJT(), 0, 0, main.width(), main.height(), &main, 0, 0, Rop::SrcCopy);
    for (const char* hidden : {"Frame5", "Frame6", "Combo5", "Combo6", "PreVewPict", "Combo1",
                               "Label13", "Label14", "Wzahyou", "ComdBtn2", "ComSTP2"})
        p.setVisible(hidden, false);
    p.setEnabled("ComFdIn", false);
    p.setEnabled("ComFdOut", false);
    p.setEnabled("mnuAll", true);
    p.setVisible("RDPictBtn", true);
    p.setCaption("RDPictBtn", "中立位置");
    p.setVisible("Label1", true);
    p.setCaption("Label1", "青");
    p.setVisible("Label3", true);
    p.setCaption("Label3", "緑");
    p.setVisible("Label6", true);
    p.setCaption("Label6", "赤");
    const int font = panelFontSize(layoutScale_);
    for (int i = 0; i < 3; ++i) {
        p.setVisible(kScrollBars[i], true);
        p.setScrollRange(kScrollBars[i], 0, 100);
        p.move(kScrollBars[i], 2200, kScrollTops[i]);
        p.resize(kScrollBars[i], 2000, 200);
    }
    for (const char* label : {"Label1", "Label3", "Label6", "RDPictBtn"})
        p.setFontSize(label, font);
    p.setCaption("Frame7", "RGB値");
    p.setCaption("Label9", "青");
    p.setCaption("Label10", "緑");
    p.setCaption("Label15", "赤");
    p.setCaption("XYSet", "設定");
    p.setVisible("Hzahyou", true);
    placeCoordinateFrame(p, layoutScale_);

    param_ = 8;
    text_ = "0";
    setScrollBars(50, 50, 50);
    env_.DspFrame2();
}

void RGBModule1::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_) {
        blue_ = wholeNumber(work.X);
        green_ = wholeNumber(work.Y);
        W_ = work.W;
        red_ = wholeNumber(work.H);
        param_ = work.Param;
        text_ = work.Text;
    }
    const int16_t blueGamma = colourToneGamma(blue_);
    const int16_t greenGamma = colourToneGamma(green_);
    const int16_t redGamma = colourToneGamma(red_);
    colourTone(env_.PictMain(), env_.PictJT(), blueGamma, greenGamma, redGamma);
    env_.host().Refresh(Picture::PictMain);

    work.Kind = kouka::kColourTone;
    work.X = static_cast<float>(blue_);
    work.Y = static_cast<float>(green_);
    work.W = W_;
    work.H = static_cast<float>(red_);
    work.Param = param_;
    work.Text = text_;
    Panel& p = env_.panel();
    p.setText("Xzahyou", formatFixed(blue_, 0));
    p.setText("Yzahyou", formatFixed(green_, 0));
    p.setText("Hzahyou", formatFixed(red_, 0));
    p.setText("Wzahyou", "");
}

}  // namespace movalux
