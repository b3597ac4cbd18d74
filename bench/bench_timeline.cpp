// The project model on long movies: the memory of a two-hour movie's timeline
// with its undo copies and a full history, one interpolation over 100,000
// frames, one undo snapshot and one undo-redo pair over 216,000 frames.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include <malloc.h>
#include <unistd.h>

#include "editor/Editor.h"
#include "host/NullHost.h"
#include "host/MemoryPanel.h"

namespace {

using namespace movalux;

constexpr int32_t kTwoHoursAt30 = 216000;  // frames of a two-hour movie at 30 fps
constexpr const char* kLongText = "/home/user/Pictures/overlays/a picture with a long name.bmp";

// Answers every box with OK and remembers the labels the commands read.
// Bytes the heap hands out now, large blocks included.
double heapMegabytes() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd) / (1024.0 * 1024.0);
}

double residentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// An editor with a movie of frames 0..lastFrame open.
struct Project {
    explicit Project(int32_t lastFrame) {
        editor.recreateTimeline(0, lastFrame);
        editor.MvOpen = kTrue;
        editor.MvENDFlame = lastFrame;
        editor.ENDFlame = lastFrame;
    }
    NullHost host;
    MemoryPanel panel;
    Editor editor{host, panel};
};

// Arg: frames of the timeline (a two-hour movie, and the million frames an
// edit-file header may declare).
void BM_EmptyTimelineUndoCopiesAndFullHistory(benchmark::State& state) {
    const auto frames = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        const double rssBefore = residentMegabytes();
        const double heapBefore = heapMegabytes();
        auto project = std::make_unique<Project>(frames - 1);
        Editor& editor = project->editor;
        // A full history: ten steps on all four layers, each a whole-layer copy.
        for (int step = 0; step < 10; ++step) {
            editor.SelLay = static_cast<int16_t>(step % 4);
            editor.takeUndoStep(undocode::kEffects);
            editor.EffArr.at(editor.SelLay, step * 1000) = EffRec{6, 1, 2, 3, 4, 8, "0"};
        }
        const double heap = heapMegabytes() - heapBefore;
        const double rss = residentMegabytes() - rssBefore;
        benchmark::DoNotOptimize(editor.EffArr.at(0, 0));
        state.counters["frames"] = editor.EffArr.frameCount();
        state.counters["record_bytes"] = sizeof(EffRec);
        state.counters["timeline_MB"] = static_cast<double>(editor.EffArr.bytesHeld()) / (1024.0 * 1024.0);
        state.counters["undo_MB"] = static_cast<double>(editor.UndoArr.bytesHeld()) / (1024.0 * 1024.0);
        state.counters["resident_MB"] = rss;
        state.counters["heap_MB"] = heap;
    }
}
BENCHMARK(BM_EmptyTimelineUndoCopiesAndFullHistory)
    ->Arg(kTwoHoursAt30)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Arg 0: key frames with short texts; 1: with a picture path longer than a
// record holds without the heap.
void BM_HokanEffectOver100kFrames(benchmark::State& state) {
    Project project(99999);  // frame columns 0..100000
    Editor& editor = project.editor;
    const std::string text = state.range(0) == 0 ? "0" : kLongText;
    editor.EffArr.at(0, 0) = EffRec{6, 0, 0, 100, 100, 8, text};
    editor.EffArr.at(0, 100000) = EffRec{6, 600, 400, 50, 50, 24, text};
    editor.KoukaSel = kouka::kMosaic;  // answers the hook with 1
    for (auto _ : state) {
        project.host.SetLabel("TextHSt", "0");
        project.host.SetLabel("TextHEnd", "100000");
        if (!editor.HokanEffect()) state.SkipWithError("interpolation refused");
        benchmark::DoNotOptimize(editor.EffArr.at(0, 50000));
    }
    state.counters["frames"] = 100001;
}
BENCHMARK(BM_HokanEffectOver100kFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Arg 0: every frame has an effect with a short text; 1: a long path text.
void fillLayer(Editor& editor, int64_t textKind) {
    const std::string text = textKind == 0 ? "0" : kLongText;
    for (int32_t f = 0; f < editor.EffArr.frameCount(); ++f)
        editor.EffArr.at(0, f) = EffRec{4, 10, 20, 30, 40, 50, text};
}

void BM_UndoSnapshotOf216kFrames(benchmark::State& state) {
    Project project(kTwoHoursAt30 - 1);
    fillLayer(project.editor, state.range(0));
    for (auto _ : state) {
        project.editor.takeUndoStep(undocode::kEffects);
        benchmark::ClobberMemory();
    }
    state.counters["frames"] = project.editor.EffArr.frameCount();
}
BENCHMARK(BM_UndoSnapshotOf216kFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_UndoAndRedoOf216kFrames(benchmark::State& state) {
    Project project(kTwoHoursAt30 - 1);
    fillLayer(project.editor, state.range(0));
    project.editor.takeUndoStep(undocode::kEffects);
    project.editor.EffArr.at(0, 5).Kind = 9;
    for (auto _ : state) {
        project.editor.GoUndo();
        project.editor.GoRedo();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_UndoAndRedoOf216kFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
