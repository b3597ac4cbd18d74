// The overlay effects on a 1920x1080 frame, each as the frame display runs
// it (one layer's render command): the arrow, a 640x480 picture (opaque and
// at 50 %), picture 2 stretched to 800x600 with a keyed colour, and the
// movie overlay playing a 640x480 movie frame after frame, next to a plain
// sequential decode of the same movie.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "editor/Editor.h"
#include "effects/OverlayShared.h"
#include "effects/Surface.h"
#include "host/MemoryPanel.h"
#include "host/NullHost.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/StillImage.h"
#include "media/TestPattern.h"

namespace {

using namespace movalux;
namespace fs = std::filesystem;

constexpr int kMovieFrames = 96;

fs::path benchDir() {
    static const fs::path dir = [] {
        fs::path d =
            fs::temp_directory_path() / ("movalux-bench-overlay-" + std::to_string(::getpid()));
        fs::create_directories(d);
        std::atexit([] {
            fs::remove_all(fs::temp_directory_path() /
                           ("movalux-bench-overlay-" + std::to_string(::getpid())));
        });
        return d;
    }();
    return dir;
}

Surface frame1080() {
    Surface s(1920, 1080);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) s.row(y)[x] = rgb(x & 255, y & 255, (x * y) & 255);
    return s;
}

// A 640x480 picture file with a white border (the picture's transparent
// colour) around the test pattern.
const std::string& picturePath() {
    static const std::string path = [] {
        Surface s(640, 480);
        drawTestFrame(s, 7);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                if (x < 16 || y < 16 || x >= 624 || y >= 464) s.setPixel(x, y, kWhite);
        const std::string p = (benchDir() / "picture.bmp").string();
        return writeStillImage(s, p).ok() ? p : std::string();
    }();
    return path;
}

const std::string& moviePath() {
    static const std::string path = [] {
        quietMediaLog();
        MovieWriterOptions o;
        o.width = 640;
        o.height = 480;
        o.videoCodec = "mpeg4";
        o.maxBFrames = 2;
        o.keyInterval = 12;
        o.quality = 4;
        const std::string p = (benchDir() / "overlay.avi").string();
        auto w = MovieWriter::create(p, o);
        if (!w) return std::string();
        Surface s(640, 480);
        for (int n = 0; n < kMovieFrames; ++n) {
            drawTestFrame(s, n);
            if (!(*w)->writeFrame(s)) return std::string();
        }
        return (*w)->finish() ? p : std::string();
    }();
    return path;
}

struct Bench {
    NullHost host;
    MemoryPanel panel;
    Editor editor{host, panel};
    Surface frame = frame1080();
    Bench() {
        editor.setPictureSize(1920, 1080);
        editor.startUp({});
    }
    // A resource slot as the edit file loads it.
    void loadSlot(int16_t owner, int16_t slot, const std::string& path) {
        editor.ResName = (owner == kouka::kMovie ? "20" : "11") + path;
        editor.jumpEffValues(owner, cmd::kResLoad, slot, 1);
    }
    // One layer's render as DspFrame2 sends it: PictJT is PictMain.
    void render(const EffRec& rec) {
        editor.PictMain().assign(frame);
        editor.PictJT().assign(frame);
        editor.WorkRecord = rec;
        editor.jumpEffValues(rec.Kind, cmd::kRender);
    }
};

// Each pass also makes the two frame copies that stand for the frame
// display; BM_FrameCopiesOnly times them alone, to be taken off.
void runRecord(benchmark::State& state, Bench& b, const EffRec& rec) {
    for (auto _ : state) {
        b.render(rec);
        benchmark::ClobberMemory();
    }
    if (b.editor.EffResult == kTrappedError) state.SkipWithError("the module trapped an error");
    if (!b.editor.overlay().unreadable.empty()) state.SkipWithError("a file could not be read");
}

void BM_FrameCopiesOnly(benchmark::State& state) {
    Bench b;
    for (auto _ : state) {
        b.editor.PictMain().assign(b.frame);
        b.editor.PictJT().assign(b.frame);
        benchmark::ClobberMemory();
    }
}

void BM_Arrow(benchmark::State& state) {
    Bench b;
    runRecord(state, b, EffRec{kouka::kArrow, 960, 540, 3, 2, 4, ""});
}

void BM_Picture640x480(benchmark::State& state) {
    Bench b;
    runRecord(state, b,
              EffRec{kouka::kPicture, 960, 540, 0, 0, static_cast<int16_t>(state.range(0)),
                     picturePath()});
}

void BM_Picture2Stretched800x600Keyed(benchmark::State& state) {
    Bench b;
    b.loadSlot(kouka::kPicture2, 0, picturePath());
    // White is keyed: the border drops out.
    runRecord(state, b,
              EffRec{kouka::kPicture2, 500, 200, 800, 600, static_cast<int16_t>(state.range(0)),
                     overlayRecordText(0, 0, 16777215)});
}

void BM_MovieOverlaySequential(benchmark::State& state) {
    Bench b;
    b.loadSlot(kouka::kMovie, 0, moviePath());
    int32_t n = 0;
    for (auto _ : state) {
        b.render(
            EffRec{kouka::kMovie, 500, 200, 640, 480, 0, overlayRecordText(0, n, kNoKeyColour)});
        n = (n + 1) % kMovieFrames;
        benchmark::ClobberMemory();
    }
    if (!b.editor.overlay().unreadable.empty()) state.SkipWithError("the movie could not be read");
}

void BM_OverlayMovieDecodeOnly(benchmark::State& state) {
    auto opened = MovieSource::open(moviePath());
    if (!opened) {
        state.SkipWithError("the movie could not be read");
        return;
    }
    Surface s(640, 480);
    int32_t n = 0;
    for (auto _ : state) {
        (*opened)->paintFrame(n, s);
        n = (n + 1) % kMovieFrames;
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_FrameCopiesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Arrow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Picture640x480)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Picture2Stretched800x600Keyed)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovieOverlaySequential)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OverlayMovieDecodeOnly)->Unit(benchmark::kMillisecond);

}  // namespace
