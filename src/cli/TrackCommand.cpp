// movalux-cli track: a region followed through the movie, its record copied
// onto every frame it was found in.

#include <filesystem>
#include <iostream>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "editor/Editor.h"
#include "host/MemoryPanel.h"

namespace movalux::cli {

namespace {

constexpr const char* kTrackUsage =
    "usage: movalux-cli track EDIT_IN EDIT_OUT --layer L --from S [--to E] [--backward]\n"
    "                         [--fast|--accurate] [--force]\n"
    "  follows the region of layer L (0-3) at frame S forward (backward) to frame E, or to the\n"
    "  end (start) of the movie, copying the record onto every frame it is found in; the fast\n"
    "  tracker (KCF) hands over to the accurate one (CSRT) where it loses the content, unless\n"
    "  one of them is asked for\n";

}  // namespace

int trackCommand(const Args& argsIn) {
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    const bool backward = takeFlag(args, "--backward");
    const bool fast = takeFlag(args, "--fast");
    const bool accurate = takeFlag(args, "--accurate");
    std::string layer, from, to;
    bool missing = false;
    const bool hasLayer = takeOption(args, "--layer", layer, missing);
    const bool hasFrom = takeOption(args, "--from", from, missing);
    const bool hasTo = takeOption(args, "--to", to, missing);
    const auto l = parseInteger(layer), s = parseInteger(from), e = parseInteger(to);
    if (missing || args.size() != 2 || !hasLayer || !hasFrom || !l || *l < 0 ||
        *l >= EffTimeline::kShownLayers || !s || (hasTo && !e) || (fast && accurate)) {
        std::cerr << kTrackUsage;
        return kExitUsage;
    }
    std::error_code ec;
    if (!force && std::filesystem::exists(args[1], ec)) {
        std::cerr << "movalux-cli track: " << args[1] << " exists; use --force to replace it\n";
        return kExitFailure;
    }

    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    if (!readWholeWithMovie(editor, args[0], "track")) return kExitFailure;
    const int64_t last = static_cast<int64_t>(editor.MvENDFlame) - editor.MvSTFlame;
    const int64_t end = hasTo ? *e : (backward ? 0 : last);
    if (*s < 0 || *s > last || end < 0 || end > last || (backward ? end > *s : end < *s)) {
        std::cerr << "movalux-cli track: frames " << *s << " to " << end << " are not a "
                  << (backward ? "backward" : "forward") << " range of the timeline (frames 0 to "
                  << last << "); nothing written\n";
        return kExitFailure;
    }
    editor.RangeST = 0;
    editor.RangeEND = static_cast<int32_t>(last);
    const Editor::FollowResult r = editor.followRegion(
        static_cast<int>(*l), static_cast<int32_t>(*s), static_cast<int32_t>(end),
        fast       ? Editor::FollowWith::Fast
        : accurate ? Editor::FollowWith::Accurate
                   : Editor::FollowWith::FastThenAccurate);
    if (r.why == Editor::FollowStop::NoRecord) {
        std::cerr << "movalux-cli track: layer " << *l << " has no effect with a region at frame "
                  << *s << "; nothing written\n";
        return kExitFailure;
    }
    if (r.followed == 0) {
        if (r.why == Editor::FollowStop::ReachedEnd)
            std::cerr << "movalux-cli track: no frame lies after frame " << *s << " towards frame "
                      << end << "; nothing written\n";
        else
            std::cerr << "movalux-cli track: the region was lost at frame " << r.stoppedAt
                      << "; nothing written\n";
        return kExitFailure;
    }
    if (editor.saveEditFileTo(args[1]) != 0) return kExitFailure;
    std::cout << "followed " << r.followed << " frames, " << *s << " to " << r.lastFrame << '\n';
    if (r.why != Editor::FollowStop::ReachedEnd) {
        // Less than asked: the frames followed are written, and the exit
        // status says the job is not complete.
        std::cerr << "movalux-cli track: "
                  << (r.why == Editor::FollowStop::Lost ? "the region was lost"
                                                        : "a frame could not be read")
                  << " at frame " << r.stoppedAt << ", before frame " << end << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace movalux::cli
