// Writing a movie: a generated 1920x1080, 10-second movie with sound
// rendered (a) without effects and (b) with a region on each of the four
// layers (mosaic, blur, mosaic, blur), next to FFmpeg's own command-line
// tool doing the same decode and encode (MPEG-4 Part 2 at the same
// quantiser, key-frame interval and no B-frames, PCM sound, no filters) in
// the same run; and (c) one mosaic region next to FFmpeg cutting out,
// pixelising and overlaying the same region. Counters: seconds of ours, of
// ffmpeg, and their ratio.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

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

constexpr int kWidth = 1920, kHeight = 1080, kFps = 25, kSeconds = 10;

fs::path benchDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("movalux-render-" + std::to_string(::getpid()));
        fs::create_directories(d);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(fs::temp_directory_path() / ("movalux-render-" + std::to_string(::getpid())), ec);
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
        o.sound = true;
        o.quality = 4;
        o.keyInterval = 12;
        auto w = MovieWriter::create(p, o);
        if (!w) return std::string();
        Surface s(kWidth, kHeight);
        std::vector<int16_t> tone;
        int64_t done = 0;
        for (int n = 0; n < kFps * kSeconds; ++n) {
            drawTestFrame(s, n);
            if (!(*w)->writeFrame(s)) return std::string();
            tone.clear();
            for (int i = 0; i < 44100 / kFps; ++i, ++done) {
                const auto v = static_cast<int16_t>(std::lround(6000 * std::sin(done * 0.0627)));
                tone.push_back(v);
                tone.push_back(v);
            }
            if (!(*w)->writeSound(tone)) return std::string();
        }
        if (!(*w)->finish()) return std::string();
        return p;
    }();
    return path;
}

// The mosaic region of BM_RenderMosaicRegion, and FFmpeg's own filters for
// the same picture: the region cut out, pixelised in 16-pixel blocks and laid
// back over the frame.
constexpr int kMosaicX = 640, kMosaicY = 360, kMosaicW = 480, kMosaicH = 360;
const std::string kMosaicFilters =
    "-filter_complex \"[0:v]split[a][b];[b]crop=" + std::to_string(kMosaicW) + ":" +
    std::to_string(kMosaicH) + ":" + std::to_string(kMosaicX) + ":" + std::to_string(kMosaicY) +
    ",pixelize=w=16:h=16[p];[a][p]overlay=" + std::to_string(kMosaicX) + ":" +
    std::to_string(kMosaicY) + "\" ";

enum class Effects { None, FourLayers, MosaicRegion };

double ffmpegSeconds(const std::string& in, const std::string& filters = "") {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) return -1;
    const std::string out = (benchDir() / "ffmpeg.avi").string();
    const std::string cmd = "ffmpeg -nostdin -v error -y -i '" + in + "' " + filters +
                            "-c:v mpeg4 -q:v 4 -g 15 -bf 0 -c:a pcm_s16le '" + out + "'";
    const auto t0 = Clock::now();
    const int r = std::system(cmd.c_str());
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    return r == 0 ? s : -1;
}

void renderMovie(benchmark::State& state, Effects effects) {
    const std::string& in = sourceMovie();
    if (in.empty()) {
        state.SkipWithError("cannot generate the source movie");
        return;
    }
    NullHost host;
    host.labels["Combo2"] = "100";
    MemoryPanel panel;
    Editor editor(host, panel);
    editor.setMovieNames(in);
    if (!editor.openMovieAndReport()) {
        state.SkipWithError("cannot open the source movie");
        return;
    }
    if (effects == Effects::MosaicRegion) {
        for (int32_t f = editor.MvSTFlame; f <= editor.MvENDFlame; ++f)
            editor.EffArr.at(0, f) = EffRec{6, kMosaicX, kMosaicY, kMosaicW, kMosaicH, 16, "0"};
    }
    if (effects == Effects::FourLayers) {
        // A region of 480x360 on each layer, at four places, every frame.
        const int16_t kinds[4] = {6, 10, 6, 10};
        const float xs[4] = {100, 1200, 300, 900};
        const float ys[4] = {100, 150, 600, 500};
        for (int layer = 0; layer < 4; ++layer)
            for (int32_t f = editor.MvSTFlame; f <= editor.MvENDFlame; ++f)
                editor.EffArr.at(layer, f) =
                    EffRec{kinds[layer], xs[layer], ys[layer], 480, 360,
                           static_cast<int16_t>(kinds[layer] == 6 ? 16 : 50), "0"};
    }
    double ours = 0;
    for (auto _ : state) {
        host.savePath = (benchDir() / (effects == Effects::None ? "plain.avi" : "effects.avi")).string();
        std::error_code ec;
        fs::remove(host.savePath, ec);
        const auto t0 = Clock::now();
        if (editor.MVRec() != Editor::RecOutcome::Written) {
            state.SkipWithError(("the write failed: " + editor.RecError).c_str());
            return;
        }
        ours = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(ours);
    }
    const double theirs =
        ffmpegSeconds(in, effects == Effects::MosaicRegion ? kMosaicFilters : std::string());
    state.counters["ours_s"] = ours;
    state.counters["frames"] = static_cast<double>(editor.RecFramesWritten);
    if (theirs > 0) {
        state.counters["ffmpeg_s"] = theirs;
        state.counters["vs_ffmpeg"] = ours / theirs;
    } else {
        state.SetLabel("ffmpeg not found: no comparison");
    }
}

void BM_RenderPlain(benchmark::State& state) { renderMovie(state, Effects::None); }
// Compared with FFmpeg's plain transcode, as the target is set.
void BM_RenderFourLayers(benchmark::State& state) { renderMovie(state, Effects::FourLayers); }
// Compared with FFmpeg's crop, pixelize and overlay of the same region.
void BM_RenderMosaicRegion(benchmark::State& state) { renderMovie(state, Effects::MosaicRegion); }

BENCHMARK(BM_RenderPlain)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_RenderFourLayers)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_RenderMosaicRegion)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
