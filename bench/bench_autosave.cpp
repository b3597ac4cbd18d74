// The autosave on a two-hour movie (216,000 frames at 30 fps) with an effect
// on every frame of the four layers: what the window waits for (the copy of
// the project that AutosaveTick makes) and what the writer thread does (the
// text, and writing it with fsync and rename), and the whole write done in
// one go for comparison.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "editfile/EditFileFormat.h"
#include "editfile/RecoveryStore.h"
#include "editor/Editor.h"
#include "host/Host.h"
#include "host/MemoryPanel.h"

namespace {

using namespace movalux;

constexpr int32_t kTwoHoursAt30 = 216000;

class QuietHost : public Host {
  public:
    int MsgBox(std::string_view, int, std::string_view) override { return msgbox::kAnswerOk; }
    FileDialogResult FileDialog(const FileDialogRequest&) override { return {}; }
    void SetPointer(int) override {}
    void DoEvents() override {}
    uint32_t timeGetTime() override { return clock; }
    void SetLabel(std::string_view, std::string_view) override {}
    std::string LabelText(std::string_view) const override { return {}; }
    void Refresh(Picture) override {}
    void SetTLine() override {}
    void DspSelLayer() override {}
    void DspLayEnable() override {}
    void DspSldr() override {}
    void SetSlr2() override {}
    uint32_t clock = 0;
};

std::string folder() {
    return (std::filesystem::temp_directory_path() /
            ("movalux-bench-autosave-" + std::to_string(::getpid())))
        .string();
}

// Two hours with an effect on every frame of layers 0-3, as interpolation
// leaves them (hundredths); layer 3 carries a picture path.
struct Project {
    Project() {
        editor.recreateTimeline(0, kTwoHoursAt30 - 1);
        editor.MvOpen = kTrue;
        editor.MvENDFlame = editor.ENDFlame = kTwoHoursAt30 - 1;
        editor.MvFName = "/home/user/Videos/a two-hour movie.mp4";
        editor.EdFName = "/home/user/Videos/a two-hour movie-1.txt";
        for (int layer = 0; layer < 4; ++layer) {
            for (int32_t f = 0; f < kTwoHoursAt30; ++f)
                editor.EffArr.at(layer, f) = EffRec{static_cast<int16_t>(layer == 3 ? 4 : 6 + layer),
                                 100.0f + static_cast<float>(f % 500) * 0.37f,
                                 80.25f + static_cast<float>(f % 300) * 0.5f,
                                 64,
                                 48.5f,
                                 static_cast<int16_t>(f % 100),
                                 layer == 3
                                     ? "/home/user/Pictures/overlays/a picture with a long name.bmp"
                                     : "0"};
        }
    }
    ~Project() { std::filesystem::remove_all(folder()); }
    QuietHost host;
    MemoryPanel panel;
    Editor editor{host, panel};
};

Project& project() {
    static Project p;
    return p;
}

// What the window's thread does at a write: the copy of what a save writes.
void BM_AutosaveCopyOnTheWindowThread(benchmark::State& state) {
    Editor& editor = project().editor;
    size_t records = 0;
    for (auto _ : state) {
        EditFileContent c = editor.editFileContent();
        records = c.records.size();
        benchmark::DoNotOptimize(c.records.data());
    }
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_AutosaveCopyOnTheWindowThread)->Unit(benchmark::kMillisecond)->Iterations(5);

// The writer thread: the text...
void BM_AutosaveTextOnTheWriterThread(benchmark::State& state) {
    const EditFileContent c = project().editor.editFileContent();
    size_t bytes = 0;
    for (auto _ : state) {
        std::string text = editFileText(c);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_AutosaveTextOnTheWriterThread)->Unit(benchmark::kMillisecond)->Iterations(5);

// ...and the atomic write of it (temporary file, fsync, rename, fsync of the
// folder).
void BM_AutosaveWriteOnTheWriterThread(benchmark::State& state) {
    const std::string text = editFileText(project().editor.editFileContent());
    RecoveryStore store(folder());
    for (auto _ : state) {
        if (!store.write(text, RecoveryInfo{})) state.SkipWithError("write failed");
    }
    store.close();
}
BENCHMARK(BM_AutosaveWriteOnTheWriterThread)->Unit(benchmark::kMillisecond)->Iterations(5);

// The whole write done on one thread: what the window would wait for without
// the writer thread.
void BM_AutosaveWholeWriteInOneGo(benchmark::State& state) {
    Editor& editor = project().editor;
    RecoveryStore store(folder());
    for (auto _ : state) {
        const EditFileContent c = editor.editFileContent();
        if (!store.write(editFileText(c), RecoveryInfo{})) state.SkipWithError("write failed");
    }
    store.close();
}
BENCHMARK(BM_AutosaveWholeWriteInOneGo)->Unit(benchmark::kMillisecond)->Iterations(5);

// AutosaveTick as the window calls it: the time its thread is held.
void BM_AutosaveTickStallsTheWindowFor(benchmark::State& state) {
    Project& p = project();
    p.editor.enableAutosave(folder(), AutosavePolicy{1, 1});
    for (auto _ : state) {
        state.PauseTiming();
        p.editor.autosave()->wait();
        p.editor.markChanged();
        p.host.clock += 10;
        state.ResumeTiming();
        if (!p.editor.AutosaveTick()) state.SkipWithError("no write started");
    }
    p.editor.autosave()->wait();
    state.counters["written"] = static_cast<double>(p.editor.autosave()->status().written);
    p.editor.autosave()->close(p.editor.changeCount());
}
BENCHMARK(BM_AutosaveTickStallsTheWindowFor)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
