#include "media/TestPattern.h"

#include <algorithm>
#include <array>
#include <string>

#include "effects/RasterOps.h"
#include "effects/Surface.h"

namespace movalux {

namespace {

constexpr int kBits = 16;
constexpr int kCellsPerRow = 8;
constexpr int kBarRows = kBits / kCellsPerRow;

// Cell rectangles: the top third of the picture, 8 cells wide, 2 high. Cell
// edges fall on multiples of 8 pixels where the size allows, so that block
// codecs keep them apart.
struct Cell {
    int x0, y0, x1, y1;  // inclusive-exclusive
};

Cell cellOf(int w, int h, int bit) {
    const int col = bit % kCellsPerRow;
    const int row = bit / kCellsPerRow;
    const int cw = std::max(1, w / kCellsPerRow);
    const int ch = std::max(1, h / 3 / kBarRows);
    return {col * cw, row * ch, (col + 1) * cw, (row + 1) * ch};
}

// Seven segments a..g of each digit.
constexpr std::array<uint8_t, 10> kSegments{0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                            0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void drawDigit(Surface& s, int x, int y, int dw, int dh, int digit, uint32_t colour) {
    const int t = std::max(1, dw / 5);
    const int mid = y + dh / 2;
    const uint8_t seg = kSegments[static_cast<size_t>(digit)];
    auto bar = [&](int x0, int y0, int x1, int y1) { FillBox(s, x0, y0, x1, y1, colour); };
    if (seg & 0x01) bar(x, y, x + dw - 1, y + t - 1);                      // a
    if (seg & 0x02) bar(x + dw - t, y, x + dw - 1, mid);                   // b
    if (seg & 0x04) bar(x + dw - t, mid, x + dw - 1, y + dh - 1);          // c
    if (seg & 0x08) bar(x, y + dh - t, x + dw - 1, y + dh - 1);            // d
    if (seg & 0x10) bar(x, mid, x + t - 1, y + dh - 1);                    // e
    if (seg & 0x20) bar(x, y, x + t - 1, mid);                             // f
    if (seg & 0x40) bar(x, mid - t / 2, x + dw - 1, mid - t / 2 + t - 1);  // g
}

}  // namespace

uint32_t testFrameColour(int32_t n) {
    // Steps far apart on every channel, so neighbouring frames never look alike.
    return rgb(40 + (n * 53) % 176, 40 + (n * 97) % 176, 40 + (n * 151) % 176);
}

void drawTestFrame(Surface& s, int32_t n) {
    if (s.empty()) return;
    const int w = s.width(), h = s.height();
    s.fill(testFrameColour(n));
    for (int bit = 0; bit < kBits; ++bit) {
        const Cell c = cellOf(w, h, bit);
        const uint32_t colour = (n >> bit) & 1 ? kWhite : kBlack;
        FillBox(s, c.x0, c.y0, c.x1 - 1, c.y1 - 1, colour);
    }
    const std::string text = std::to_string(n);
    const int top = cellOf(w, h, kBits - 1).y1 + h / 12;
    const int dh = std::max(5, h - top - h / 12);
    const int dw = std::max(3, std::min(dh / 2, w / (static_cast<int>(text.size()) + 1)));
    int x = std::max(
        0, (w - dw * static_cast<int>(text.size()) - (dw / 3) * static_cast<int>(text.size() - 1)) /
               2);
    for (char ch : text) {
        drawDigit(s, x, top, dw, dh, ch - '0', kWhite);
        x += dw + dw / 3;
    }
}

int32_t readTestFrameNumber(const Surface& s) {
    if (s.width() < kCellsPerRow * 4 || s.height() < 24) return -1;
    int32_t n = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        const Cell c = cellOf(s.width(), s.height(), bit);
        // The middle half of the cell, away from edges that codecs blur.
        long sum = 0, count = 0;
        for (int y = c.y0 + (c.y1 - c.y0) / 4; y < c.y1 - (c.y1 - c.y0) / 4; ++y)
            for (int x = c.x0 + (c.x1 - c.x0) / 4; x < c.x1 - (c.x1 - c.x0) / 4; ++x) {
                const uint32_t p = s.pixel(x, y);
                sum += redOf(p) + greenOf(p) + blueOf(p);
                count += 3;
            }
        if (count == 0) return -1;
        const long level = sum / count;
        if (level > 170)
            n |= 1 << bit;
        else if (level > 85)
            return -1;
    }
    return n;
}

}  // namespace movalux
