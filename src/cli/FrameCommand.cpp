// movalux-cli frame EDITFILE N OUT_IMAGE: one frame of an edit file's movie
// with its effects, as the editor shows it.

#include <filesystem>
#include <iostream>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "editor/Editor.h"
#include "host/MemoryPanel.h"
#include "media/StillImage.h"

namespace movalux::cli {

namespace {
constexpr const char* kUsage =
    "usage: movalux-cli frame EDITFILE N OUT_IMAGE [--adjust V] [--force]\n";
}  // namespace

int frameCommand(const Args& argsIn) {
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    std::string adjust;
    bool missing = false;
    takeOption(args, "--adjust", adjust, missing);
    auto n = args.size() == 3 ? parseInteger(args[1]) : std::nullopt;
    if (missing || !n || *n < INT32_MIN || *n > INT32_MAX) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    std::error_code ec;
    if (!force && std::filesystem::exists(args[2], ec)) {
        std::cerr << "movalux-cli frame: " << args[2] << " exists; use --force to replace it\n";
        return kExitFailure;
    }
    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    const auto outcome = editor.readEditFile(args[0]);
    if (outcome == Editor::ReadOutcome::MovieNotOpened) {
        std::cerr << "movalux-cli frame: the movie of " << args[0] << " could not be opened\n";
        return kExitFailure;
    }
    if (outcome != Editor::ReadOutcome::Read && outcome != Editor::ReadOutcome::Damaged) {
        std::cerr << "movalux-cli frame: " << args[0] << " was not read\n";
        return kExitFailure;
    }
    if (editor.MvOpen == kFalse) {
        std::cerr << "movalux-cli frame: the movie " << editor.MvFName << " could not be opened\n";
        return kExitFailure;
    }
    if (!adjust.empty() && !applyAdjustment(editor, "frame", adjust)) return kExitUsage;
    editor.CurFlame = static_cast<int32_t>(*n);
    if (editor.DspFrame2() < 0) {
        std::cerr << "movalux-cli frame: the movie has no picture for frame " << *n << '\n';
        return kExitFailure;
    }
    // Overlays whose files could not be read drew nothing.
    if (!editor.overlay().unreadable.empty()) {
        for (const std::string& path : editor.overlay().unreadable)
            std::cerr << "movalux-cli frame: cannot read "
                      << (path.empty() ? "(no file named)" : path) << '\n';
        return kExitFailure;
    }
    Status written = writeStillImage(editor.PictMain(), args[2]);
    if (!written) {
        std::cerr << "movalux-cli frame: " << written.error() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace movalux::cli
