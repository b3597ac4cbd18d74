// Numbered stills of a 1920x1080 movie: the marked range of 24 frames saved
// as BMP and as PNG ("画像の保存(連続)" after its dialogs), each frame
// decoded, shown with a mosaic and a blur and written; PNG encoding on one
// thread for comparison (the run spreads it over every core); and the
// uncompressed movie built back from the PNG run. Frames carry a gradient
// and a little noise, as film does, so that PNG has real work.
// Counters: frames per second, and the size of one picture in KiB.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "editor/Editor.h"
#include "editor/StillNames.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/MemoryPanel.h"
#include "media/MediaLog.h"
#include "media/MovieWriter.h"
#include "media/StillImage.h"
#include "media/TestPattern.h"

namespace {

using namespace movalux;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1920, kHeight = 1080, kFrames = 24;

class BenchHost : public Host {
  public:
    int MsgBox(std::string_view, int, std::string_view) override { return msgbox::kAnswerYes; }
    FileDialogResult FileDialog(const FileDialogRequest&) override { return {}; }
    void SetPointer(int) override {}
    void DoEvents() override {}
    uint32_t timeGetTime() override { return 0; }
    void SetLabel(std::string_view, std::string_view) override {}
    std::string LabelText(std::string_view) const override { return {}; }
    void Refresh(Picture) override {}
    void SetTLine() override {}
    void DspSelLayer() override {}
    void DspLayEnable() override {}
    void DspSldr() override {}
    void SetSlr2() override {}
};

fs::path benchDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("movalux-stills-" + std::to_string(::getpid()));
        fs::create_directories(d);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(
                fs::temp_directory_path() / ("movalux-stills-" + std::to_string(::getpid())), ec);
        });
        return d;
    }();
    return dir;
}

// A gradient with noise of a few levels and the frame's bar code.
void drawFilmFrame(Surface& s, int n) {
    drawTestFrame(s, n);
    uint32_t seed = 12345u + static_cast<uint32_t>(n) * 7919u;
    for (int y = kHeight / 8; y < kHeight; ++y) {
        uint32_t* row = s.row(y);
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>((seed >> 24) & 7) - 4;
            const int r = std::clamp(x * 255 / kWidth + noise, 0, 255);
            const int g = std::clamp(y * 255 / kHeight + noise, 0, 255);
            const int b = std::clamp((x + y + n * 8) * 255 / (kWidth + kHeight) + noise, 0, 255);
            row[x] = rgb(r, g, b);
        }
    }
}

const std::string& sourceMovie() {
    static const std::string path = [] {
        quietMediaLog();
        const std::string p = (benchDir() / "source.avi").string();
        MovieWriterOptions o;
        o.width = kWidth;
        o.height = kHeight;
        o.fpsNum = 25;
        o.quality = 2;
        o.keyInterval = 12;
        auto w = MovieWriter::create(p, o);
        if (!w) return std::string();
        Surface s(kWidth, kHeight);
        for (int n = 0; n < kFrames; ++n) {
            drawFilmFrame(s, n);
            if (!(*w)->writeFrame(s)) return std::string();
        }
        if (!(*w)->finish()) return std::string();
        return p;
    }();
    return path;
}

std::string runStem(const char* ext) {
    return (benchDir() / (std::string("run_") + (ext + 1) + "_")).string();
}

void saveRun(benchmark::State& state, const char* ext) {
    const std::string& in = sourceMovie();
    if (in.empty()) {
        state.SkipWithError("cannot generate the source movie");
        return;
    }
    BenchHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    editor.setMovieNames(in);
    if (!editor.openMovieAndReport()) {
        state.SkipWithError("cannot open the source movie");
        return;
    }
    for (int32_t f = 0; f < kFrames; ++f) {
        editor.EffArr.at(0, f) = EffRec{kouka::kMosaic, 100, 100, 480, 360, 16, "0"};
        editor.EffArr.at(1, f) = EffRec{kouka::kBlur, 1200, 150, 480, 360, 50, "0"};
    }
    editor.STFlame = 0;
    editor.ENDFlame = kFrames - 1;
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (editor.saveNumberedStills(runStem(ext), ext) != Editor::StillsOutcome::Written) {
            state.SkipWithError(("the run failed: " + editor.StillsError).c_str());
            return;
        }
        seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(seconds);
    }
    state.counters["fps"] = kFrames / seconds;
    state.counters["KiB"] =
        static_cast<double>(fs::file_size(numberedStillName(runStem(ext), 0, ext))) / 1024.0;
    state.counters["threads"] = std::max(2u, std::thread::hardware_concurrency());
}

void BM_SaveRunBmp(benchmark::State& state) {
    saveRun(state, ".bmp");
}
void BM_SaveRunPng(benchmark::State& state) {
    saveRun(state, ".png");
}

// The same PNG pictures written one after the other on one thread.
void BM_PngOneThread(benchmark::State& state) {
    Surface s(kWidth, kHeight);
    drawFilmFrame(s, 3);
    const std::string out = (benchDir() / "one.png").string();
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!writeStillImage(s, out, StillFormat::Png)) {
            state.SkipWithError("cannot write");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    state.counters["fps"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MovieFromPngRun(benchmark::State& state) {
    const std::string stem = runStem(".png");
    if (!fs::exists(numberedStillName(stem, kFrames - 1, ".png"))) {
        state.SkipWithError("run BM_SaveRunPng first");
        return;
    }
    BenchHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (editor.makeMovieFromStills(
                numberedStillName(stem, 0, ".png"), numberedStillName(stem, kFrames - 1, ".png"),
                (benchDir() / "back.avi").string()) != Editor::StillsOutcome::Written) {
            state.SkipWithError(("the build failed: " + editor.StillsError).c_str());
            return;
        }
        seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(seconds);
    }
    state.counters["fps"] = kFrames / seconds;
}

BENCHMARK(BM_SaveRunBmp)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveRunPng)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngOneThread)->Iterations(8)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovieFromPngRun)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
