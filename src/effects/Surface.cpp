#include "effects/Surface.h"

#include <algorithm>

namespace movalux {

void Surface::resize(int width, int height, uint32_t fill) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    px_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill | kOpaque);
}

void Surface::Cls() { fill(BackColor); }

void Surface::fill(uint32_t colour) { std::fill(px_.begin(), px_.end(), colour | kOpaque); }

void Surface::assign(const Surface& other) {
    if (this == &other) return;
    width_ = other.width_;
    height_ = other.height_;
    px_.assign(other.px_.begin(), other.px_.end());
}

}  // namespace movalux
