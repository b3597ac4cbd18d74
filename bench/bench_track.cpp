// Following a region: frames per second of the trackers on a textured
// patch moving over a textured background, at 640 x 480 and 1920 x 1080,
// the region a fifth of the picture's height (a face in a medium shot).
// Finding faces and plates: pictures per second of the detectors on a real
// photograph (tests/data/samples/messi5.jpg, from scripts/fetch-samples)
// stretched to the same sizes. Real time is 25-30 frames per second.

#include <benchmark/benchmark.h>

#include <cmath>

#include "media/StillImage.h"
#include "vision/ObjectDetector.h"
#include "vision/RegionTracker.h"

namespace movalux {
namespace {

uint32_t noise(uint32_t& s) {
    s = s * 1664525u + 1013904223u;
    return s >> 8;
}

struct Scene {
    Scene(int w, int h) : width(w), height(h), side(h / 5), background(w, h), patch(side, side) {
        uint32_t s = 11;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int v = 100 + static_cast<int>(((x / 16) * 7 + (y / 16) * 13) % 40);
                background.setPixel(x, y, rgb(v, v, v));
            }
        const int block = std::max(2, side / 8);
        for (int by = 0; by < side; by += block)
            for (int bx = 0; bx < side; bx += block) {
                const uint32_t c = rgb(noise(s) & 255, noise(s) & 255, noise(s) & 255);
                for (int y = by; y < std::min(side, by + block); ++y)
                    for (int x = bx; x < std::min(side, bx + block); ++x) patch.setPixel(x, y, c);
            }
    }
    PixelRect at(int frame) const {
        const double t = frame / 300.0;
        return PixelRect{static_cast<int32_t>(width * (0.1 + 0.6 * t)),
                         static_cast<int32_t>(height * (0.3 + 0.2 * std::sin(6.28 * t))), side, side};
    }
    void paint(int frame, Surface& out) const {
        out.assign(background);
        const PixelRect r = at(frame);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) out.setPixel(r.x + x, r.y + y, patch.pixel(x, y));
    }
    int width, height, side;
    Surface background, patch;
};

void BM_Follow(benchmark::State& state) {
    const Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const auto kind = state.range(2) == 0 ? RegionTracker::Kind::Accurate : RegionTracker::Kind::Fast;
    // 100 frames painted before timing: only the tracker is measured.
    std::vector<Surface> frames(100, Surface(scene.width, scene.height));
    for (int f = 0; f < 100; ++f) scene.paint(f, frames[static_cast<size_t>(f)]);
    int64_t followed = 0;
    double overlap = 0;
    for (auto _ : state) {
        auto tracker = RegionTracker::create(kind);
        tracker->start(frames[0], scene.at(0));
        for (int f = 1; f < 100; ++f) {
            const auto box = tracker->follow(frames[static_cast<size_t>(f)]);
            if (!box) break;
            overlap += overlapRatio(*box, scene.at(f));
            ++followed;
        }
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(followed), benchmark::Counter::kIsRate);
    state.counters["overlap"] = followed > 0 ? overlap / static_cast<double>(followed) : 0;
}
BENCHMARK(BM_Follow)
    ->Args({640, 480, 0})
    ->Args({640, 480, 1})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->ArgNames({"w", "h", "fast"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_Detect(benchmark::State& state) {
    auto photo = readStillImage(MOVALUX_SOURCE_DIR "/tests/data/samples/messi5.jpg");
    if (!photo) {
        state.SkipWithError("run scripts/fetch-samples first");
        return;
    }
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Surface picture(w, h);
    // Nearest-pixel stretch: the cost of the search depends on the size.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel(x, y, photo->pixel(x * photo->width() / w, y * photo->height() / h));
    std::string error;
    auto detector = ObjectDetector::create(
        state.range(2) == 0 ? ObjectDetector::Target::Faces : ObjectDetector::Target::Plates, error);
    if (!detector) {
        state.SkipWithError(error.c_str());
        return;
    }
    size_t found = 0;
    for (auto _ : state) found = detector->find(picture).size();
    state.counters["pictures_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                          benchmark::Counter::kIsRate);
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_Detect)
    ->Args({640, 480, 0})
    ->Args({1920, 1080, 0})
    ->Args({640, 480, 1})
    ->Args({1920, 1080, 1})
    ->ArgNames({"w", "h", "plates"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace movalux
