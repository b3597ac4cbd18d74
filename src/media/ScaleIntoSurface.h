#pragma once
// swscale into a Surface without writing past its end. swscale's vector
// paths for packed RGB write whole blocks of pixels, up to 15 beyond a row's
// width: harmless inside the picture (the next row is written afterwards),
// but past the last row they land outside the Surface's memory. Widths of a
// whole number of blocks go straight into the picture; others through a
// padded scratch picture and one copy. Only sources in src/media include
// this.

#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/Surface.h"
#include "media/FfmpegHolders.h"

namespace movalux::ff {

inline void scaleIntoSurface(SwsContext* sws, const uint8_t* const src[], const int srcStride[],
                             int srcHeight, Surface& out, std::vector<uint8_t>& scratch) {
    const int rowBytes = out.bytesPerLine();
    if (out.width() % 16 == 0) {
        uint8_t* dst[4] = {out.bytes(), nullptr, nullptr, nullptr};
        int dstStride[4] = {rowBytes, 0, 0, 0};
        sws_scale(sws, src, srcStride, 0, srcHeight, dst, dstStride);
        return;
    }
    const int padded = (rowBytes + 64 + 63) / 64 * 64;
    scratch.resize(static_cast<size_t>(padded) * (out.height() + 1));
    uint8_t* dst[4] = {scratch.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {padded, 0, 0, 0};
    sws_scale(sws, src, srcStride, 0, srcHeight, dst, dstStride);
    for (int y = 0; y < out.height(); ++y)
        std::memcpy(out.bytes() + static_cast<size_t>(y) * rowBytes,
                    scratch.data() + static_cast<size_t>(y) * padded,
                    static_cast<size_t>(rowBytes));
}

}  // namespace movalux::ff
