#include "effects/RegionGesture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

#include "base/NumberText.h"
#include "effects/RasterOps.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

RegionGesture::Box RegionGesture::outlineAt(bool fixSize, float x, float y) const {
    if (fixSize) {
        return {roundHalfEven32(x - W / 2.0), roundHalfEven32(y - H / 2.0),
                roundHalfEven32(x + W / 2.0), roundHalfEven32(y + H / 2.0)};
    }
    return {roundHalfEven32(pressX), roundHalfEven32(pressY), roundHalfEven32(x),
            roundHalfEven32(y)};
}

void RegionGesture::drawOutline(EffectEnv& env, const Box& box) {
    InvertOutlineBox(env.PictMain(), box.x1, box.y1, box.x2, box.y2, env.outlineWidth());
}

void RegionGesture::mouseDown(EffectEnv& env, bool fixSize, float x, float y) {
    if (!drawing) {
        if (fixSize) {
            shown_ = outlineAt(true, x, y);
            drawOutline(env, shown_);
            outlineShown_ = true;
        } else {
            pressX = x;
            pressY = y;
        }
        lastX = x;
        lastY = y;
        drawing = true;
        // The frame shown again replaces any outline on the picture.
        if (env.DspFrame2() >= 0) outlineShown_ = false;
        env.host().Refresh(Picture::PictMain);
    }
    drawing = true;
}

void RegionGesture::mouseMove(EffectEnv& env, bool fixSize, float x, float y) {
    if (!drawing) return;
    if (outlineShown_) drawOutline(env, shown_);
    shown_ = outlineAt(fixSize, x, y);
    drawOutline(env, shown_);
    outlineShown_ = true;
    lastX = x;
    lastY = y;
    Panel& p = env.panel();
    p.setText("Xzahyou", plainNumberText(fixSize ? x : pressX));
    p.setText("Yzahyou", plainNumberText(fixSize ? y : pressY));
    env.host().Refresh(Picture::PictMain);
}

namespace {
// One axis of a dragged region.
void dragAxis(float press, float release, float& edge, float& size) {
    if (press >= release) {
        edge = release;
        size = release < 0 ? press : press - release;
    } else {
        edge = press;
        size = release - press;
    }
}
}  // namespace

void RegionGesture::mouseUp(EffectEnv& env, bool fixSize, float x, float y) {
    const Surface& main = env.PictMain();
    if (x == -1.0f) {
        X = 0;
        Y = 0;
        W = static_cast<float>(main.width());
        H = static_cast<float>(main.height());
    } else if (fixSize) {
        X = x - W / 2;
        Y = y - H / 2;
    } else {
        dragAxis(pressX, x, X, W);
        dragAxis(pressY, y, Y, H);
    }
    if (X > main.width()) X = static_cast<float>(main.width());
    if (X < 0) X = 0;
    if (Y > main.height()) Y = static_cast<float>(main.height());
    if (Y < 0) Y = 0;
    outlineShown_ = false;  // the apply routine repaints the whole picture
}

bool RegionGesture::xySet(EffectEnv& env, int16_t left, int16_t top, float width, float height) {
    drawing = true;
    if (width == 0 || height == 0 || !std::isfinite(width) || !std::isfinite(height)) {
        env.host().MsgBox(kRefuseNumberText, msgbox::kStyleCriticalDefault2, kWarningTitle);
        return false;
    }
    X = left;
    Y = top;
    W = width;
    H = height;
    return true;
}

void RegionGesture::showRegion(Panel& panel) const {
    panel.setText("Xzahyou", formatFixed(X, 0));
    panel.setText("Yzahyou", formatFixed(Y, 0));
    panel.setText("Wzahyou", formatFixed(W, 0));
    panel.setText("Hzahyou", formatFixed(H, 0));
}

RegionGesture::Pixels RegionGesture::pixels() const {
    return {wholeNumber(X), wholeNumber(Y), wholeNumber(W), wholeNumber(H)};
}

RegionGesture::Pixels RegionGesture::pixelsWithin(int sw, int sh) const {
    const int64_t b = regionBound(sw, sh);
    // Start and end as whole numbers; where a number does not fit in 32
    // bits the end is the sum of the numbers themselves, so a region from
    // -1E+38 with a width of 3E+38 still reaches past the picture.
    auto axis = [b](float start, float size, int32_t& outStart, int32_t& outSize) {
        const int64_t s = wholeNumber(start), w = wholeNumber(size);
        const bool fits = std::abs(static_cast<double>(start)) < 2147483647.0 &&
                          std::abs(static_cast<double>(size)) < 2147483647.0;
        const double end = fits
                               ? static_cast<double>(s + w)
                               : std::trunc(static_cast<double>(start) + static_cast<double>(size));
        const int64_t cs = std::clamp<int64_t>(s, -b, b);
        const int64_t ce =
            static_cast<int64_t>(std::clamp(end, static_cast<double>(-b), static_cast<double>(b)));
        outStart = static_cast<int32_t>(cs);
        outSize = static_cast<int32_t>(ce - cs);
    };
    Pixels p{};
    axis(X, W, p.x, p.w);
    axis(Y, H, p.y, p.h);
    return p;
}

void RegionGesture::loadRegion(const EffRec& rec, bool wholeNumbers) {
    refuseNonFinite(rec);
    if (wholeNumbers) {
        // Truncated, not yet cut to 32 bits: pixelsWithin() cuts the region
        // to the picture from the numbers themselves.
        X = std::trunc(rec.X);
        Y = std::trunc(rec.Y);
        W = std::trunc(rec.W);
        H = std::trunc(rec.H);
    } else {
        X = rec.X;
        Y = rec.Y;
        W = rec.W;
        H = rec.H;
    }
}

void RegionGesture::storeRegion(EffRec& rec) const {
    rec.X = X;
    rec.Y = Y;
    rec.W = W;
    rec.H = H;
}

bool RegionChoice::chooseSide(int16_t code) {
    if (code == ctl::kOption3)
        chooseText("0");
    else if (code == ctl::kOption4)
        chooseText("1");
    else
        return false;
    return true;
}

}  // namespace movalux

namespace movalux {

int panelFontSize(float scale) {
    return static_cast<int>(std::floor(9.0 * scale));
}

void layoutCoordinateFrame(Panel& panel, float scale) {
    panel.setCaption("Frame7", "効果位置");
    panel.setCaption("Label9", "X");
    panel.setCaption("Label10", "Y");
    panel.setCaption("Label13", "幅・高さ");
    panel.setCaption("Label14", "W");
    panel.setCaption("Label15", "H");
    // The brightness and colour-tone panels hide some of them.
    for (const char* label : {"Label13", "Label14", "Label15"}) panel.setVisible(label, true);
    panel.setVisible("Wzahyou", true);
    panel.setVisible("Hzahyou", true);
    panel.setCaption("XYSet", "設定");
    placeCoordinateFrame(panel, scale);
}

void changedAround(EffectEnv& env, int64_t x, int64_t y, int64_t w, int64_t h, int64_t margin) {
    const int64_t m = margin + 1;
    env.PictMainChangedWithin(std::min(x, x + w) - m, std::min(y, y + h) - m,
                              std::max(x, x + w) + m + 1, std::max(y, y + h) + m + 1);
}

void startFromPictureBefore(EffectEnv& env) {
    Surface& main = env.PictMain();
    const Surface& before = env.PictJT();
    if (main.width() == before.width() && main.height() == before.height()) {
        if (!env.PictMainIsPictJT()) copyPicture(main, before);
    } else
        env.host().MsgBox(kReadFailedText, msgbox::kOk, kAppTitle);
}

void layoutSidePanel(Panel& panel, float scale, const char* title,
                     std::initializer_list<const char*> items, int index) {
    Panel& p = panel;
    p.setVisible("Frame5", true);
    p.setCaption("Frame5", title);
    for (const char* hidden : {"Frame6", "Combo6", "Label6", "Label3", "RDPictBtn", "PreVewPict",
                               "Combo1", "ComdBtn2", "ComSTP2", "HScroll1", "HScroll2", "HScroll3"})
        p.setVisible(hidden, false);
    p.setEnabled("ComFdIn", false);
    p.setEnabled("ComFdOut", false);
    p.setEnabled("mnuAll", true);

    p.setVisible("Label1", true);
    p.setCaption("Label1", "細かさ");
    p.setChecked("Option3", true);
    p.setCaption("Option3", "内側");
    p.setCaption("Option4", "外側");

    p.setVisible("Combo5", true);
    p.clearList("Combo5");
    for (const char* item : items) p.addItem("Combo5", item);
    p.setListIndex("Combo5", index);

    layoutCoordinateFrame(p, scale);
    const int font = panelFontSize(scale);
    p.move("Label1", 2920, 420);
    p.setFontSize("Label1", font);
    p.move("Combo5", 3680, 360);
    p.setFontSize("Combo5", font);
}

void placeCoordinateFrame(Panel& panel, float scale) {
    struct Place {
        const char* name;
        int left, top;
    };
    static constexpr Place kPlaces[] = {
        {"Label9", 120, 400},   {"Label10", 120, 780},  {"Label13", 120, 1320},
        {"Label14", 120, 1620}, {"Label15", 120, 1960}, {"Xzahyou", 300, 360},
        {"Yzahyou", 300, 720},  {"Wzahyou", 300, 1580}, {"Hzahyou", 300, 1920},
        {"XYSet", 240, 2400},
    };
    const int font = panelFontSize(scale);
    for (const Place& p : kPlaces) {
        panel.move(p.name, p.left, p.top);
        panel.setFontSize(p.name, font);
    }
}

bool finiteRegion(double x, double y, double w, double h) {
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(w) && std::isfinite(h);
}

void refuseNonFinite(const EffRec& rec) {
    if (!finiteRegion(rec.X, rec.Y, rec.W, rec.H))
        throw std::domain_error("a region with a NaN or an infinite value");
}

int64_t regionBound(int sw, int sh) {
    return 4 * static_cast<int64_t>(std::max({sw, sh, 1})) + 64;
}

void boundSpan(double& start, double& size, double bound) {
    const double s = std::clamp(start, -bound, bound);
    const double e = std::clamp(start + size, -bound, bound);
    start = s;
    size = e - s;
}

int32_t wholeNumber(double v) {
    if (std::isnan(v)) return 0;
    const double t = std::trunc(v);
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(t, lo, hi));
}

std::string panelErrorText(std::string_view code, const std::exception& e) {
    int number = 5;
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
        number = 7;
    else if (dynamic_cast<const std::out_of_range*>(&e) != nullptr ||
             dynamic_cast<const std::overflow_error*>(&e) != nullptr)
        number = 6;
    return "エラー(" + std::string(code) + ")" + std::to_string(number) + "が発生しました";
}

}  // namespace movalux
