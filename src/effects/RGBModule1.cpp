#include "effects/RGBModule1.h"

#include <array>
#include <stdexcept>

#include "base/NumberText.h"
#include "effects/RasterOps.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

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
    return ModuleCommands::scrollBars(*this, args);
}

void RGBModule1::DoParam(int16_t code, int16_t value) {
    if (bars_.control(env_.panel(), code, value)) EffApply();
}

void RGBModule1::EffPanel() {
    static constexpr ScrollBarCaptions kCaptions = {
        {"青", "緑", "赤"}, "RGB値", {"青", "緑", "赤"}};
    bars_.openPanel(env_, layoutScale_, kCaptions);
}

void RGBModule1::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_) bars_.loadRecord(work);
    const int16_t blueGamma = colourToneGamma(blue());
    const int16_t greenGamma = colourToneGamma(green());
    const int16_t redGamma = colourToneGamma(red());
    colourTone(env_.PictMain(), env_.PictJT(), blueGamma, greenGamma, redGamma);
    env_.host().Refresh(Picture::PictMain);

    bars_.storeRecord(work, kouka::kColourTone);
    bars_.showValues(env_.panel());
}

}  // namespace movalux
