// movalux-cli detect: faces or number plates found through a range and
// hidden with records that move with them.

#include <filesystem>
#include <iostream>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "editor/Editor.h"
#include "host/MemoryPanel.h"

namespace movalux::cli {

namespace {

constexpr const char* kDetectUsage =
    "usage: movalux-cli detect EDIT_IN EDIT_OUT --faces|--plates [--layer L] [--effect K --param "
    "P]\n"
    "                          [--from S] [--to E] [--force]\n"
    "  finds faces (number plates) in frames S to E and hides each with records of effect K\n"
    "  (1, 2 mask, 6 mosaic, 9 invert, 10 blur; default a mosaic of 16-pixel blocks, coarser\n"
    "  for large objects) that move\n"
    "  with it, on layer L (default 0) and, for several at once, the next free layers\n";

bool hidesARegion(int64_t kind) {
    return kind == kouka::kMaskEllipse || kind == kouka::kMaskRect || kind == kouka::kMosaic ||
           kind == kouka::kInvert || kind == kouka::kBlur;
}

}  // namespace

int detectCommand(const Args& argsIn) {
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    const bool faces = takeFlag(args, "--faces");
    const bool plates = takeFlag(args, "--plates");
    std::string layer, effect, param, from, to;
    bool missing = false;
    const bool hasLayer = takeOption(args, "--layer", layer, missing);
    const bool hasEffect = takeOption(args, "--effect", effect, missing);
    const bool hasParam = takeOption(args, "--param", param, missing);
    const bool hasFrom = takeOption(args, "--from", from, missing);
    const bool hasTo = takeOption(args, "--to", to, missing);
    const auto l = parseInteger(layer), k = parseInteger(effect), p = parseInteger(param),
               s = parseInteger(from), e = parseInteger(to);
    if (missing || args.size() != 2 || faces == plates ||
        (hasLayer && (!l || *l < 0 || *l >= EffTimeline::kShownLayers)) ||
        (hasEffect && (!k || !hidesARegion(*k))) || hasParam != hasEffect ||
        (hasParam && (!p || *p < 0 || *p > 32767)) || (hasFrom && !s) || (hasTo && !e)) {
        std::cerr << kDetectUsage;
        return kExitUsage;
    }
    std::error_code ec;
    if (!force && std::filesystem::exists(args[1], ec)) {
        std::cerr << "movalux-cli detect: " << args[1] << " exists; use --force to replace it\n";
        return kExitFailure;
    }

    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    if (!readWholeWithMovie(editor, args[0], "detect")) return kExitFailure;
    const int64_t last = static_cast<int64_t>(editor.MvENDFlame) - editor.MvSTFlame;
    const int64_t first = hasFrom ? *s : 0, end = hasTo ? *e : last;
    if (first < 0 || end > last || first > end) {
        std::cerr << "movalux-cli detect: frames " << first << " to " << end
                  << " are not a range of the timeline (frames 0 to " << last
                  << "); nothing written\n";
        return kExitFailure;
    }
    EffRec hiding = Editor::defaultHidingRecord();
    if (hasEffect) {
        hiding.Kind = static_cast<int16_t>(*k);
        hiding.Param = static_cast<int16_t>(*p);
    }
    const int target = hasLayer ? static_cast<int>(*l) : 0;
    const char* what = faces ? "face" : "plate";
    const Editor::FindResult r =
        editor.findAndHide(static_cast<int32_t>(first), static_cast<int32_t>(end),
                           faces ? ObjectDetector::Target::Faces : ObjectDetector::Target::Plates,
                           target, hiding, !hasEffect);
    if (!r.error.empty()) {
        std::cerr << "movalux-cli detect: " << r.error << "; nothing written\n";
        return kExitFailure;
    }
    if (editor.saveEditFileTo(args[1]) != 0) return kExitFailure;
    for (const Editor::FoundTrack& t : r.tracks) {
        std::cout << what << " in frames " << t.first << " to " << t.last << " (seen in " << t.found
                  << ", followed through " << t.bridged << "): ";
        if (t.layer < 0)
            std::cout << "not hidden, no layer could take it\n";
        else if (t.joined)
            std::cout << "hidden on layer " << t.layer << " together with another\n";
        else
            std::cout << "hidden on layer " << t.layer << '\n';
    }
    if (r.tracks.empty())
        std::cout << "no " << what << " found in frames " << first << " to " << end << '\n';
    int status = kExitOk;
    if (r.joined > 0)
        std::cout << r.joined << " of " << r.tracks.size() << ' ' << what
                  << "s share a layer with another, their regions united: more are seen at once "
                     "than there are free layers\n";
    if (r.leftOut > 0) {
        // Less than asked: what could be hidden is written, the rest named.
        std::cerr << "movalux-cli detect: " << r.leftOut << " of " << r.tracks.size() << ' ' << what
                  << "s were left uncovered: no layer could take them\n";
        status = kExitFailure;
    }
    if (r.stoppedAt >= 0) {
        std::cerr << "movalux-cli detect: the movie has no picture for frame " << r.stoppedAt
                  << "; searched " << r.scanned << " of " << (end - first + 1) << " frames\n";
        status = kExitFailure;
    }
    return status;
}

}  // namespace movalux::cli
