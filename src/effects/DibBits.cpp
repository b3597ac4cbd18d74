#include "effects/DibBits.h"

#include <algorithm>

namespace movalux {

void DibBits::allocate(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    header_ = DibHeader{};
    header_.biWidth = width;
    header_.biHeight = height;
    header_.biSizeImage = width * height * 3;
    stride_ = (width * 3 + 3) & ~3;
    bits_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(height), 0);
    allocated_ = true;
}

int DibBits::getFrom(const Surface& s) {
    if (!allocated_ || s.width() != header_.biWidth || s.height() != header_.biHeight) return 0;
    for (int y = 0; y < s.height(); ++y) {
        const uint32_t* src = s.row(y);
        uint8_t* d = pixelAt(0, y);
        for (int x = 0; x < s.width(); ++x) {
            uint32_t p = src[x];
            d[3 * x] = static_cast<uint8_t>(p);
            d[3 * x + 1] = static_cast<uint8_t>(p >> 8);
            d[3 * x + 2] = static_cast<uint8_t>(p >> 16);
        }
    }
    return s.height();
}

int DibBits::setTo(Surface& s) const {
    if (!allocated_ || s.width() != header_.biWidth || s.height() != header_.biHeight) return 0;
    for (int y = 0; y < s.height(); ++y) {
        uint32_t* d = s.row(y);
        const uint8_t* src = bits_.data() + static_cast<size_t>(header_.biHeight - 1 - y) * stride_;
        for (int x = 0; x < s.width(); ++x)
            d[x] = rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
    }
    return s.height();
}

}  // namespace movalux
