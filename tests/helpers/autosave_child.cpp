// The editor that the autosave kill test kills: it opens MOVIE with autosave
// on (the recovery folder from XDG_STATE_HOME, as the window's), then edits
// at random until it is killed. On stdout it tells what it writes:
//   "submit C"   the project at change C is in EXPECTED_DIR/C.txt, and its
//                autosave is about to start;
//   "written C"  that autosave is on disk.
// Usage: movalux_autosave_child MOVIE EXPECTED_DIR EDIT_FILE SEED

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "editfile/EditFileFormat.h"
#include "editfile/RecoveryStore.h"
#include "editor/Editor.h"
#include "support/RecordingHost.h"

using namespace movalux;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: movalux_autosave_child MOVIE EXPECTED_DIR EDIT_FILE SEED\n");
        return 2;
    }
    const std::string expectedDir = argv[2];
    test::RecordingHost host;
    test::RecordingPanel panel;
    Editor editor(host, panel);
    editor.enableAutosave(defaultRecoveryFolder());
    editor.setMovieNames(argv[1]);
    if (!editor.openMovieAndReport()) {
        std::fprintf(stderr, "movalux_autosave_child: %s does not open\n", argv[1]);
        return 1;
    }
    editor.EdFName = argv[3];
    editor.KoukaSel = kouka::kMosaic;
    editor.jumpEffValues(kouka::kMosaic, cmd::kPanel, 0, 0, 1.0f);
    std::mt19937 rng(static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)));
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
    const int frames = editor.MvENDFlame - editor.MvSTFlame + 1;
    // A project with something on every frame of every layer, so that each
    // write takes a while and a kill may well come in the middle of one.
    for (int layer = 0; layer < 4; ++layer)
        for (int f = 0; f < frames; ++f)
            editor.EffArr.at(layer, f) =
                EffRec{6,
                       static_cast<float>(f % 16),
                       1,
                       8,
                       8,
                       16,
                       "/home/user/Pictures/overlays/picture " + std::to_string(f)};
    editor.markChanged();
    uint64_t reported = 0;
    for (;;) {
        const int what = pick(100);
        if (what < 40) {
            editor.SelLay = static_cast<int16_t>(pick(4));
            editor.CurFlame = pick(frames);
            editor.mnuAll_Click();
        } else if (what < 50) {
            editor.HokanST = pick(frames);
            editor.HokanEND = pick(2) == 0 ? -1 : pick(frames);
            editor.mnuEfDelete_Click();
        } else if (what < 60) {
            if (pick(2) == 0)
                editor.MoveLayRight();
            else
                editor.MoveLayLeft();
        } else if (what < 65) {
            editor.LayerErase();
        } else if (what < 80) {
            editor.GoUndo();
        } else if (what < 90) {
            editor.GoRedo();
        } else {
            editor.CurFlame = pick(frames);
            if (pick(2) == 0)
                editor.SetSTFlame();
            else
                editor.SetENDFlame();
        }
        host.clockMs += static_cast<uint32_t>(pick(5000));

        if (editor.autosaveDue()) {
            const uint64_t at = editor.changeCount();
            {
                std::ofstream out(expectedDir + "/" + std::to_string(at) + ".txt",
                                  std::ios::binary);
                out << editFileText(editor.editFileContent());
            }
            std::printf("submit %llu\n", static_cast<unsigned long long>(at));
            std::fflush(stdout);
            editor.AutosaveTick();
        }
        const Autosave::Status status = editor.autosave()->status();
        if (status.written > reported) {
            reported = status.written;
            std::printf("written %llu\n",
                        static_cast<unsigned long long>(status.lastWrittenChanges));
            std::fflush(stdout);
        }
        ::usleep(100);
    }
}
