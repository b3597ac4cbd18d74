// Playback with effects: a generated 1920x1080 movie at 25 frames a second
// played through the play loop (PlayFrame) on the real clock at speed 100
// with "表示優先" (every frame shown), (a) as it is and (b) with a mosaic
// layer and a blur layer over regions of every frame. Counters: frames
// shown per second, the movie's rate, and the share of the movie's rate
// reached (1 means every frame in its time).

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "editor/Editor.h"
#include "effects/Surface.h"
#include "host/NullHost.h"
#include "host/MemoryPanel.h"
#include "media/MediaLog.h"
#include "media/MovieWriter.h"
#include "media/TestPattern.h"

namespace {

using namespace movalux;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1920, kHeight = 1080, kFps = 25, kSeconds = 6;

// The window's clock and waits, counting the frames shown.
class ClockHost : public NullHost {
  public:
    ClockHost() { labels["Combo4"] = "100"; }
    void WaitEvents(uint32_t maxMs) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(maxMs));
    }
    void SetLabel(std::string_view name, std::string_view text) override {
        if (name == "TextPos") ++framesShown;
        NullHost::SetLabel(name, text);
    }
    int64_t framesShown = 0;
};

fs::path benchDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("movalux-play-" + std::to_string(::getpid()));
        fs::create_directories(d);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(
                fs::temp_directory_path() / ("movalux-play-" + std::to_string(::getpid())), ec);
        });
        return d;
    }();
    return dir;
}

const std::string& sourceMovie() {
    static const std::string path = [] {
        quietMediaLog();
        const std::string p = (benchDir() / "source.avi").string();
        MovieWriterOptions o;
        o.width = kWidth;
        o.height = kHeight;
        o.fpsNum = kFps;
        o.quality = 4;
        o.keyInterval = 12;
        auto w = MovieWriter::create(p, o);
        if (!w) return std::string();
        Surface s(kWidth, kHeight);
        for (int n = 0; n < kFps * kSeconds; ++n) {
            drawTestFrame(s, n);
            if (!(*w)->writeFrame(s)) return std::string();
        }
        if (!(*w)->finish()) return std::string();
        return p;
    }();
    return path;
}

void playMovie(benchmark::State& state, bool effects) {
    const std::string& in = sourceMovie();
    if (in.empty()) {
        state.SkipWithError("cannot generate the source movie");
        return;
    }
    ClockHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    editor.setMovieNames(in);
    if (!editor.openMovieAndReport()) {
        state.SkipWithError("cannot open the source movie");
        return;
    }
    if (effects) {
        // Layer 0: a 640x480 mosaic; layer 1: a 640x480 blur.
        for (int32_t f = editor.MvSTFlame; f <= editor.MvENDFlame; ++f) {
            editor.EffArr.at(0, f) = EffRec{6, 200, 150, 640, 480, 16, "0"};
            editor.EffArr.at(1, f) = EffRec{10, 1000, 400, 640, 480, 50, "0"};
        }
    }
    editor.mnuFrameY_Click();
    double seconds = 0;
    int64_t shown = 0;
    for (auto _ : state) {
        editor.CurFlame = editor.RangeST;
        host.framesShown = 0;
        const auto t0 = Clock::now();
        editor.PlayMv();
        seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        shown = host.framesShown;
        state.SetIterationTime(seconds);
    }
    if (!host.lastMessage.empty()) state.SetLabel(host.lastMessage);
    const double perSecond = seconds > 0 ? static_cast<double>(shown) / seconds : 0;
    state.counters["frames"] = static_cast<double>(shown);
    state.counters["shown_per_s"] = perSecond;
    state.counters["movie_fps"] = kFps;
    state.counters["of_rate"] = perSecond / kFps;
}

void BM_Play1080pPlain(benchmark::State& state) { playMovie(state, false); }
void BM_Play1080pMosaicAndBlur(benchmark::State& state) { playMovie(state, true); }

BENCHMARK(BM_Play1080pPlain)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Play1080pMosaicAndBlur)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
