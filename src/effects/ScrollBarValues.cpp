#include "effects/ScrollBarValues.h"

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
constexpr int kBarLabelLeft = 1300;

}  // namespace

void ScrollBarValues::set(Panel& panel, int32_t first, int32_t second, int32_t third) {
    panel.setScrollValue("HScroll1", first);
    panel.setScrollValue("HScroll2", second);
    panel.setScrollValue("HScroll3", third);
    values = saved = {first, second, third};
}

void ScrollBarValues::readPanel(const Panel& panel) {
    for (size_t i = 0; i < 3; ++i) values[i] = panel.scrollValue(kScrollBars[i]);
}

bool ScrollBarValues::control(Panel& panel, int16_t code, int16_t value) {
    switch (code) {
        case ctl::kRDPictBtn:
            set(panel, 50, 50, 50);
            panel.setText("Xzahyou", "50");
            panel.setText("Yzahyou", "50");
            panel.setText("Hzahyou", "50");
            return true;
        case ctl::kHScroll1:
            values[0] = saved[0] = value;
            return true;
        case ctl::kHScroll2:
            values[1] = saved[1] = value;
            return true;
        case ctl::kHScroll3:
            values[2] = saved[2] = value;
            return true;
        default:
            return false;
    }
}

bool ScrollBarValues::xySet(EffectEnv& env, const EffArgs& args) {
    const int32_t third = roundHalfEven32(args.Y);
    const auto inRange = [](int32_t n) { return n >= 0 && n <= 100; };
    if (std::isnan(args.Y) || !inRange(args.Button) || !inRange(args.Shift) || !inRange(third)) {
        env.host().MsgBox(kRefuseNumberText, msgbox::kStyleCriticalDefault2, kWarningTitle);
        return false;
    }
    W = args.X;
    set(env.panel(), args.Button, args.Shift, third);
    return true;
}

void ScrollBarValues::openPanel(EffectEnv& env, float layoutScale,
                                const ScrollBarCaptions& captions) {
    Panel& p = env.panel();
    Surface& main = env.PictMain();
    BitBlt(env.PictJT(), 0, 0, main.width(), main.height(), &main, 0, 0, Rop::SrcCopy);
    for (const char* hidden : {"Frame5", "Frame6", "Combo5", "Combo6", "PreVewPict", "Combo1",
                               "Label13", "Label14", "Wzahyou", "ComdBtn2", "ComSTP2"})
        p.setVisible(hidden, false);
    p.setEnabled("ComFdIn", false);
    p.setEnabled("ComFdOut", false);
    p.setEnabled("mnuAll", true);
    p.setVisible("RDPictBtn", true);
    p.setCaption("RDPictBtn", "中立位置");
    constexpr const char* kBarLabels[] = {"Label1", "Label3", "Label6"};
    for (size_t i = 0; i < 3; ++i) {
        p.setVisible(kBarLabels[i], true);
        p.setCaption(kBarLabels[i], captions.bars[i]);
        // Beside its own bar: the labels are shared with other panels,
        // which leave them elsewhere.
        p.move(kBarLabels[i], kBarLabelLeft, kScrollTops[i] - 30);
    }
    const int font = panelFontSize(layoutScale);
    for (size_t i = 0; i < 3; ++i) {
        p.setVisible(kScrollBars[i], true);
        p.setScrollRange(kScrollBars[i], 0, 100);
        p.move(kScrollBars[i], 2200, kScrollTops[i]);
        p.resize(kScrollBars[i], 2000, 200);
    }
    for (const char* label : {"Label1", "Label3", "Label6", "RDPictBtn"})
        p.setFontSize(label, font);
    p.setCaption("Frame7", captions.frame);
    p.setCaption("Label9", captions.boxes[0]);
    p.setCaption("Label10", captions.boxes[1]);
    p.setCaption("Label15", captions.boxes[2]);
    p.setCaption("XYSet", "設定");
    p.setVisible("Hzahyou", true);
    placeCoordinateFrame(p, layoutScale);

    param = 8;
    text = "0";
    set(p, 50, 50, 50);
    env.DspFrame2();
}

void ScrollBarValues::loadRecord(const EffRec& work) {
    values = {wholeNumber(work.X), wholeNumber(work.Y), wholeNumber(work.H)};
    // A record keeps its width field as it was stored.
    W = work.W;
    param = work.Param;
    text = work.Text;
}

void ScrollBarValues::storeRecord(EffRec& work, int16_t kind) const {
    work.Kind = kind;
    work.X = static_cast<float>(values[0]);
    work.Y = static_cast<float>(values[1]);
    work.W = W;
    work.H = static_cast<float>(values[2]);
    work.Param = param;
    work.Text = text;
}

void ScrollBarValues::showValues(Panel& panel) const {
    panel.setText("Xzahyou", formatFixed(values[0], 0));
    panel.setText("Yzahyou", formatFixed(values[1], 0));
    panel.setText("Hzahyou", formatFixed(values[2], 0));
    panel.setText("Wzahyou", "");
}

}  // namespace movalux
