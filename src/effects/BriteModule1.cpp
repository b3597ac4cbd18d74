#include "effects/BriteModule1.h"

#include <algorithm>
#include <array>
#include <cmath>

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

// Int() of a term; the terms stay far inside 64 bits for any 32-bit B, C, V.
int64_t intOf(double v) {
    return static_cast<int64_t>(std::floor(v));
}

uint32_t clampChannel(int64_t v) {
    return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 255));
}

}  // namespace

void brightnessContrast(Surface& dst, const Surface& src, int32_t B, int32_t C, int32_t V) {
    // The brightness and contrast terms depend only on the channel value and
    // the saturation term only on the channel minus the pixel's mean: three
    // tables instead of floating point per pixel.
    std::array<int64_t, 256> base{};
    for (int c = 0; c < 256; ++c) {
        const double b = static_cast<double>(B) - 50;
        const int64_t bright = B > 50 ? intOf(b * (255 - c) / 100) : intOf(b * c / 100);
        const int64_t contrast = intOf((static_cast<double>(C) - 50) / 100 * (c - 128));
        base[static_cast<size_t>(c)] = c + contrast + bright;
    }
    std::array<int64_t, 511> sat{};
    for (int d = -255; d <= 255; ++d)
        sat[static_cast<size_t>(d + 255)] = intOf((static_cast<double>(V) - 50) / 50 * d);

    const int w = std::min(dst.width(), src.width());
    const int h = std::min(dst.height(), src.height());
    if (V == 50) {
        // Saturation neutral: one table per channel value.
        std::array<uint32_t, 256> lut{};
        for (size_t c = 0; c < 256; ++c) lut[c] = clampChannel(base[c]);
        for (int y = 0; y < h; ++y) {
            const uint32_t* s = src.row(y);
            uint32_t* d = dst.row(y);
            for (int x = 0; x < w; ++x) {
                const uint32_t p = s[x];
                d[x] =
                    kOpaque | lut[(p >> 16) & 255] << 16 | lut[(p >> 8) & 255] << 8 | lut[p & 255];
            }
        }
        return;
    }
    for (int y = 0; y < h; ++y) {
        const uint32_t* s = src.row(y);
        uint32_t* d = dst.row(y);
        for (int x = 0; x < w; ++x) {
            const uint32_t p = s[x];
            const int r = static_cast<int>((p >> 16) & 255), g = static_cast<int>((p >> 8) & 255),
                      b = static_cast<int>(p & 255);
            const int m = (r + g + b) / 3;
            const uint32_t nr =
                clampChannel(base[static_cast<size_t>(r)] + sat[static_cast<size_t>(r - m + 255)]);
            const uint32_t ng =
                clampChannel(base[static_cast<size_t>(g)] + sat[static_cast<size_t>(g - m + 255)]);
            const uint32_t nb =
                clampChannel(base[static_cast<size_t>(b)] + sat[static_cast<size_t>(b - m + 255)]);
            d[x] = kOpaque | nr << 16 | ng << 8 | nb;
        }
    }
}

int32_t BriteModule1::handle(EffArgs& args) {
    switch (args.DoNom) {
        case cmd::kMouseUp: {
            const Panel& p = env_.panel();
            B_ = p.scrollValue("HScroll1");
            C_ = p.scrollValue("HScroll2");
            V_ = p.scrollValue("HScroll3");
            EffApply();
            return 0;
        }
        case cmd::kRender: {
            struct RenderScope {
                BriteModule1& m;
                float w;
                int16_t param;
                std::string text;
                explicit RenderScope(BriteModule1& mod)
                    : m(mod), w(mod.W_), param(mod.param_), text(mod.text_) {
                    m.render_ = true;
                }
                ~RenderScope() {
                    m.render_ = false;
                    m.B_ = m.savedB_;
                    m.C_ = m.savedC_;
                    m.V_ = m.savedV_;
                    m.W_ = w;
                    m.param_ = param;
                    m.text_ = std::move(text);
                }
            } scope(*this);
            EffApply();
            return 0;
        }
        case cmd::kXYSet: {
            const int32_t v = roundHalfEven32(args.Y);
            const auto inRange = [](int32_t n) { return n >= 0 && n <= 100; };
            if (std::isnan(args.Y) || !inRange(args.Button) || !inRange(args.Shift) ||
                !inRange(v)) {
                env_.host().MsgBox(kRefuseNumberText, msgbox::kStyleCriticalDefault2,
                                   kWarningTitle);
                return 0;
            }
            W_ = args.X;
            setScrollBars(args.Button, args.Shift, v);
            EffApply();
            return 0;
        }
        case cmd::kPanel:
            layoutScale_ = args.X;
            EffPanel();
            return kouka::kBrightness;
        case cmd::kParam:
            DoParam(args.Button, args.Shift);
            env_.DrawShapeIcon();
            return kouka::kBrightness;
        case cmd::kHokan:
            return 1;
        default:
            return 0;
    }
}

void BriteModule1::setScrollBars(int32_t b, int32_t c, int32_t v) {
    Panel& p = env_.panel();
    p.setScrollValue("HScroll1", b);
    p.setScrollValue("HScroll2", c);
    p.setScrollValue("HScroll3", v);
    B_ = savedB_ = b;
    C_ = savedC_ = c;
    V_ = savedV_ = v;
}

void BriteModule1::DoParam(int16_t code, int16_t value) {
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
            B_ = savedB_ = value;
            EffApply();
            break;
        case ctl::kHScroll2:
            C_ = savedC_ = value;
            EffApply();
            break;
        case ctl::kHScroll3:
            V_ = savedV_ = value;
            EffApply();
            break;
        default:
            break;
    }
}

void BriteModule1::EffPanel() {
    Panel& p = env_.panel();
    try {
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
        p.setCaption("Label1", "明るさ");
        p.setVisible("Label3", true);
        p.setCaption("Label3", "ｺﾝﾄﾗｽﾄ");
        p.setVisible("Label6", true);
        p.setCaption("Label6", "彩度");
        const int font = panelFontSize(layoutScale_);
        for (int i = 0; i < 3; ++i) {
            p.setVisible(kScrollBars[i], true);
            p.setScrollRange(kScrollBars[i], 0, 100);
            p.move(kScrollBars[i], 2200, kScrollTops[i]);
            p.resize(kScrollBars[i], 2000, 200);
        }
        for (const char* label : {"Label1", "Label3", "Label6", "RDPictBtn"})
            p.setFontSize(label, font);
        p.setCaption("Frame7", "設定値");
        p.setCaption("Label9", "B");
        p.setCaption("Label10", "C");
        p.setCaption("Label15", "V");
        p.setCaption("XYSet", "設定");
        p.setVisible("Hzahyou", true);
        placeCoordinateFrame(p, layoutScale_);

        param_ = 8;
        text_ = "0";
        setScrollBars(50, 50, 50);
        env_.DspFrame2();
    } catch (const std::exception& e) {
        env_.host().MsgBox(panelErrorText("Bri1", e), msgbox::kOk, kAppTitle);
    }
}

void BriteModule1::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_) {
        B_ = wholeNumber(work.X);
        C_ = wholeNumber(work.Y);
        V_ = wholeNumber(work.H);
        // A record keeps its width field as it was stored.
        W_ = work.W;
        param_ = work.Param;
        text_ = work.Text;
    }
    Surface& main = env_.PictMain();
    const Surface& before = env_.PictJT();
    if (main.width() != before.width() || main.height() != before.height()) {
        env_.host().MsgBox(kReadFailedText, msgbox::kOk, kAppTitle);
        copyPicture(main, before);
    }
    brightnessContrast(main, before, B_, C_, V_);
    env_.host().Refresh(Picture::PictMain);

    work.Kind = kouka::kBrightness;
    work.X = static_cast<float>(B_);
    work.Y = static_cast<float>(C_);
    work.W = W_;
    work.H = static_cast<float>(V_);
    work.Param = param_;
    work.Text = text_;
    Panel& p = env_.panel();
    p.setText("Xzahyou", formatFixed(B_, 0));
    p.setText("Yzahyou", formatFixed(C_, 0));
    p.setText("Hzahyou", formatFixed(V_, 0));
    p.setText("Wzahyou", "");
}

}  // namespace movalux
