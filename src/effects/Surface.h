#pragma once
// One picture: 32-bit 0xFFRRGGBB pixels (bytes B, G, R, X in memory, the
// layout of QImage::Format_RGB32, so the window shows it without a copy),
// rows top-down, any size. Pictures also carry the drawing state that the
// drawing operations use: fore colour, back colour, fill colour.

#include <cstdint>
#include <span>
#include <vector>

namespace movalux {

inline constexpr uint32_t kOpaque = 0xFF000000u;
inline constexpr uint32_t kRgbMask = 0x00FFFFFFu;
inline constexpr uint32_t kBlack = 0xFF000000u;
inline constexpr uint32_t kWhite = 0xFFFFFFFFu;

constexpr uint32_t rgb(int r, int g, int b) {
    return kOpaque | (static_cast<uint32_t>(r & 255) << 16) | (static_cast<uint32_t>(g & 255) << 8) |
           static_cast<uint32_t>(b & 255);
}
constexpr int redOf(uint32_t c) { return static_cast<int>((c >> 16) & 255); }
constexpr int greenOf(uint32_t c) { return static_cast<int>((c >> 8) & 255); }
constexpr int blueOf(uint32_t c) { return static_cast<int>(c & 255); }
constexpr bool sameColour(uint32_t a, uint32_t b) { return ((a ^ b) & kRgbMask) == 0; }

class Surface {
public:
    Surface() = default;
    Surface(int width, int height, uint32_t fill = kWhite) { resize(width, height, fill); }

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Discards the contents; the new picture is filled with the given colour.
    void resize(int width, int height, uint32_t fill = kWhite);

    uint32_t* row(int y) { return px_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
    const uint32_t* row(int y) const {
        return px_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
    }
    uint32_t pixel(int x, int y) const { return row(y)[x]; }
    void setPixel(int x, int y, uint32_t c) { row(y)[x] = c | kOpaque; }

    std::span<uint32_t> pixels() { return px_; }
    std::span<const uint32_t> pixels() const { return px_; }
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(px_.data()); }
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(px_.data()); }
    int bytesPerLine() const { return width_ * 4; }

    // Cls: the whole picture in the back colour.
    void Cls();
    void fill(uint32_t colour);

    // Copies size and pixels of another picture, reusing this one's memory.
    void assign(const Surface& other);

    uint32_t ForeColor = kBlack;
    uint32_t BackColor = kWhite;
    uint32_t FillColor = kBlack;

private:
    std::vector<uint32_t> px_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace movalux
