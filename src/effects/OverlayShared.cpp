#include "effects/OverlayShared.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/NumberText.h"
#include "effects/RasterOps.h"

namespace movalux {

std::string ResourceTable::pathOf(int32_t slot) const {
    if (slot < 0 || slot >= kSlots) return {};
    const std::string& e = entries[static_cast<size_t>(slot)];
    return e.size() > 2 ? e.substr(2) : std::string();
}

int16_t ResourceTable::find(std::string_view path) const {
    for (int16_t i = 0; i < std::min<int16_t>(count, kSlots); ++i) {
        const std::string& e = entries[static_cast<size_t>(i)];
        if (!e.empty() && std::string_view(e).substr(std::min<size_t>(2, e.size())) == path)
            return i;
    }
    return -1;
}

int16_t ResourceTable::add(int16_t owner, const std::string& path) {
    const int16_t found = find(path);
    if (found >= 0) return found;
    if (count < 0 || count >= kSlots) return -1;
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02d", static_cast<int>(owner));
    entries[static_cast<size_t>(count)] = prefix + path;
    return count++;
}

void OverlayShared::noteUnreadable(const std::string& path) {
    if (std::find(unreadable.begin(), unreadable.end(), path) == unreadable.end())
        unreadable.push_back(path);
}

uint8_t overlayOpacity(int32_t transparency) {
    // Single precision throughout, as the blend factor always was.
    const float part = static_cast<float>(transparency) / 100.0f * 255.0f;
    const float alpha = 255.0f - part;
    if (!(alpha > 0.0f)) return 0;
    if (alpha >= 255.0f) return 255;
    return static_cast<uint8_t>(roundHalfEven32(alpha));
}

int16_t overlayTransparencyAt(int32_t listIndex) {
    if (listIndex < 0 || listIndex > 4) throw std::out_of_range("transparency list index");
    return kOverlayTransparencies[listIndex];
}

uint32_t pixelOfColorRef(int32_t colorRef) {
    return rgb(colorRef & 255, (colorRef >> 8) & 255, (colorRef >> 16) & 255);
}

int32_t colorRefOfPixel(uint32_t pixel) {
    return redOf(pixel) | greenOf(pixel) << 8 | blueOf(pixel) << 16;
}

int panelPixels(int units, float scale) {
    return std::max(1, static_cast<int>(std::lround(static_cast<double>(units) * scale / 15.0)));
}

ClipRect clipToPicture(int64_t x, int64_t y, int64_t w, int64_t h, int width, int height) {
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    const int64_t x1 = std::max<int64_t>(x, 0), y1 = std::max<int64_t>(y, 0);
    const int64_t x2 = std::min<int64_t>(x + w, width), y2 = std::min<int64_t>(y + h, height);
    if (x2 <= x1 || y2 <= y1) return {};
    return {static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2 - x1),
            static_cast<int>(y2 - y1)};
}

namespace {

// Larger rectangles than this are refused rather than allocating weights
// for every column of a stretch that mostly lies off the frame.
constexpr int64_t kMaxStretchSide = 1 << 16;

void flipInto(Surface& out, const Surface& in, bool flipX, bool flipY) {
    out.resize(in.width(), in.height());
    const int w = in.width(), h = in.height();
    for (int y = 0; y < h; ++y) {
        const uint32_t* s = in.row(flipY ? h - 1 - y : y);
        uint32_t* d = out.row(y);
        if (flipX)
            for (int x = 0; x < w; ++x) d[x] = s[w - 1 - x];
        else
            std::copy(s, s + w, d);
    }
}

}  // namespace

void stretchOverlay(Surface& dst, int x, int y, int w, int h, const Surface& picture,
                    int32_t keyColorRef, StretchCache* cache, uint64_t contentId) {
    if (picture.empty() || w == 0 || h == 0) return;
    const int64_t aw = std::abs(static_cast<int64_t>(w)), ah = std::abs(static_cast<int64_t>(h));
    if (aw > kMaxStretchSide || ah > kMaxStretchSide) return;
    const int64_t left = w < 0 ? static_cast<int64_t>(x) + w : x;
    const int64_t top = h < 0 ? static_cast<int64_t>(y) + h : y;
    const ClipRect c = clipToPicture(left, top, aw, ah, dst.width(), dst.height());
    if (c.empty()) return;

    // A negative size draws the picture mirrored: the same as stretching
    // the mirrored picture into the positive rectangle.
    const Surface* src = &picture;
    thread_local Surface flipped;
    auto source = [&]() -> const Surface& {
        if (w < 0 || h < 0) {
            flipInto(flipped, picture, w < 0, h < 0);
            return flipped;
        }
        return picture;
    };
    // Each pixel of a stretch depends only on its place in the rectangle,
    // so the whole stretch kept once gives the same pixels as the part on
    // the frame computed anew.
    const Surface* part = nullptr;
    int px = 0, py = 0;
    constexpr int64_t kMaxCachedPixels = 16LL << 20;
    if (cache != nullptr && contentId != 0 && aw * ah <= kMaxCachedPixels) {
        if (cache->contentId != contentId || cache->w != w || cache->h != h) {
            const Surface& s = source();
            cache->stretched.resize(static_cast<int>(aw), static_cast<int>(ah));
            StretchBlt(cache->stretched, 0, 0, static_cast<int>(aw), static_cast<int>(ah), s, 0, 0,
                       s.width(), s.height(), Rop::SrcCopy, StretchMode::Halftone);
            cache->contentId = contentId;
            cache->w = w;
            cache->h = h;
        }
        part = &cache->stretched;
        px = static_cast<int>(c.x - left);
        py = static_cast<int>(c.y - top);
    } else {
        // Only the part on the frame is computed, into a scratch of its size.
        const Surface& s = source();
        src = &s;
        thread_local Surface scratch;
        scratch.resize(c.w, c.h);
        StretchBlt(scratch, static_cast<int>(left - c.x), static_cast<int>(top - c.y),
                   static_cast<int>(aw), static_cast<int>(ah), *src, 0, 0, src->width(),
                   src->height(), Rop::SrcCopy, StretchMode::Halftone);
        part = &scratch;
    }
    if (keyColorRef == kNoKeyColour) {
        BitBlt(dst, c.x, c.y, c.w, c.h, part, px, py, Rop::SrcCopy);
        return;
    }
    TransparentBlt(dst, c.x, c.y, c.w, c.h, *part, px, py, c.w, c.h, pixelOfColorRef(keyColorRef));
}

std::string overlayRecordText(int32_t slot, int32_t frame, int32_t colour) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%06d%08d", static_cast<int>(slot), static_cast<int>(frame),
                  static_cast<int>(colour));
    return buf;
}

OverlayRecordFields parseOverlayRecordText(std::string_view text) {
    OverlayRecordFields f;
    f.slot = roundHalfEven32(leadingValue(text.substr(0, std::min<size_t>(2, text.size()))));
    f.frame = text.size() > 2 ? roundHalfEven32(leadingValue(text.substr(2, 6))) : 0;
    f.colour =
        roundHalfEven32(leadingValue(text.size() >= 8 ? text.substr(text.size() - 8) : text));
    return f;
}

}  // namespace movalux

namespace movalux {

int16_t keyFrameSlot(std::string_view keyText, int16_t fallback) {
    if (keyText.size() != 16) return fallback;
    for (char c : keyText)
        if (c < '0' || c > '9') return fallback;
    return static_cast<int16_t>((keyText[0] - '0') * 10 + (keyText[1] - '0'));
}

}  // namespace movalux
