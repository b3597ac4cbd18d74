#pragma once
// The 24-bit pixel array of file formats and codecs: three bytes a pixel
// (blue, green, red), rows padded to four bytes, bottom row first. Pictures
// are converted to and from it only where a file or codec wants it.

#include <cstdint>
#include <vector>

#include "effects/Surface.h"

namespace movalux {

struct DibHeader {
    int32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // positive: rows bottom-up
    int16_t biPlanes = 1;
    int16_t biBitCount = 24;
    int32_t biCompression = 0;  // BI_RGB
    int32_t biSizeImage = 0;    // width * height * 3
};

class DibBits {
public:
    // Header and array for a picture of this size.
    void allocate(int width, int height);
    bool allocated() const { return allocated_; }

    const DibHeader& header() const { return header_; }
    int stride() const { return stride_; }
    uint8_t* data() { return bits_.data(); }
    const uint8_t* data() const { return bits_.data(); }

    // Pixel (x, y), y counted down from the top, is in row height - 1 - y.
    uint8_t* pixelAt(int x, int y) {
        return bits_.data() + static_cast<size_t>(header_.biHeight - 1 - y) * stride_ + 3 * x;
    }

    // Reading pixels: the number of lines read, 0 when the picture's size
    // differs from the array's.
    int getFrom(const Surface& s);
    // Writing pixels into a picture of the array's size; 0 lines otherwise.
    int setTo(Surface& s) const;

private:
    DibHeader header_;
    std::vector<uint8_t> bits_;
    int stride_ = 0;
    bool allocated_ = false;
};

}  // namespace movalux
