// Pixel hot paths at 1920x1080: mosaic inside and outside a region, the
// constant-alpha blend, whole-picture copy and the two stretch modes.

#include <benchmark/benchmark.h>

#include "effects/MozaikModule1.h"
#include "effects/RasterOps.h"
#include "effects/Surface.h"

namespace {

using namespace movalux;

Surface frame1080() {
    Surface s(1920, 1080);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) s.row(y)[x] = rgb(x & 255, y & 255, (x * y) & 255);
    return s;
}

void BM_MosaicInside400x300(benchmark::State& state) {
    const Surface src = frame1080();
    Surface dst = src;
    const int block = static_cast<int>(state.range(0));
    for (auto _ : state) {
        copyPicture(dst, src);
        mosaicInside(dst, 760, 390, 400, 300, block);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MosaicInside400x300)->Arg(8)->Arg(2)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_MosaicOutside400x300(benchmark::State& state) {
    const Surface src = frame1080();
    Surface dst = src;
    const int block = static_cast<int>(state.range(0));
    for (auto _ : state) {
        copyPicture(dst, src);
        mosaicOutside(dst, 760, 390, 400, 300, block);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MosaicOutside400x300)->Arg(8)->Arg(2)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_CopyPicture(benchmark::State& state) {
    const Surface src = frame1080();
    Surface dst(1920, 1080);
    for (auto _ : state) {
        copyPicture(dst, src);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyPicture)->Unit(benchmark::kMillisecond);

void BM_AlphaBlend(benchmark::State& state) {
    const Surface src = frame1080();
    Surface dst(1920, 1080, rgb(10, 200, 30));
    for (auto _ : state) {
        AlphaBlend(dst, 0, 0, 1920, 1080, src, 0, 0, 128);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_AlphaBlend)->Unit(benchmark::kMillisecond);

void BM_StretchNearestHalfSize(benchmark::State& state) {
    const Surface src = frame1080();
    Surface dst(960, 540);
    for (auto _ : state) {
        StretchBlt(dst, 0, 0, 960, 540, src, 0, 0, 1920, 1080, Rop::SrcCopy, StretchMode::Nearest);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StretchNearestHalfSize)->Unit(benchmark::kMillisecond);

void BM_StretchHalftoneHalfSize(benchmark::State& state) {
    const Surface src = frame1080();
    Surface dst(960, 540);
    for (auto _ : state) {
        StretchBlt(dst, 0, 0, 960, 540, src, 0, 0, 1920, 1080, Rop::SrcCopy, StretchMode::Halftone);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StretchHalftoneHalfSize)->Unit(benchmark::kMillisecond);

void BM_StretchHalftoneFullFromQuarter(benchmark::State& state) {
    Surface src(480, 270);
    for (int y = 0; y < 270; ++y)
        for (int x = 0; x < 480; ++x) src.row(y)[x] = rgb(x & 255, y & 255, 77);
    Surface dst(1920, 1080);
    for (auto _ : state) {
        StretchBlt(dst, 0, 0, 1920, 1080, src, 0, 0, 480, 270, Rop::SrcCopy, StretchMode::Halftone);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StretchHalftoneFullFromQuarter)->Unit(benchmark::kMillisecond);

}  // namespace
