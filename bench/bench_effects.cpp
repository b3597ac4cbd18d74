// The pixel effects at 1920x1080, as the frame display runs them: through
// the module's render command, reading PictJT and writing PictMain, with a
// 400x300 region inside and outside and the whole frame.

#include <benchmark/benchmark.h>

#include <string>

#include "editor/Editor.h"
#include "effects/RasterOps.h"
#include "effects/Surface.h"
#include "host/NullHost.h"
#include "host/MemoryPanel.h"

namespace {

using namespace movalux;

Surface frame1080() {
    Surface s(1920, 1080);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) s.row(y)[x] = rgb(x & 255, y & 255, (x * y) & 255);
    return s;
}

struct Bench {
    NullHost host;
    MemoryPanel panel;
    Editor editor{host, panel};
    Bench() {
        editor.setPictureSize(1920, 1080);
        editor.PictJT().assign(frame1080());
        editor.PictMain().assign(editor.PictJT());
    }
    // One layer's render, as DspFrame2 sends it.
    void render(const EffRec& rec) {
        editor.WorkRecord = rec;
        editor.jumpEffValues(rec.Kind, cmd::kRender);
    }
};

void runRecord(benchmark::State& state, const EffRec& rec) {
    Bench b;
    for (auto _ : state) {
        b.render(rec);
        benchmark::ClobberMemory();
    }
    if (b.editor.EffResult == kTrappedError) state.SkipWithError("the module trapped an error");
}

constexpr float kX = 760, kY = 390, kW = 400, kH = 300;

void BM_MaskEllipseOutside(benchmark::State& state) {
    runRecord(state, EffRec{kouka::kMaskEllipse, 960, 540, 200, 0.75f, 50, "1"});
}
void BM_MaskRectInside(benchmark::State& state) {
    runRecord(state, EffRec{kouka::kMaskRect, kX, kY, kW, kH, 30, "0"});
}
void BM_MaskRectOutside(benchmark::State& state) {
    runRecord(state, EffRec{kouka::kMaskRect, kX, kY, kW, kH, 70, "1"});
}
void BM_BlurInside(benchmark::State& state) {
    runRecord(state,
              EffRec{kouka::kBlur, kX, kY, kW, kH, static_cast<int16_t>(state.range(0)), "0"});
}
void BM_BlurOutside(benchmark::State& state) {
    runRecord(state,
              EffRec{kouka::kBlur, kX, kY, kW, kH, static_cast<int16_t>(state.range(0)), "1"});
}
void BM_BlurWholeFrame(benchmark::State& state) {
    runRecord(state,
              EffRec{kouka::kBlur, 0, 0, 1920, 1080, static_cast<int16_t>(state.range(0)), "0"});
}
void BM_BrightnessContrast(benchmark::State& state) {
    runRecord(state,
              EffRec{kouka::kBrightness, 70, 60, 0, static_cast<float>(state.range(0)), 8, "0"});
}
void BM_ColourTone(benchmark::State& state) {
    runRecord(state, EffRec{kouka::kColourTone, 20, 50, 0, 90, 8, "0"});
}
void BM_InvertInside(benchmark::State& state) {
    runRecord(state, EffRec{kouka::kInvert, kX, kY, kW, kH, 8, "0"});
}
void BM_InvertOutside(benchmark::State& state) {
    runRecord(state, EffRec{kouka::kInvert, kX, kY, kW, kH, 8, "1"});
}
void BM_InvertWholeFrame(benchmark::State& state) {
    runRecord(state, EffRec{kouka::kInvert, 0, 0, 1920, 1080, 8, "0"});
}
void BM_ZoomOverTheFrame(benchmark::State& state) {
    runRecord(state, EffRec{kouka::kZoom, kX, kY, kW, kH, 1, "0"});
}
void BM_ZoomOwnSizeCentred(benchmark::State& state) {
    runRecord(state, EffRec{kouka::kZoom, kX, kY, kW, kH, 0, "14"});
}

BENCHMARK(BM_MaskEllipseOutside)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MaskRectInside)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MaskRectOutside)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlurInside)->Arg(1)->Arg(2)->Arg(4)->Arg(7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlurOutside)->Arg(1)->Arg(2)->Arg(4)->Arg(7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlurWholeFrame)->Arg(2)->Arg(7)->Unit(benchmark::kMillisecond);
// Saturation neutral (50) takes the per-channel table; 80 the full formula.
BENCHMARK(BM_BrightnessContrast)->Arg(50)->Arg(80)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourTone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InvertInside)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InvertOutside)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InvertWholeFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomOverTheFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomOwnSizeCentred)->Unit(benchmark::kMillisecond);

}  // namespace
