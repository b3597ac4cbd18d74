#include "cli/StoryPicture.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "effects/RasterOps.h"
#include "effects/Surface.h"

namespace movalux::cli {

namespace {

// Seven segments a..g of each digit, for the plate and the sign.
constexpr std::array<uint8_t, 10> kSegments{0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                            0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void box(Surface& s, int x0, int y0, int x1, int y1, uint32_t colour) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, s.width() - 1);
    y1 = std::min(y1, s.height() - 1);
    if (x0 <= x1 && y0 <= y1) FillBox(s, x0, y0, x1, y1, colour);
}

void digit(Surface& s, int x, int y, int dw, int dh, int d, uint32_t colour) {
    const int t = std::max(2, dw / 5);
    const int mid = y + dh / 2;
    const uint8_t seg = kSegments[static_cast<size_t>(d)];
    if (seg & 0x01) box(s, x, y, x + dw - 1, y + t - 1, colour);
    if (seg & 0x02) box(s, x + dw - t, y, x + dw - 1, mid, colour);
    if (seg & 0x04) box(s, x + dw - t, mid, x + dw - 1, y + dh - 1, colour);
    if (seg & 0x08) box(s, x, y + dh - t, x + dw - 1, y + dh - 1, colour);
    if (seg & 0x10) box(s, x, mid, x + t - 1, y + dh - 1, colour);
    if (seg & 0x20) box(s, x, y, x + t - 1, mid, colour);
    if (seg & 0x40) box(s, x, mid - t / 2, x + dw - 1, mid - t / 2 + t - 1, colour);
}

void digits(Surface& s, int x, int y, int dw, int dh, const char* text, uint32_t colour) {
    for (const char* c = text; *c != '\0'; ++c, x += dw + dw / 2) {
        if (*c >= '0' && *c <= '9')
            digit(s, x, y, dw, dh, *c - '0', colour);
        else if (*c == '-')
            box(s, x, y + dh / 2 - 1, x + dw - 1, y + dh / 2 + 1, colour);
    }
}

// An ellipse about (cx, cy), filled; `upper` keeps only its upper half.
void ellipse(Surface& s, int cx, int cy, int rx, int ry, uint32_t colour, bool upper = false) {
    for (int y = -ry; y <= (upper ? 0 : ry); ++y) {
        const double f = 1.0 - static_cast<double>(y * y) / (static_cast<double>(ry) * ry);
        const int half = static_cast<int>(std::lround(rx * std::sqrt(std::max(0.0, f))));
        box(s, cx - half, cy + y, cx + half, cy + y, colour);
    }
}

}  // namespace

StoryPlaces storyPlaces(int32_t n) {
    StoryPlaces p;
    p.faceX = 90 + 6 * n;
    p.faceY = 120 + n;
    p.carX = 430 - 4 * n;
    p.plateX = p.carX + 56;
    p.plateY = 292;
    return p;
}

void drawStoryFrame(Surface& s, int32_t n) {
    const int w = s.width(), h = s.height();
    // Sky, a row of buildings with a shop sign, the road and its moving marks.
    for (int y = 0; y < 240 && y < h; ++y)
        box(s, 0, y, w - 1, y, rgb(150 + y / 4, 190 + y / 8, 235));
    const uint32_t walls[] = {rgb(170, 160, 150), rgb(140, 135, 150), rgb(185, 175, 140)};
    for (int i = 0; i < 6; ++i)
        box(s, i * 110, 60 + (i * 37) % 50, i * 110 + 100, 239, walls[i % 3]);
    box(s, 440, 44, 610, 96, rgb(250, 245, 220));
    box(s, 440, 44, 610, 47, rgb(60, 60, 60));
    digits(s, 450, 56, 13, 30, "555-0123", rgb(200, 30, 30));
    box(s, 0, 240, w - 1, h - 1, rgb(70, 72, 78));
    for (int x = -(n * 8) % 80; x < w; x += 80) box(s, x, 338, x + 40, 342, rgb(235, 235, 235));

    const StoryPlaces p = storyPlaces(n);
    // A person walking right: shirt, neck, face with hair, eyes, nose, mouth.
    box(s, p.faceX - 40, p.faceY + 50, p.faceX + 40, 239, rgb(40, 90, 170));
    box(s, p.faceX - 10, p.faceY + 36, p.faceX + 10, p.faceY + 52, rgb(222, 180, 150));
    ellipse(s, p.faceX, p.faceY, 34, 44, rgb(232, 192, 160));
    ellipse(s, p.faceX, p.faceY - 16, 36, 32, rgb(70, 45, 30), true);
    for (int side : {-1, 1}) {
        ellipse(s, p.faceX + side * 14, p.faceY - 4, 7, 5, rgb(250, 250, 250));
        ellipse(s, p.faceX + side * 14, p.faceY - 4, 3, 3, rgb(40, 30, 30));
        box(s, p.faceX + side * 14 - 8, p.faceY - 16, p.faceX + side * 14 + 8, p.faceY - 14,
            rgb(70, 45, 30));
    }
    box(s, p.faceX - 2, p.faceY - 2, p.faceX + 2, p.faceY + 12, rgb(200, 150, 120));
    box(s, p.faceX - 13, p.faceY + 22, p.faceX + 13, p.faceY + 26, rgb(180, 60, 60));

    // A car driving left with its number plate.
    box(s, p.carX, 250, p.carX + 200, 318, rgb(180, 30, 40));
    box(s, p.carX + 30, 222, p.carX + 150, 252, rgb(160, 25, 35));
    box(s, p.carX + 42, 228, p.carX + 138, 250, rgb(150, 190, 220));
    for (int wx : {p.carX + 40, p.carX + 160}) ellipse(s, wx, 320, 18, 18, rgb(20, 20, 20));
    box(s, p.plateX, p.plateY, p.plateX + 92, p.plateY + 24, rgb(20, 20, 20));
    box(s, p.plateX + 2, p.plateY + 2, p.plateX + 90, p.plateY + 22, rgb(250, 250, 250));
    digits(s, p.plateX + 8, p.plateY + 5, 9, 14, "12-34", rgb(20, 20, 20));
}

}  // namespace movalux::cli
