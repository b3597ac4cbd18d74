#include "effects/RasterOps.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "base/NumberText.h"

namespace movalux {

namespace {

struct Span {
    int begin;  // offset into the requested block
    int end;
    bool empty() const { return begin >= end; }
};

// The offsets t in [0, n) for which both d + t lies in [0, dn) and, with a
// source, s + t lies in [0, sn).
Span clipAxis(int d, int n, int dn, int s, int sn, bool withSource) {
    long long b = std::max<long long>(0, -static_cast<long long>(d));
    long long e = std::min<long long>(n, static_cast<long long>(dn) - d);
    if (withSource) {
        b = std::max<long long>(b, -static_cast<long long>(s));
        e = std::min<long long>(e, static_cast<long long>(sn) - s);
    }
    if (e < b) e = b;
    return {static_cast<int>(b), static_cast<int>(e)};
}

inline uint32_t applyRop(Rop rop, uint32_t s, uint32_t d) {
    switch (rop) {
        case Rop::SrcCopy: return s | kOpaque;
        case Rop::DstInvert: return ~d | kOpaque;
        case Rop::SrcAnd: return (s & d) | kOpaque;
        case Rop::SrcPaint: return s | d | kOpaque;
        case Rop::NotSrcCopy: return ~s | kOpaque;
        case Rop::MergePaint: return ~s | d | kOpaque;
    }
    return d;
}

template <class Op>
void rowLoop(uint32_t* d, const uint32_t* s, int n, Op op) {
    for (int i = 0; i < n; ++i) d[i] = op(s[i], d[i]);
}

void ropRow(Rop rop, uint32_t* d, const uint32_t* s, int n) {
    // One tight loop per operation so that the compiler vectorises each.
    switch (rop) {
        case Rop::SrcCopy: std::copy(s, s + n, d); return;
        case Rop::DstInvert:
            for (int i = 0; i < n; ++i) d[i] = ~d[i] | kOpaque;
            return;
        case Rop::SrcAnd: rowLoop(d, s, n, [](uint32_t a, uint32_t b) { return (a & b) | kOpaque; }); return;
        case Rop::SrcPaint: rowLoop(d, s, n, [](uint32_t a, uint32_t b) { return a | b | kOpaque; }); return;
        case Rop::NotSrcCopy: rowLoop(d, s, n, [](uint32_t a, uint32_t) { return ~a | kOpaque; }); return;
        case Rop::MergePaint: rowLoop(d, s, n, [](uint32_t a, uint32_t b) { return ~a | b | kOpaque; }); return;
    }
}

// Copies a source rectangle out when it is also the destination, so that
// the operation reads the picture as it was before.
Surface extract(const Surface& src, int sx, int sy, int w, int h) {
    Surface tmp(std::max(0, w), std::max(0, h));
    BitBlt(tmp, 0, 0, w, h, &src, sx, sy, Rop::SrcCopy);
    return tmp;
}

struct Weight {
    int index;   // source index, already clamped to the picture
    uint32_t w;  // overlap in units of 1/dn source pixels
};

// Area-average weights of one axis: destination pixel i covers the source
// interval [i * sn, (i + 1) * sn) measured in units of 1/dn pixel.
std::vector<std::vector<Weight>> areaWeights(int dn, int sn, int s0, int srcSize) {
    std::vector<std::vector<Weight>> out(static_cast<size_t>(dn));
    for (int i = 0; i < dn; ++i) {
        long long lo = static_cast<long long>(i) * sn;
        long long hi = lo + sn;
        for (long long j = lo / dn; j * dn < hi; ++j) {
            long long a = std::max(lo, j * dn);
            long long b = std::min(hi, (j + 1) * dn);
            if (b <= a) continue;
            int idx = std::clamp(static_cast<int>(s0 + j), 0, srcSize - 1);
            out[static_cast<size_t>(i)].push_back({idx, static_cast<uint32_t>(b - a)});
        }
    }
    return out;
}

std::vector<std::pair<int, int>>& pointBuffer() {
    thread_local std::vector<std::pair<int, int>> pts;
    return pts;
}

// Bresenham's points of one line, in 64 bits so that no end point, however
// far, overflows. Only the points inside a w x h picture are kept, and a
// line that reaches far outside is first cut to the picture (with a margin)
// so that its cost and memory follow the picture, not the numbers typed.
void bresenham(std::vector<std::pair<int, int>>& pts, int64_t x1, int64_t y1, int64_t x2,
               int64_t y2, int w, int h) {
    const int64_t dx = x2 > x1 ? x2 - x1 : x1 - x2, sx = x1 < x2 ? 1 : -1;
    const int64_t dy = -(y2 > y1 ? y2 - y1 : y1 - y2), sy = y1 < y2 ? 1 : -1;
    int64_t err = dx + dy;
    for (;;) {
        if (x1 >= 0 && y1 >= 0 && x1 < w && y1 < h)
            pts.emplace_back(static_cast<int>(x1), static_cast<int>(y1));
        if (x1 == x2 && y1 == y2) break;
        const int64_t e2 = 2 * err;
        if (e2 >= dy) err += dy, x1 += sx;
        if (e2 <= dx) err += dx, y1 += sy;
    }
}

// Lines whose ends lie within this distance of the picture are drawn point
// by point exactly; longer ones are cut to the picture first.
constexpr int64_t kExactReach = int64_t{1} << 16;

void linePoints(std::vector<std::pair<int, int>>& pts, int x1, int y1, int x2, int y2, int w,
                int h) {
    if (w <= 0 || h <= 0) return;
    auto near = [&](int64_t v, int64_t size) {
        return v >= -kExactReach && v <= size + kExactReach;
    };
    if (near(x1, w) && near(x2, w) && near(y1, h) && near(y2, h)) {
        bresenham(pts, x1, y1, x2, y2, w, h);
        return;
    }
    // Liang-Barsky against the picture widened by a pixel, in doubles.
    const double lo = -1.0, hiX = w, hiY = h;
    const double ax = x1, ay = y1, ddx = static_cast<double>(x2) - x1,
                 ddy = static_cast<double>(y2) - y1;
    double t0 = 0, t1 = 1;
    auto edge = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double r = q / p;
        if (p < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!edge(-ddx, ax - lo) || !edge(ddx, hiX - ax) || !edge(-ddy, ay - lo) ||
        !edge(ddy, hiY - ay))
        return;
    bresenham(pts, std::llround(ax + t0 * ddx), std::llround(ay + t0 * ddy),
              std::llround(ax + t1 * ddx), std::llround(ay + t1 * ddy), w, h);
}

// Plots the collected points once each.
void plot(Surface& s, std::vector<std::pair<int, int>>& pts, uint32_t colour, DrawMode mode) {
    if (mode == DrawMode::Invert) {
        std::sort(pts.begin(), pts.end());
        pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
    }
    for (auto [x, y] : pts) {
        if (!s.contains(x, y)) continue;
        uint32_t& p = s.row(y)[x];
        p = mode == DrawMode::Invert ? (~p | kOpaque) : (colour | kOpaque);
    }
    pts.clear();
}

int roundCoord(double v) { return roundHalfEven32(v); }

}  // namespace

void BitBlt(Surface& dst, int dx, int dy, int w, int h, const Surface* src, int sx, int sy, Rop rop) {
    if (w <= 0 || h <= 0) return;
    const bool usesSource = rop != Rop::DstInvert;
    if (usesSource && src == nullptr) return;
    if (usesSource && src == &dst) {
        Surface tmp = extract(*src, sx, sy, w, h);
        // Pixels outside the picture were not copied into tmp; keep them out.
        Span cx = clipAxis(dx, w, dst.width(), sx, src->width(), true);
        Span cy = clipAxis(dy, h, dst.height(), sy, src->height(), true);
        if (cx.empty() || cy.empty()) return;
        BitBlt(dst, dx + cx.begin, dy + cy.begin, cx.end - cx.begin, cy.end - cy.begin, &tmp, cx.begin,
               cy.begin, rop);
        return;
    }
    Span cx = clipAxis(dx, w, dst.width(), sx, usesSource ? src->width() : 0, usesSource);
    Span cy = clipAxis(dy, h, dst.height(), sy, usesSource ? src->height() : 0, usesSource);
    if (cx.empty() || cy.empty()) return;
    const int n = cx.end - cx.begin;
    for (int t = cy.begin; t < cy.end; ++t) {
        uint32_t* d = dst.row(dy + t) + (dx + cx.begin);
        const uint32_t* s = usesSource ? src->row(sy + t) + (sx + cx.begin) : d;
        ropRow(rop, d, s, n);
    }
}

void copyPicture(Surface& dst, const Surface& src) {
    if (dst.width() == src.width() && dst.height() == src.height()) {
        std::copy(src.pixels().begin(), src.pixels().end(), dst.pixels().begin());
    } else {
        BitBlt(dst, 0, 0, src.width(), src.height(), &src, 0, 0, Rop::SrcCopy);
    }
}

void copyPictureRect(Surface& dst, const Surface& src, int64_t x0, int64_t y0, int64_t x1,
                     int64_t y1) {
    const int64_t w = std::min(dst.width(), src.width());
    const int64_t h = std::min(dst.height(), src.height());
    x0 = std::clamp<int64_t>(x0, 0, w);
    x1 = std::clamp<int64_t>(x1, 0, w);
    y0 = std::clamp<int64_t>(y0, 0, h);
    y1 = std::clamp<int64_t>(y1, 0, h);
    if (x0 >= x1 || y0 >= y1) return;
    const auto n = static_cast<size_t>(x1 - x0);
    for (int64_t y = y0; y < y1; ++y) {
        const uint32_t* from = src.pixels().data() + y * src.width() + x0;
        std::copy(from, from + n, dst.pixels().data() + y * dst.width() + x0);
    }
}

void StretchBlt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                int sw, int sh, Rop rop, StretchMode mode) {
    // A negative extent takes the rectangle on the other side of its start
    // and mirrors, as the classic call does; extents of both signs mirror
    // twice, that is not at all.
    bool mirrorX = false, mirrorY = false;
    auto normalise = [](int& start, int& size, bool& mirror) {
        if (size >= 0) return;
        const int64_t s = static_cast<int64_t>(start) + size;
        const int64_t n = -static_cast<int64_t>(size);
        start = static_cast<int>(std::clamp<int64_t>(s, INT32_MIN, INT32_MAX));
        size = static_cast<int>(std::min<int64_t>(n, INT32_MAX));
        mirror = !mirror;
    };
    normalise(dx, dw, mirrorX);
    normalise(dy, dh, mirrorY);
    normalise(sx, sw, mirrorX);
    normalise(sy, sh, mirrorY);
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || src.empty()) return;
    if (&src == &dst) {
        // Read the source as it was; keep edge repetition relative to the
        // original picture by extracting with clamped coordinates.
        Surface tmp(sw, sh);
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < sw; ++x)
                tmp.row(y)[x] = src.pixel(std::clamp(sx + x, 0, src.width() - 1),
                                          std::clamp(sy + y, 0, src.height() - 1));
        // A mirrored copy goes on as a destination of negative extent.
        StretchBlt(dst, mirrorX ? dx + dw : dx, mirrorY ? dy + dh : dy, mirrorX ? -dw : dw,
                   mirrorY ? -dh : dh, tmp, 0, 0, sw, sh, rop, mode);
        return;
    }
    Span cx = clipAxis(dx, dw, dst.width(), 0, 0, false);
    Span cy = clipAxis(dy, dh, dst.height(), 0, 0, false);
    if (cx.empty() || cy.empty()) return;

    // At equal sizes every destination pixel covers exactly one source
    // pixel: both modes are a plain copy.
    if (mode == StretchMode::Nearest || (dw == sw && dh == sh)) {
        // Only the columns that land on the picture are worked out, so a
        // destination far wider than the picture costs nothing extra.
        auto sourceIndex = [](int64_t i, int64_t s0, int64_t sn, int64_t dn, int size) {
            const int64_t j =
                static_cast<int64_t>((static_cast<__int128>(2 * i + 1) * sn) / (2 * dn));
            return static_cast<int>(std::clamp<int64_t>(s0 + j, 0, size - 1));
        };
        std::vector<int> colOf(static_cast<size_t>(cx.end - cx.begin));
        for (int i = cx.begin; i < cx.end; ++i)
            colOf[static_cast<size_t>(i - cx.begin)] =
                sourceIndex(mirrorX ? int64_t{dw} - 1 - i : i, sx, sw, dw, src.width());
        for (int t = cy.begin; t < cy.end; ++t) {
            const uint32_t* s =
                src.row(sourceIndex(mirrorY ? int64_t{dh} - 1 - t : t, sy, sh, dh, src.height()));
            uint32_t* d = dst.row(dy + t) + (dx + cx.begin);
            for (int i = 0; i < cx.end - cx.begin; ++i)
                d[i] = applyRop(rop, s[colOf[static_cast<size_t>(i)]], d[i]);
        }
        return;
    }

    // Halftone: exact area average in integers, separable. The horizontal
    // pass sums weighted source rows, the vertical pass weights those rows.
    const auto wx = areaWeights(dw, sw, sx, src.width());
    const auto wy = areaWeights(dh, sh, sy, src.height());
    const uint64_t total = static_cast<uint64_t>(sw) * static_cast<uint64_t>(sh);
    const int n = cx.end - cx.begin;
    std::vector<uint64_t> acc(static_cast<size_t>(n) * 3);
    for (int t = cy.begin; t < cy.end; ++t) {
        std::fill(acc.begin(), acc.end(), 0);
        for (const Weight& ry : wy[static_cast<size_t>(mirrorY ? dh - 1 - t : t)]) {
            const uint32_t* s = src.row(ry.index);
            for (int i = 0; i < n; ++i) {
                uint64_t r = 0, g = 0, b = 0;
                for (const Weight& rx :
                     wx[static_cast<size_t>(mirrorX ? dw - 1 - (cx.begin + i) : cx.begin + i)]) {
                    uint32_t p = s[rx.index];
                    r += static_cast<uint64_t>(redOf(p)) * rx.w;
                    g += static_cast<uint64_t>(greenOf(p)) * rx.w;
                    b += static_cast<uint64_t>(blueOf(p)) * rx.w;
                }
                acc[3 * i] += r * ry.w;
                acc[3 * i + 1] += g * ry.w;
                acc[3 * i + 2] += b * ry.w;
            }
        }
        uint32_t* d = dst.row(dy + t) + (dx + cx.begin);
        for (int i = 0; i < n; ++i) {
            uint32_t p = rgb(static_cast<int>((acc[3 * i] + total / 2) / total),
                             static_cast<int>((acc[3 * i + 1] + total / 2) / total),
                             static_cast<int>((acc[3 * i + 2] + total / 2) / total));
            d[i] = applyRop(rop, p, d[i]);
        }
    }
}

void AlphaBlend(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
                uint8_t alpha) {
    if (w <= 0 || h <= 0) return;
    if (&src == &dst) {
        Surface tmp = extract(src, sx, sy, w, h);
        Span cx = clipAxis(dx, w, dst.width(), sx, src.width(), true);
        Span cy = clipAxis(dy, h, dst.height(), sy, src.height(), true);
        if (cx.empty() || cy.empty()) return;
        AlphaBlend(dst, dx + cx.begin, dy + cy.begin, cx.end - cx.begin, cy.end - cy.begin, tmp,
                   cx.begin, cy.begin, alpha);
        return;
    }
    Span cx = clipAxis(dx, w, dst.width(), sx, src.width(), true);
    Span cy = clipAxis(dy, h, dst.height(), sy, src.height(), true);
    if (cx.empty() || cy.empty()) return;
    const int n = cx.end - cx.begin;
    if (alpha == 255) {
        for (int t = cy.begin; t < cy.end; ++t)
            std::copy_n(src.row(sy + t) + (sx + cx.begin), n, dst.row(dy + t) + (dx + cx.begin));
        return;
    }
    for (int t = cy.begin; t < cy.end; ++t)
        alphaBlendRow(dst.row(dy + t) + (dx + cx.begin), src.row(sy + t) + (sx + cx.begin), n,
                      alpha);
}

namespace {

// Byte-wise so the compiler vectorises; the fourth byte of every pixel is
// the opaque 0xFF and blends to itself. Every intermediate fits in 16 bits
// (at most 255 * 255 + 127 + 1 + 254), so the loop runs on 16-bit lanes.
inline void blendBytes(uint8_t* d, const uint8_t* s, int n, uint16_t a) {
    const uint16_t ia = static_cast<uint16_t>(255u - a);
    for (int i = 0; i < n; ++i) {
        const uint16_t v = static_cast<uint16_t>(s[i] * a + d[i] * ia + 127u);
        const uint16_t q = static_cast<uint16_t>(v + 1u + (v >> 8));  // v / 255, exact here
        d[i] = static_cast<uint8_t>(q >> 8);
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MOVALUX_BLEND_AVX2 1
// The blur blends a frame up to 72 times: on machines that have them, twice
// the lanes per instruction.
__attribute__((target("avx2"))) void blendBytesAvx2(uint8_t* d, const uint8_t* s, int n,
                                                    uint16_t a) {
    blendBytes(d, s, n, a);
}
void blendBytesPlain(uint8_t* d, const uint8_t* s, int n, uint16_t a) {
    blendBytes(d, s, n, a);
}
bool hasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}
#endif

}  // namespace

void alphaBlendRow(uint32_t* d, const uint32_t* s, int n, uint8_t alpha) {
    if (n <= 0) return;
    if (alpha == 255) {
        std::copy_n(s, n, d);
        return;
    }
    uint8_t* db = reinterpret_cast<uint8_t*>(d);
    const uint8_t* sb = reinterpret_cast<const uint8_t*>(s);
#ifdef MOVALUX_BLEND_AVX2
    if (hasAvx2()) {
        blendBytesAvx2(db, sb, 4 * n, alpha);
        return;
    }
    blendBytesPlain(db, sb, 4 * n, alpha);
#else
    blendBytes(db, sb, 4 * n, alpha);
#endif
}

void TransparentBlt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx,
                    int sy, int sw, int sh, uint32_t transparent) {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    if (&src == &dst) {
        Surface tmp = extract(src, sx, sy, sw, sh);
        TransparentBlt(dst, dx, dy, dw, dh, tmp, 0, 0, sw, sh, transparent);
        return;
    }
    Span cx = clipAxis(dx, dw, dst.width(), 0, 0, false);
    Span cy = clipAxis(dy, dh, dst.height(), 0, 0, false);
    if (cx.empty() || cy.empty()) return;
    const bool sameSize = dw == sw && dh == sh;
    for (int t = cy.begin; t < cy.end; ++t) {
        const long long jy = sameSize ? t : (2LL * t + 1) * sh / (2LL * dh);
        const long long ys = sy + jy;
        if (ys < 0 || ys >= src.height()) continue;
        const uint32_t* s = src.row(static_cast<int>(ys));
        uint32_t* d = dst.row(dy + t);
        for (int i = cx.begin; i < cx.end; ++i) {
            const long long jx = sameSize ? i : (2LL * i + 1) * sw / (2LL * dw);
            const long long xs = sx + jx;
            if (xs < 0 || xs >= src.width()) continue;
            uint32_t p = s[xs];
            if (!sameColour(p, transparent)) d[dx + i] = p | kOpaque;
        }
    }
}

void FloodFill(Surface& s, int x, int y, uint32_t colour, FloodType type, uint32_t fillColour) {
    if (!s.contains(x, y)) return;
    const uint32_t seed = s.pixel(x, y);
    if (type == FloodType::Border && sameColour(seed, colour)) return;
    if (type == FloodType::Surface && !sameColour(seed, colour)) return;
    const int w = s.width(), h = s.height();
    thread_local std::vector<uint8_t> visited;
    visited.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    auto fillable = [&](int px, int py) {
        if (visited[static_cast<size_t>(py) * w + px]) return false;
        uint32_t p = s.row(py)[px];
        return type == FloodType::Border ? !sameColour(p, colour) : sameColour(p, colour);
    };
    std::vector<std::pair<int, int>> stack{{x, y}};
    while (!stack.empty()) {
        auto [px, py] = stack.back();
        stack.pop_back();
        if (!fillable(px, py)) continue;
        int lx = px, rx = px;
        while (lx > 0 && fillable(lx - 1, py)) --lx;
        while (rx < w - 1 && fillable(rx + 1, py)) ++rx;
        uint32_t* row = s.row(py);
        uint8_t* vis = visited.data() + static_cast<size_t>(py) * w;
        for (int i = lx; i <= rx; ++i) {
            row[i] = fillColour | kOpaque;
            vis[i] = 1;
        }
        for (int ny : {py - 1, py + 1}) {
            if (ny < 0 || ny >= h) continue;
            bool inRun = false;
            for (int i = lx; i <= rx; ++i) {
                bool f = fillable(i, ny);
                if (f && !inRun) stack.emplace_back(i, ny);
                inRun = f;
            }
        }
    }
}

void DrawLine(Surface& s, int x1, int y1, int x2, int y2, uint32_t colour, DrawMode mode) {
    auto& pts = pointBuffer();
    linePoints(pts, x1, y1, x2, y2, s.width(), s.height());
    plot(s, pts, colour, mode);
}

void DrawBox(Surface& s, int x1, int y1, int x2, int y2, uint32_t colour, DrawMode mode) {
    auto& pts = pointBuffer();
    const int w = s.width(), h = s.height();
    linePoints(pts, x1, y1, x2, y1, w, h);
    linePoints(pts, x2, y1, x2, y2, w, h);
    linePoints(pts, x2, y2, x1, y2, w, h);
    linePoints(pts, x1, y2, x1, y1, w, h);
    plot(s, pts, colour, mode);
}

void FillBox(Surface& s, int x1, int y1, int x2, int y2, uint32_t colour) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, s.width() - 1);
    y2 = std::min(y2, s.height() - 1);
    for (int y = y1; y <= y2; ++y) std::fill(s.row(y) + x1, s.row(y) + x2 + 1, colour | kOpaque);
}

void InvertOutlineBox(Surface& s, int x1, int y1, int x2, int y2, int width) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    for (int i = 0; i < std::max(1, width); ++i) {
        if (x1 > x2 || y1 > y2) break;
        DrawBox(s, x1, y1, x2, y2, kBlack, DrawMode::Invert);
        // Boxes of one row or column would overlap the next one inwards.
        if (static_cast<int64_t>(x2) - x1 < 2 || static_cast<int64_t>(y2) - y1 < 2) break;
        ++x1, ++y1, --x2, --y2;
    }
}

void InvertOutlineEllipse(Surface& s, double cx, double cy, double radius, double aspect,
                          int width) {
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(radius) || !std::isfinite(aspect))
        return;
    radius = std::abs(radius);
    aspect = std::abs(aspect);
    const double a = aspect <= 1.0 ? radius : radius / aspect;
    const double b = aspect <= 1.0 ? radius * aspect : radius;
    for (int i = 0; i < std::max(1, width); ++i) {
        if (i > 0 && (a - i < 1 || b - i < 1)) break;
        DrawEllipseAxes(s, cx, cy, a - i, b - i, kBlack, DrawMode::Invert);
    }
}

void DrawEllipse(Surface& s, double cx, double cy, double radius, double aspect, uint32_t colour,
                 DrawMode mode) {
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(radius) || !std::isfinite(aspect))
        return;
    radius = std::abs(radius);
    aspect = std::abs(aspect);
    const double a = aspect <= 1.0 ? radius : radius / aspect;  // horizontal
    const double b = aspect <= 1.0 ? radius * aspect : radius;  // vertical
    DrawEllipseAxes(s, cx, cy, a, b, colour, mode);
}

void DrawEllipseAxes(Surface& s, double cx, double cy, double a, double b, uint32_t colour,
                     DrawMode mode) {
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(a) || !std::isfinite(b)) return;
    a = std::abs(a);
    b = std::abs(b);
    auto& pts = pointBuffer();
    // A polygon whose edges are at most about a pixel long, joined by lines,
    // so the outline is closed whatever the axes.
    const double largest = std::max(a, b);
    const int n = static_cast<int>(
        std::clamp(std::ceil(2.0 * std::numbers::pi * largest), 8.0, double{1 << 20}));
    int px = roundCoord(cx + a), py = roundCoord(cy);
    const int fx = px, fy = py;
    for (int k = 1; k <= n; ++k) {
        double th = 2.0 * std::numbers::pi * k / n;
        int qx = k == n ? fx : roundCoord(cx + a * std::cos(th));
        int qy = k == n ? fy : roundCoord(cy + b * std::sin(th));
        linePoints(pts, px, py, qx, qy, s.width(), s.height());
        px = qx;
        py = qy;
    }
    plot(s, pts, colour, mode);
}

std::array<uint8_t, 256> gammaCurve(int gamma) {
    gamma = std::clamp(gamma, 2500, 65000);
    std::array<uint8_t, 256> lut{};
    const double e = 10000.0 / gamma;
    for (int i = 0; i < 256; ++i) {
        double v = 255.0 * std::pow(i / 255.0, e);
        lut[static_cast<size_t>(i)] = static_cast<uint8_t>(std::clamp(roundHalfEven32(v), 0, 255));
    }
    return lut;
}

std::array<uint8_t, 256> nthPowerCurve(int gamma) {
    gamma = std::clamp(gamma, 2500, 65000);
    std::array<uint8_t, 256> lut{};
    const double e = gamma / 10000.0;
    for (int i = 0; i < 256; ++i) {
        double v = 255.0 * std::pow(i / 255.0, e);
        lut[static_cast<size_t>(i)] = static_cast<uint8_t>(std::clamp(roundHalfEven32(v), 0, 255));
    }
    return lut;
}

void ApplyColorAdjustment(Surface& s, int x, int y, int w, int h, const ColorAdjustment& adj) {
    if (adj.isIdentity()) return;
    Span cx = clipAxis(x, w, s.width(), 0, 0, false);
    Span cy = clipAxis(y, h, s.height(), 0, 0, false);
    if (cx.empty() || cy.empty()) return;
    const auto r = gammaCurve(adj.redGamma), g = gammaCurve(adj.greenGamma), b = gammaCurve(adj.blueGamma);
    for (int t = cy.begin; t < cy.end; ++t) {
        uint32_t* d = s.row(y + t) + x;
        for (int i = cx.begin; i < cx.end; ++i) {
            uint32_t p = d[i];
            d[i] = rgb(r[static_cast<size_t>(redOf(p))], g[static_cast<size_t>(greenOf(p))],
                       b[static_cast<size_t>(blueOf(p))]);
        }
    }
}

}  // namespace movalux
