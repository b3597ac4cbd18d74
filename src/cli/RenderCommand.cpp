// movalux-cli render, sound and convert: the writes of the editor's menus
// without their dialogs. The output name answers the save dialog, the
// options answer the compressor dialog and the writing speed list; Ctrl-C
// is the pause button (the movie written so far is kept, valid).

#include <csignal>
#include <filesystem>
#include <iostream>
#include <optional>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "editor/Editor.h"
#include "host/MemoryPanel.h"
#include "media/Compressors.h"
#include "media/MediaLog.h"

namespace movalux::cli {

namespace {

constexpr const char* kRenderUsage =
    "usage: movalux-cli render EDITFILE OUT [--codec NAME] [--quality Q] [--speed PCT]\n"
    "                          [--reverse] [--no-sound] [--from N] [--to M] [--key-interval N]\n"
    "                          [--data-rate KBITS] [--adjust V] [--force]\n"
    "       --codec one of:";
constexpr const char* kSoundUsage =
    "usage: movalux-cli sound MOVIE OUT --from S --to E [--speed PCT] [--force]\n";
constexpr const char* kConvertUsage =
    "usage: movalux-cli convert MOVIE OUT --from S --to E [--force]\n";

void renderUsage() {
    std::cerr << kRenderUsage;
    for (const auto& c : Editor::compressorOptions()) std::cerr << ' ' << c.name;
    std::cerr << '\n';
}

// A file too large for the disk or the process's limit must end the write
// with its message, not kill the program.
void survivingFullDisks() {
    std::signal(SIGXFSZ, SIG_IGN);
}

bool refuseExisting(const std::string& command, const std::string& out, bool force) {
    std::error_code ec;
    // A folder is refused before the write starts, --force or not.
    if (std::filesystem::is_directory(out, ec)) {
        std::cerr << "movalux-cli " << command << ": " << out
                  << " is a folder, not a file to write\n";
        return true;
    }
    if (!force && std::filesystem::exists(out, ec)) {
        std::cerr << "movalux-cli " << command << ": " << out
                  << " exists; use --force to replace it\n";
        return true;
    }
    return false;
}

// "--speed" takes what the writing speed list holds: per cent, or "静止".
bool validSpeed(const std::string& text) {
    if (text == "静止") return true;
    const auto v = parseNumber(text);
    return v && *v > 0 && *v <= 100000;
}

std::optional<int32_t> frameOption(const std::string& text) {
    const auto v = parseInteger(text);
    if (!v || *v < 0 || *v > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(*v);
}

// The marked range from --from/--to, within the movie.
bool setRange(Editor& editor, const std::string& command, const std::string& from,
              const std::string& to) {
    auto f = from.empty() ? std::optional<int32_t>(editor.STFlame) : frameOption(from);
    auto t = to.empty() ? std::optional<int32_t>(editor.ENDFlame) : frameOption(to);
    // A start after the end is a range marked in reverse, as the timeline
    // allows: the write takes its one frame.
    const int32_t last = editor.lastFrameWithPicture();
    if (!f || !t || std::min(*f, *t) < editor.MvSTFlame || std::max(*f, *t) > last) {
        std::cerr << "movalux-cli " << command << ": the range must lie within frames "
                  << editor.MvSTFlame << " to " << last << '\n';
        return false;
    }
    // The edit file's range is what the file says; the movie may be shorter.
    if (const std::string lacking = editor.framesLacking(*f, *t); !lacking.empty()) {
        std::cerr << "movalux-cli " << command << ": the movie " << editor.MvFName << " has frames "
                  << editor.MvSTFlame << " to " << editor.movieLastFrame() << " only: frames "
                  << lacking << " are not in it\n";
        return false;
    }
    editor.STFlame = *f;
    editor.ENDFlame = *t;
    return true;
}

int reportOutcome(const std::string& command, Editor& editor, ConsoleHost& host,
                  Editor::RecOutcome outcome, const std::string& out) {
    if (outcome == Editor::RecOutcome::Written) {
        std::cout << out << '\n';
        if (editor.RecPaused) {
            // The movie of the frames before Ctrl-C is kept, with its sound,
            // but the job did not do what it was asked.
            std::cerr << "movalux-cli " << command << ": paused after " << editor.RecFramesWritten
                      << " of " << editor.RecFramesExpected << " frames\n";
            return kExitInterrupted;
        }
        return kExitOk;
    }
    if (editor.RecStopped) {
        std::cerr << "movalux-cli " << command << ": " << editor.RecError << "; " << out
                  << (std::filesystem::exists(out) ? " is as it was" : " was not created") << '\n';
        return kExitInterrupted;
    }
    const std::string label = host.LabelText("Label21");
    std::cerr << "movalux-cli " << command << ": ";
    if (label == "エラー13") std::cerr << label << ": ";
    std::cerr << (editor.RecError.empty() ? "nothing written" : editor.RecError) << '\n';
    return kExitFailure;
}

}  // namespace

int renderCommand(const Args& argsIn) {
    quietMediaLog();
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    const bool reverse = takeFlag(args, "--reverse");
    const bool noSound = takeFlag(args, "--no-sound");
    std::string codec = kDefaultVideoEncoder, quality, speed = "100", from, to, key, rate, adjust;
    bool missing = false;
    takeOption(args, "--adjust", adjust, missing);
    takeOption(args, "--codec", codec, missing);
    takeOption(args, "--quality", quality, missing);
    takeOption(args, "--speed", speed, missing);
    takeOption(args, "--from", from, missing);
    takeOption(args, "--to", to, missing);
    takeOption(args, "--key-interval", key, missing);
    takeOption(args, "--data-rate", rate, missing);
    CompressorSettings settings = Editor::defaultCompressorSettings();
    settings.codec = codec;
    bool valid = !missing && args.size() == 2 && validSpeed(speed);
    if (valid && !quality.empty()) {
        const auto q = parseInteger(quality);
        valid = q && *q >= 0 && *q <= 100;
        if (valid) settings.quality = static_cast<int>(*q);
    }
    if (valid && !key.empty()) {
        const auto k = parseInteger(key);
        valid = k && *k >= 1 && *k <= 1000;
        if (valid) settings.keyInterval = static_cast<int>(*k);
    }
    if (valid && !rate.empty()) {
        const auto r = parseInteger(rate);
        valid = r && *r >= 0 && *r <= 1000000;
        if (valid) settings.dataRateKbps = static_cast<int>(*r);
    }
    if (valid && ((!from.empty() && !frameOption(from)) || (!to.empty() && !frameOption(to))))
        valid = false;
    if (!valid) {
        renderUsage();
        return kExitUsage;
    }
    const std::string& out = args[1];
    if (!isMovieOutputName(out)) {
        std::cerr << "movalux-cli render: " << out
                  << ": the movie must be named .avi, .mp4 or .mkv\n";
        return kExitUsage;
    }
    if (refuseExisting("render", out, force)) return kExitFailure;

    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    const auto read = editor.readEditFile(args[0]);
    if (read == Editor::ReadOutcome::MovieNotOpened) {
        std::cerr << "movalux-cli render: the movie of " << args[0] << " could not be opened\n";
        return kExitFailure;
    }
    if (read != Editor::ReadOutcome::Read && read != Editor::ReadOutcome::Damaged) {
        std::cerr << "movalux-cli render: " << args[0] << " was not read\n";
        return kExitFailure;
    }
    if (editor.MvOpen != kTrue) {
        std::cerr << "movalux-cli render: the movie " << editor.MvFName << " could not be opened\n";
        return kExitFailure;
    }
    if (!adjust.empty() && !applyAdjustment(editor, "render", adjust)) return kExitUsage;
    if (!setRange(editor, "render", from, to)) return kExitFailure;
    host.SetLabel("Combo2", speed);
    if (reverse)
        editor.Option8_Click();
    else
        editor.Option7_Click();
    editor.RecSound = noSound ? kFalse : kTrue;
    host.setSaveAnswer(out);
    host.setCompressorAnswer(settings);
    host.onInterrupt([&] { editor.ComStp_Click(); });
    survivingFullDisks();
    // An overlay whose file cannot be read would be left out of the movie.
    auto unreadable = [&] {
        for (const std::string& path : editor.overlay().unreadable)
            std::cerr << "movalux-cli render: cannot read " << (path.empty() ? "(no file named)" : path) << '\n';
        return !editor.overlay().unreadable.empty();
    };
    if (unreadable()) return kExitFailure;
    const auto outcome = editor.MVRec();
    const int status = reportOutcome("render", editor, host, outcome, out);
    return status == kExitOk && unreadable() ? kExitFailure : status;
}

namespace {

// sound and convert: the movie, the range and the speed, then MakeWave.
int sectionCommand(const Args& argsIn, const std::string& command, bool video) {
    quietMediaLog();
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    std::string from, to, speed = "100";
    bool missing = false;
    const bool haveFrom = takeOption(args, "--from", from, missing);
    const bool haveTo = takeOption(args, "--to", to, missing);
    if (!video) takeOption(args, "--speed", speed, missing);
    if (missing || args.size() != 2 || !haveFrom || !haveTo || !frameOption(from) ||
        !frameOption(to) || !validSpeed(speed)) {
        std::cerr << (video ? kConvertUsage : kSoundUsage);
        return kExitUsage;
    }
    const std::string& out = args[1];
    if (refuseExisting(command, out, force)) return kExitFailure;
    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    editor.setMovieNames(args[0]);
    if (!editor.openMovieAndReport()) return kExitFailure;
    if (!setRange(editor, command, from, to)) return kExitFailure;
    if (editor.writesOverMovie(out)) {
        std::cerr << "movalux-cli " << command << ": " << out
                  << " is the movie being read; write to another file\n";
        return kExitFailure;
    }
    if (!video && editor.MvSound != kTrue) {
        std::cerr << "movalux-cli sound: " << args[0] << " has no sound\n";
        return kExitFailure;
    }
    host.SetLabel("Combo2", speed);
    editor.RecSpeed = editor.writingSpeedFromCombo2();
    host.onInterrupt([&] { editor.ComStp_Click(); });
    survivingFullDisks();
    const int32_t result = editor.MakeWave(editor.STFlame, editor.ENDFlame, out, video);
    editor.Idle = true;
    if (result != 0) {
        if (!video) std::cerr << "音声データを書き込みできません\n";
        std::cerr << "movalux-cli " << command << ": " << editor.RecError << '\n';
        return kExitFailure;
    }
    std::cout << out << '\n';
    return kExitOk;
}

}  // namespace

int soundCommand(const Args& args) {
    return sectionCommand(args, "sound", false);
}

int convertCommand(const Args& args) {
    return sectionCommand(args, "convert", true);
}

}  // namespace movalux::cli
