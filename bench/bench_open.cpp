// Opening long movies: a two-hour 1080p H.264 MP4 of about 4 GB, opened from
// its own index, and an MPEG-4 Part 2 AVI with B-frames, which has to be read
// whole to learn its presentation order (its figure is per GB). Each is timed
// with the file in the page cache and, where the system lets us drop the
// cache (root), from a cold cache; FFmpeg's own ffprobe opening the same
// file for its duration is timed in the same run.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "media/MediaLog.h"
#include "media/MovieSource.h"

namespace {

using namespace movalux;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path benchDir() {
    static const fs::path dir = [] {
        fs::path d =
            fs::temp_directory_path() / ("movalux-bench-open-" + std::to_string(::getpid()));
        fs::create_directories(d);
        std::atexit([] {
            fs::remove_all(fs::temp_directory_path() /
                           ("movalux-bench-open-" + std::to_string(::getpid())));
        });
        return d;
    }();
    return dir;
}

bool run(const std::string& cmd) {
    return std::system(cmd.c_str()) == 0;
}

// A ten-second clip repeated by stream copy: the length and the index of a
// feature film without encoding one.
std::string longMovie(const std::string& kind) {
    const fs::path dir = benchDir();
    const std::string out = (dir / ("long." + kind)).string();
    if (fs::exists(out)) return out;
    if (kind == "mp4") {
        const std::string clip = (dir / "clip.mp4").string();
        if (!run(
                "ffmpeg -v quiet -y -f lavfi -i testsrc2=size=1920x1080:rate=30 -t 10 -c:v libx264 "
                "-preset ultrafast -b:v 4500k -g 60 -bf 2 " +
                clip) ||
            !run("ffmpeg -v quiet -y -stream_loop 719 -i " + clip + " -c copy " + out))
            return {};
    } else {
        const std::string clip = (dir / "clip.avi").string();
        if (!run("ffmpeg -v quiet -y -f lavfi -i testsrc2=size=1920x1080:rate=30 -t 10 -c:v mpeg4 "
                 "-q:v 3 -bf 2 -g 60 " +
                 clip) ||
            !run("ffmpeg -v quiet -y -stream_loop 29 -i " + clip + " -c copy " + out))
            return {};
    }
    return out;
}

bool dropCaches() {
    ::sync();
    std::ofstream f("/proc/sys/vm/drop_caches");
    if (!f) return false;
    f << "3\n";
    return static_cast<bool>(f);
}

void openMovie(benchmark::State& state, const std::string& kind, bool cold) {
    quietMediaLog();
    const std::string path = longMovie(kind);
    if (path.empty()) {
        state.SkipWithError("cannot make the movie (FFmpeg's tool and libx264 needed)");
        return;
    }
    const double gigabytes = static_cast<double>(fs::file_size(path)) / 1e9;
    double ours = 0, ffprobe = 0;
    int frames = 0;
    for (auto _ : state) {
        if (cold && !dropCaches()) {
            state.SkipWithError("dropping the page cache needs root");
            return;
        }
        auto t = Clock::now();
        auto movie = MovieSource::open(path);
        const double s = std::chrono::duration<double>(Clock::now() - t).count();
        if (!movie) {
            state.SkipWithError(movie.error().c_str());
            return;
        }
        frames = (*movie)->info().frameCount;
        state.SetIterationTime(s);
        ours += s;
        if (cold) dropCaches();
        t = Clock::now();
        run("ffprobe -v quiet -show_entries format=duration -of csv=p=0 " + path + " >/dev/null");
        ffprobe += std::chrono::duration<double>(Clock::now() - t).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["GB"] = gigabytes;
    state.counters["frames"] = frames;
    state.counters["s_per_GB"] = ours / n / gigabytes;
    state.counters["ffprobe_s"] = ffprobe / n;
}

void BM_OpenTwoHourMp4(benchmark::State& s) {
    openMovie(s, "mp4", false);
}
void BM_OpenTwoHourMp4Cold(benchmark::State& s) {
    openMovie(s, "mp4", true);
}
void BM_OpenAviWithBFramesReadWhole(benchmark::State& s) {
    openMovie(s, "avi", false);
}
void BM_OpenAviWithBFramesReadWholeCold(benchmark::State& s) {
    openMovie(s, "avi", true);
}

BENCHMARK(BM_OpenTwoHourMp4)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTwoHourMp4Cold)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAviWithBFramesReadWhole)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAviWithBFramesReadWholeCold)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
