#include "effects/BokasiMod1.h"

#include <algorithm>
#include <array>
#include <thread>

#include "effects/ModuleCommands.h"
#include "effects/RasterOps.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

// Flags by (|dy|, |dx|); no offset reaches beyond 7.
constexpr int kPatternSize = 8;
constexpr std::array<std::array<bool, kPatternSize>, kPatternSize> kPattern = [] {
    std::array<std::array<bool, kPatternSize>, kPatternSize> p{};
    constexpr int kSet[][2] = {{0, 2}, {0, 4}, {0, 7}, {1, 1}, {2, 0}, {2, 2},
                               {2, 5}, {3, 3}, {4, 0}, {5, 2}, {5, 5}, {7, 0}};
    for (const auto& f : kSet) p[static_cast<size_t>(f[0])][static_cast<size_t>(f[1])] = true;
    return p;
}();

int64_t clamp64(int64_t v, int64_t lo, int64_t hi) {
    return std::min(std::max(v, lo), hi);
}

}  // namespace

int blurOpacity(int strength) {
    switch (strength) {
        case 1:
            return 50;
        case 2:
            return 25;
        case 3:
            return 20;
        case 4:
            return 17;
        case 7:
            return 12;
        default:
            return -1;
    }
}

bool blurPatternFlag(int absDy, int absDx) {
    if (absDy < 0 || absDx < 0 || absDy >= kPatternSize || absDx >= kPatternSize) return false;
    return kPattern[static_cast<size_t>(absDy)][static_cast<size_t>(absDx)];
}

void BlurBlender::addRect(int64_t x, int64_t y, int64_t w, int64_t h, int strength,
                          uint8_t opacity) {
    if (w <= 0 || h <= 0) return;
    // Offsets beyond 7 are never in the pattern: walking past them would
    // only cost time for huge strengths.
    const int s = std::min(strength, kPatternSize - 1);
    const size_t first = steps_.size();
    for (int dy = -s; dy <= s; ++dy)
        for (int dx = -s; dx <= s; ++dx)
            if (blurPatternFlag(dy < 0 ? -dy : dy, dx < 0 ? -dx : dx))
                steps_.push_back({x, y, w, h, dx, dy, opacity});
    const size_t last = steps_.size();
    // The second pass runs the same offsets in reverse order.
    for (size_t i = last; i > first; --i) steps_.push_back(steps_[i - 1]);
}

BlurBlender::Area BlurBlender::area() const {
    if (steps_.empty()) return {};
    Area a{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
    for (const Step& st : steps_) {
        a.x0 = std::min(a.x0, st.x + st.dx);
        a.y0 = std::min(a.y0, st.y + st.dy);
        a.x1 = std::max(a.x1, st.x + st.w + st.dx);
        a.y1 = std::max(a.y1, st.y + st.h + st.dy);
    }
    return a;
}

void BlurBlender::run(Surface& dst, const Surface& src, int threads) {
    const int64_t sw = std::min(dst.width(), src.width());
    const int64_t dstH = dst.height(), srcH = src.height();
    const int64_t srcW = src.width(), dstW = dst.width();
    if (steps_.empty() || dstH <= 0 || srcH <= 0 || sw <= 0) {
        steps_.clear();
        return;
    }
    // Lines that any step reaches.
    int64_t top = dstH, bottom = -1;
    for (const Step& st : steps_) {
        top = std::min(top, st.y + st.dy);
        bottom = std::max(bottom, st.y + st.dy + st.h - 1);
    }
    top = clamp64(top, 0, dstH);
    bottom = clamp64(bottom, -1, dstH - 1);
    // Every destination line takes its blends in the queued order from the
    // unchanged source, independently of the other lines: bands of lines can
    // run at once and give the same picture.
    const auto lines = [&](int64_t from, int64_t to) {
        for (int64_t yd = from; yd <= to; ++yd) {
            uint32_t* drow = dst.row(static_cast<int>(yd));
            for (const Step& st : steps_) {
                const int64_t ys = yd - st.dy;
                if (ys < st.y || ys >= st.y + st.h || ys < 0 || ys >= srcH) continue;
                // Source columns i with i in the rectangle and in the source,
                // and i + dx in the destination.
                const int64_t i0 = std::max({st.x, int64_t{0}, -static_cast<int64_t>(st.dx)});
                const int64_t i1 = std::min({st.x + st.w, srcW, dstW - st.dx});
                if (i1 <= i0) continue;
                alphaBlendRow(drow + i0 + st.dx, src.row(static_cast<int>(ys)) + i0,
                              static_cast<int>(i1 - i0), st.alpha);
            }
        }
    };
    // A second thread pays for itself from about a quarter of a million
    // blended pixels on.
    const int64_t work = (bottom - top + 1) * sw * static_cast<int64_t>(steps_.size());
    if (threads > 1 && &dst != &src && work >= (int64_t{1} << 22) && bottom - top >= 16) {
        const int64_t middle = top + (bottom - top + 1) / 2;
        std::thread upper([&] { lines(top, middle - 1); });
        lines(middle, bottom);
        upper.join();
    } else {
        lines(top, bottom);
    }
    steps_.clear();
}

void queueBlurInside(BlurBlender& blender, int sw, int sh, int32_t X, int32_t Y, int32_t W,
                     int32_t H, int strength, uint8_t opacity) {
    const int64_t s = strength;
    const int64_t x = X - s >= 0 ? X : s;
    const int64_t y = Y - s >= 0 ? Y : s;
    const int64_t w = int64_t{X} + W + s > sw ? int64_t{sw} - X - s : W;
    const int64_t h = int64_t{Y} + H + s > sh ? int64_t{sh} - Y - s : H;
    blender.addRect(x, y, w, h, strength, opacity);
}

void queueBlurOutside(BlurBlender& blender, int sw, int sh, int32_t X, int32_t Y, int32_t W,
                      int32_t H, int strength, uint8_t opacity) {
    const int64_t s = strength;
    const int64_t x = X, y = Y, w = W, h = H;
    blender.addRect(s, s, sw - 2 * s, y - s, strength, opacity);               // top
    blender.addRect(s, y + h, sw - 2 * s, sh - y - h - s, strength, opacity);  // bottom
    blender.addRect(s, y, x - s, h, strength, opacity);                        // left
    blender.addRect(x + w, y, sw - x - w - s, h, strength, opacity);           // right
}

int32_t BokasiMod1::handle(EffArgs& args) {
    return ModuleCommands::region(*this, args);
}

void BokasiMod1::DoParam(int16_t code, int16_t value) {
    if (choice_.chooseSide(code)) return;
    if (code == ctl::kCombo5 && value >= 0 && value <= 3)
        choice_.chooseParam(kBlurStrengths[value]);
}

void BokasiMod1::EffPanel() {
    Panel& p = env_.panel();
    try {
        layoutSidePanel(p, layoutScale_, "ぼかし", {"微", "弱", "中", "強"}, 1);
        choice_.chooseParam(2);
        choice_.chooseText("0");
        env_.DspFrame2();
    } catch (const std::exception& e) {
        env_.host().MsgBox(panelErrorText("Bok1", e), msgbox::kOk, kAppTitle);
    }
}

void BokasiMod1::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_ && !gesture_.drawing) {
        gesture_.loadRegion(work, true);
        choice_.load(work);
    }
    const auto [x, y, w, h] =
        gesture_.pixelsWithin(env_.PictMain().width(), env_.PictMain().height());
    const int16_t strength = choice_.param;
    if (const int o = blurOpacity(strength); o >= 0) opacity_ = static_cast<uint8_t>(o);

    // The blends go over the picture before this layer, so that a rubber
    // band left on PictMain by the drag is not blended into the result.
    Surface& main = env_.PictMain();
    const Surface& before = env_.PictJT();
    if (!env_.PictMainIsPictJT()) copyPicture(main, before);
    if (choice_.inside()) {
        queueBlurInside(blender_, main.width(), main.height(), x, y, w, h, strength, opacity_);
        const BlurBlender::Area a = blender_.area();
        env_.PictMainChangedWithin(a.x0, a.y0, a.x1, a.y1);
    } else
        queueBlurOutside(blender_, main.width(), main.height(), x, y, w, h, strength, opacity_);
    if (!blender_.empty()) {
        env_.host().SetPointer(pointer::kHourglass);
        blender_.run(main, before);
        env_.host().SetPointer(pointer::kDefault);
    }
    env_.host().Refresh(Picture::PictMain);

    work.Kind = kouka::kBlur;
    gesture_.storeRegion(work);
    choice_.store(work);
    gesture_.showRegion(env_.panel());
}

}  // namespace movalux
