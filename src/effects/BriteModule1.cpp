#include "effects/BriteModule1.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "effects/RasterOps.h"
#include "effects/RegionGesture.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

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
    return ModuleCommands::scrollBars(*this, args);
}

void BriteModule1::DoParam(int16_t code, int16_t value) {
    if (bars_.control(env_.panel(), code, value)) EffApply();
}

void BriteModule1::EffPanel() {
    static constexpr ScrollBarCaptions kCaptions = {
        {"明るさ", "ｺﾝﾄﾗｽﾄ", "彩度"}, "設定値", {"B", "C", "V"}};
    try {
        bars_.openPanel(env_, layoutScale_, kCaptions);
    } catch (const std::exception& e) {
        env_.host().MsgBox(panelErrorText("Bri1", e), msgbox::kOk, kAppTitle);
    }
}

void BriteModule1::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_) bars_.loadRecord(work);
    Surface& main = env_.PictMain();
    const Surface& before = env_.PictJT();
    if (main.width() != before.width() || main.height() != before.height()) {
        env_.host().MsgBox(kReadFailedText, msgbox::kOk, kAppTitle);
        copyPicture(main, before);
    }
    brightnessContrast(main, before, brightness(), contrast(), saturation());
    env_.host().Refresh(Picture::PictMain);

    bars_.storeRecord(work, kouka::kBrightness);
    bars_.showValues(env_.panel());
}

}  // namespace movalux
