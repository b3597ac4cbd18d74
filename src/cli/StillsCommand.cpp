// movalux-cli stills and from-stills: the editor's "画像の保存(連続)" and
// "画像から動画作成" without their dialogs. The stem and the names on the
// command line answer the file dialogs, --fps answers Form2, --force the
// overwrite questions; Ctrl-C is the pause button.

#include <algorithm>
#include <cctype>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <optional>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "editor/Editor.h"
#include "editor/StillNames.h"
#include "host/MemoryPanel.h"
#include "media/MediaLog.h"

namespace movalux::cli {

namespace {

constexpr const char* kStillsUsage =
    "usage: movalux-cli stills EDITFILE STEM --from S --to E [--format bmp|png] [--force]\n"
    "       writes frames S..E with their effects as STEM + frame (at least three digits) + "
    ".bmp/.png\n";
constexpr const char* kFromStillsUsage =
    "usage: movalux-cli from-stills FIRST LAST OUT.avi [--fps N] [--force]\n"
    "       an uncompressed AVI of the numbered pictures FIRST..LAST at N (1-30, default 30)\n"
    "       frames per second\n";

std::optional<int32_t> frameNumber(const std::string& text) {
    const auto v = parseInteger(text);
    if (!v || *v < 0 || *v > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(*v);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// A picture file too large for the disk's or the process's limit must end
// the run with its message.
void survivingFullDisks() {
    std::signal(SIGXFSZ, SIG_IGN);
}

int failure(const std::string& command, const Editor& editor, const std::string& what) {
    std::cerr << "movalux-cli " << command << ": "
              << (editor.StillsError.empty() ? "nothing written" : editor.StillsError) << " ("
              << editor.StillsWritten << " of " << editor.StillsAsked << ' ' << what
              << " written)\n";
    return kExitFailure;
}

}  // namespace

int stillsCommand(const Args& argsIn) {
    quietMediaLog();
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    std::string from, to, format = "bmp";
    bool missing = false;
    const bool haveFrom = takeOption(args, "--from", from, missing);
    const bool haveTo = takeOption(args, "--to", to, missing);
    takeOption(args, "--format", format, missing);
    format = lower(format);
    const auto f = frameNumber(from), t = frameNumber(to);
    if (missing || args.size() != 2 || !haveFrom || !haveTo || !f || !t ||
        (format != "bmp" && format != "png") || args[1].empty()) {
        std::cerr << kStillsUsage;
        return kExitUsage;
    }
    const std::string& stem = args[1];
    const std::string extension = "." + format;

    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    const auto read = editor.readEditFile(args[0]);
    if (read != Editor::ReadOutcome::Read && read != Editor::ReadOutcome::Damaged) {
        std::cerr << "movalux-cli stills: " << args[0] << " was not read\n";
        return kExitFailure;
    }
    if (editor.MvOpen != kTrue) {
        std::cerr << "movalux-cli stills: the movie " << editor.MvFName << " could not be opened\n";
        return kExitFailure;
    }
    if (*f > *t || *f < editor.MvSTFlame || *t > editor.MvENDFlame) {
        std::cerr << "movalux-cli stills: the range must lie within frames " << editor.MvSTFlame
                  << " to " << editor.MvENDFlame << '\n';
        return kExitFailure;
    }
    if (!force) {
        for (int64_t n = *f; n <= *t; ++n) {
            const std::string name = numberedStillName(stem, n, extension);
            if (exists(name)) {
                std::cerr << "movalux-cli stills: " << name
                          << " exists; use --force to replace it\n";
                return kExitFailure;
            }
        }
    }
    editor.STFlame = *f;
    editor.ENDFlame = *t;
    host.answerQuestionsYes(force);
    host.onInterrupt([&] { editor.ComStp_Click(); });
    survivingFullDisks();
    const auto outcome = editor.saveNumberedStills(stem, extension);
    if (outcome != Editor::StillsOutcome::Written) return failure("stills", editor, "pictures");
    for (int64_t n = *f; n <= *t; ++n) std::cout << numberedStillName(stem, n, extension) << '\n';
    return kExitOk;
}

int fromStillsCommand(const Args& argsIn) {
    quietMediaLog();
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    std::string fps = "30";
    bool missing = false;
    takeOption(args, "--fps", fps, missing);
    const auto rate = parseNumber(fps);
    if (missing || args.size() != 3 || !rate) {
        std::cerr << kFromStillsUsage;
        return kExitUsage;
    }
    const std::string& out = args[2];
    if (lower(std::filesystem::path(out).extension().string()) != ".avi") {
        std::cerr << "movalux-cli from-stills: " << out
                  << ": the movie is written as an .avi file\n";
        return kExitUsage;
    }
    if (!force && exists(out)) {
        std::cerr << "movalux-cli from-stills: " << out << " exists; use --force to replace it\n";
        return kExitFailure;
    }
    const int16_t used = Editor::form2FrameRate(fps);
    if (*rate != used)
        std::cerr << "movalux-cli from-stills: a frame rate of " << fps << " becomes " << used
                  << " (1 to 30)\n";

    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    host.setForm2Answer(fps);
    host.answerQuestionsYes(force);
    host.onInterrupt([&] { editor.ComStp_Click(); });
    survivingFullDisks();
    const auto outcome = editor.makeMovieFromStills(args[0], args[1], out);
    if (outcome != Editor::StillsOutcome::Written) {
        if (!editor.StillsOutput.empty())
            std::cerr << "movalux-cli from-stills: " << editor.StillsOutput << " holds the first "
                      << editor.StillsWritten << " pictures\n";
        return failure("from-stills", editor, "pictures");
    }
    std::cout << out << '\n';
    return kExitOk;
}

}  // namespace movalux::cli
