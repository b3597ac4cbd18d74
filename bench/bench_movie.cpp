// Frame display from a 1920x1080 movie: sequential DspFrame2 (no effects)
// and random seeks, for MPEG-4 Part 2 with B-frames in AVI and H.264 with
// B-frames in MP4, next to FFmpeg's own command-line decode of the same file
// to BGRA in the same run. The counter "vs_ffmpeg" is the time of a
// sequential pass divided by FFmpeg's time for the whole file.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>

#include "editor/Editor.h"
#include "effects/Surface.h"
#include "host/NullHost.h"
#include "host/MemoryPanel.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/TestPattern.h"

namespace {

using namespace movalux;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFrames = 96;

fs::path benchDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("movalux-bench-" + std::to_string(::getpid()));
        fs::create_directories(d);
        std::atexit([] {
            fs::remove_all(fs::temp_directory_path() /
                           ("movalux-bench-" + std::to_string(::getpid())));
        });
        return d;
    }();
    return dir;
}

// The generated movie of a kind ("avi" or "mp4"), made once per run.
std::string movie(const std::string& kind) {
    static std::map<std::string, std::string> made;
    if (auto it = made.find(kind); it != made.end()) return it->second;
    quietMediaLog();
    MovieWriterOptions o;
    o.width = 1920;
    o.height = 1080;
    if (kind == "mp4") {
        o.videoCodec = "libx264";
        o.maxBFrames = 3;
        o.keyInterval = 48;
    } else {
        o.videoCodec = "mpeg4";
        o.maxBFrames = 2;
        o.keyInterval = 12;
        o.quality = 4;
    }
    const std::string path = (benchDir() / ("movie." + kind)).string();
    auto w = MovieWriter::create(path, o);
    if (!w) return made[kind] = "";
    Surface s(o.width, o.height);
    for (int n = 0; n < kFrames; ++n) {
        drawTestFrame(s, n);
        if (!(*w)->writeFrame(s)) return made[kind] = "";
    }
    if (!(*w)->finish()) return made[kind] = "";
    return made[kind] = path;
}

// FFmpeg's own decode of the whole file to BGRA, best of three, seconds.
double ffmpegSeconds(const std::string& path) {
    static std::map<std::string, double> measured;
    if (auto it = measured.find(path); it != measured.end()) return it->second;
    const std::string cmd =
        "ffmpeg -nostdin -v error -i '" + path + "' -pix_fmt bgra -f null - 2>/dev/null";
    double best = 0;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = Clock::now();
        if (std::system(cmd.c_str()) != 0) return measured[path] = 0;
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        best = i == 0 ? s : std::min(best, s);
    }
    return measured[path] = best;
}

struct OpenEditor {
    NullHost host;
    MemoryPanel panel;
    Editor editor{host, panel};
    explicit OpenEditor(const std::string& path) {
        editor.MvFName = path;
        editor.OpenMovie();
    }
    bool ok() const { return editor.MvOpen != kFalse; }
};

void sequential(benchmark::State& state, const std::string& kind) {
    const std::string path = movie(kind);
    if (path.empty()) return state.SkipWithError("cannot make the movie (encoder missing?)");
    OpenEditor e(path);
    if (!e.ok()) return state.SkipWithError("cannot open the movie");
    double total = 0;
    int passes = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int32_t n = 0; n < kFrames; ++n) {
            e.editor.CurFlame = n;
            if (e.editor.DspFrame2() != n) return state.SkipWithError("a frame did not come");
        }
        total += std::chrono::duration<double>(Clock::now() - t0).count();
        ++passes;
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(kFrames) * passes, benchmark::Counter::kIsRate);
    const double ff = ffmpegSeconds(path);
    if (ff > 0 && passes > 0) {
        state.counters["ffmpeg_s"] = ff;
        state.counters["vs_ffmpeg"] = total / passes / ff;
    }
}

void randomSeeks(benchmark::State& state, const std::string& kind) {
    const std::string path = movie(kind);
    if (path.empty()) return state.SkipWithError("cannot make the movie (encoder missing?)");
    OpenEditor e(path);
    if (!e.ok()) return state.SkipWithError("cannot open the movie");
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> pick(0, kFrames - 1);
    for (auto _ : state) {
        e.editor.CurFlame = pick(rng);
        if (e.editor.DspFrame2() != e.editor.CurFlame)
            return state.SkipWithError("a frame did not come");
    }
    state.SetItemsProcessed(state.iterations());
}

void ffmpegCli(benchmark::State& state, const std::string& kind) {
    const std::string path = movie(kind);
    if (path.empty()) return state.SkipWithError("cannot make the movie (encoder missing?)");
    for (auto _ : state) {
        const double s = ffmpegSeconds(path);
        if (s <= 0) return state.SkipWithError("ffmpeg not installed");
        state.SetIterationTime(s);
    }
}

BENCHMARK_CAPTURE(sequential, Mpeg4Avi, std::string("avi"))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();
BENCHMARK_CAPTURE(ffmpegCli, Mpeg4Avi, std::string("avi"))
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(randomSeeks, Mpeg4Avi, std::string("avi"))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();
BENCHMARK_CAPTURE(sequential, H264Mp4, std::string("mp4"))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();
BENCHMARK_CAPTURE(ffmpegCli, H264Mp4, std::string("mp4"))
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(randomSeeks, H264Mp4, std::string("mp4"))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

}  // namespace
