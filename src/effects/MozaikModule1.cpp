#include "effects/MozaikModule1.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "base/NumberText.h"
#include "effects/ModuleCommands.h"
#include "effects/RasterOps.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

int64_t ceilDiv(int64_t a, int64_t b) {  // b > 0
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

// One row of blocks: columns [xa[j], xb[j]] of lines [ya, yb], averaged and
// filled block by block. Blocks with xa > xb are empty and skipped.
void averageBlockRow(Surface& pic, int ya, int yb, const std::vector<int>& xa, const std::vector<int>& xb,
                     std::vector<uint64_t>& sums) {
    const size_t n = xa.size();
    sums.assign(3 * n, 0);
    for (int y = ya; y <= yb; ++y) {
        const uint32_t* row = pic.row(y);
        for (size_t j = 0; j < n; ++j) {
            const int len = xb[j] - xa[j] + 1;
            if (len <= 0) continue;
            if (len <= 256) {
                // Red and blue side by side in one word: 16 bits each hold the
                // sum of up to 257 pixels, so one add serves two channels.
                uint32_t rb = 0, g = 0;
                for (int x = xa[j]; x <= xb[j]; ++x) {
                    const uint32_t p = row[x];
                    rb += p & 0x00FF00FFu;
                    g += (p >> 8) & 255u;
                }
                sums[3 * j] += rb >> 16;
                sums[3 * j + 1] += g;
                sums[3 * j + 2] += rb & 0xFFFFu;
            } else {
                uint64_t r = 0, g = 0, b = 0;
                for (int x = xa[j]; x <= xb[j]; ++x) {
                    const uint32_t p = row[x];
                    b += p & 255u;
                    g += (p >> 8) & 255u;
                    r += (p >> 16) & 255u;
                }
                sums[3 * j] += r;
                sums[3 * j + 1] += g;
                sums[3 * j + 2] += b;
            }
        }
    }
    const int64_t lines = yb - ya + 1;
    for (size_t j = 0; j < n; ++j) {
        if (xa[j] > xb[j]) continue;
        const int64_t count = lines * (xb[j] - xa[j] + 1);
        const uint32_t c = rgb(static_cast<int>(divRoundHalfEven(static_cast<int64_t>(sums[3 * j]), count)),
                               static_cast<int>(divRoundHalfEven(static_cast<int64_t>(sums[3 * j + 1]), count)),
                               static_cast<int>(divRoundHalfEven(static_cast<int64_t>(sums[3 * j + 2]), count)));
        for (int y = ya; y <= yb; ++y) std::fill(pic.row(y) + xa[j], pic.row(y) + xb[j] + 1, c);
    }
}

}  // namespace

void mosaicInside(Surface& pic, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t B) {
    if (B < 1) throw std::invalid_argument("block size");
    const int64_t SW = pic.width(), SH = pic.height();
    const int64_t nRows = roundHalfEven32(static_cast<double>(H) / B);
    const int64_t nCols = roundHalfEven32(static_cast<double>(W) / B);
    const int64_t right = static_cast<int64_t>(X) + W;  // inclusive edges
    const int64_t bottom = static_cast<int64_t>(Y) + H;
    // Blocks that end left of or above the picture hold no pixel: start at
    // the first that reaches it instead of walking up to it.
    const int64_t iFirst = std::max<int64_t>(0, ceilDiv(-static_cast<int64_t>(Y) - B + 1, B));
    const int64_t jFirst = std::max<int64_t>(0, ceilDiv(-static_cast<int64_t>(X) - B + 1, B));

    std::vector<int> xa, xb;
    for (int64_t j = jFirst; j <= nCols; ++j) {
        const int64_t x0 = X + j * B;
        if (x0 > SW) break;
        xa.push_back(static_cast<int>(std::max<int64_t>(x0, 0)));
        xb.push_back(static_cast<int>(std::min({x0 + B - 1, right, SW - 1})));
    }
    if (xa.empty()) return;
    std::vector<uint64_t> sums;
    for (int64_t i = iFirst; i <= nRows; ++i) {
        const int64_t y0 = Y + i * B;
        if (y0 > SH) break;
        const int64_t ya = std::max<int64_t>(y0, 0);
        const int64_t yb = std::min({y0 + B - 1, bottom, SH - 1});
        if (ya > yb) continue;
        averageBlockRow(pic, static_cast<int>(ya), static_cast<int>(yb), xa, xb, sums);
    }
}

void mosaicOutside(Surface& pic, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t B) {
    if (B < 1) throw std::invalid_argument("block size");
    const int64_t SW = pic.width(), SH = pic.height();
    const int64_t lastRow = roundHalfEven32(static_cast<double>(SH) / B - 1);
    const int64_t lastCol = roundHalfEven32(static_cast<double>(SW) / B - 1);
    const int64_t right = static_cast<int64_t>(X) + W;
    const int64_t bottom = static_cast<int64_t>(Y) + H;

    std::vector<int> xa, xb, xaRow, xbRow;
    std::vector<bool> colInside;
    for (int64_t j = 0; j <= lastCol; ++j) {
        const int64_t x0 = j * B;
        xa.push_back(static_cast<int>(x0));
        xb.push_back(static_cast<int>(std::min(x0 + B - 1, SW - 1)));
        colInside.push_back(X < x0 && x0 < right);
    }
    std::vector<uint64_t> sums;
    for (int64_t i = 0; i <= lastRow; ++i) {
        const int64_t y0 = i * B;
        const bool rowInside = Y < y0 && y0 < bottom;
        xaRow = xa;
        xbRow = xb;
        if (rowInside) {
            // Blocks whose corner lies strictly inside the region stay as
            // they are: mark them empty.
            for (size_t j = 0; j < xa.size(); ++j)
                if (colInside[j]) xaRow[j] = xbRow[j] + 1;
        }
        averageBlockRow(pic, static_cast<int>(y0), static_cast<int>(std::min(y0 + B - 1, SH - 1)), xaRow, xbRow,
                        sums);
    }
}

int32_t MozaikModule1::handle(EffArgs& args) {
    kouka_ = args.KoukaNom;
    return ModuleCommands::region(*this, args);
}

void MozaikModule1::DoParam(int16_t code, int16_t value) {
    if (choice_.chooseSide(code)) return;
    if (code == ctl::kCombo5 && value >= 0 && value <= 4) choice_.chooseParam(kMosaicBlockSizes[value]);
}

void MozaikModule1::EffPanel() {
    layoutSidePanel(env_.panel(), layoutScale_, "モザイク", {"微小", "小", "中", "大", "特大"}, 2);

    choice_.chooseText("0");
    choice_.chooseParam(8);
    kouka_ = kouka::kMosaic;
    fixSize_ = false;
    env_.DspFrame2();
}

void MozaikModule1::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_ && !gesture_.drawing) {
        gesture_.loadRegion(work, true);
        choice_.load(work);
    }
    const auto [x, y, w, h] =
        gesture_.pixelsWithin(env_.PictMain().width(), env_.PictMain().height());
    const int32_t blockSize = choice_.param;
    if (blockSize < 1) throw std::invalid_argument("block size");

    // The picture before this layer is PictJT; the result goes to PictMain.
    // Transforming a copy in PictMain reads every pixel once and writes it once.
    startFromPictureBefore(env_);
    Surface& main = env_.PictMain();
    if (choice_.inside()) {
        mosaicInside(main, x, y, w, h, blockSize);
        changedAround(env_, x, y, w, h, 0);
    } else
        mosaicOutside(main, x, y, w, h, blockSize);
    env_.host().Refresh(Picture::PictMain);

    work.Kind = kouka::kMosaic;
    gesture_.storeRegion(work);
    choice_.store(work);
    gesture_.showRegion(env_.panel());
}

}  // namespace movalux
