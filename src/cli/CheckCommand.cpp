// movalux-cli check: the frames of an edit file drawn with their effects, as
// they will be written, searched for faces or number plates left uncovered.

#include <iostream>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "editor/Editor.h"
#include "host/MemoryPanel.h"

namespace movalux::cli {

namespace {

constexpr const char* kCheckUsage =
    "usage: movalux-cli check EDITFILE --faces|--plates [--from S] [--to E]\n"
    "  lists the frames (with their effects) where a face or number plate can still be seen;\n"
    "  exit 0 when none, 3 when some\n";

}  // namespace

int checkCommand(const Args& argsIn) {
    Args args = argsIn;
    const bool faces = takeFlag(args, "--faces");
    const bool plates = takeFlag(args, "--plates");
    std::string from, to;
    bool missing = false;
    const bool hasFrom = takeOption(args, "--from", from, missing);
    const bool hasTo = takeOption(args, "--to", to, missing);
    const auto s = parseInteger(from), e = parseInteger(to);
    if (missing || args.size() != 1 || faces == plates || (hasFrom && !s) || (hasTo && !e)) {
        std::cerr << kCheckUsage;
        return kExitUsage;
    }
    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    if (!readWholeWithMovie(editor, args[0], "check")) return kExitFailure;
    const int64_t last = static_cast<int64_t>(editor.MvENDFlame) - editor.MvSTFlame;
    const int64_t first = hasFrom ? *s : 0, end = hasTo ? *e : last;
    if (first < 0 || end > last || first > end) {
        std::cerr << "movalux-cli check: frames " << first << " to " << end
                  << " are not a range of the timeline (frames 0 to " << last << ")\n";
        return kExitFailure;
    }
    const char* what = faces ? "face" : "plate";
    const Editor::CheckResult r =
        editor.checkUncovered(static_cast<int32_t>(first), static_cast<int32_t>(end), faces, plates);
    if (!r.error.empty()) {
        std::cerr << "movalux-cli check: " << r.error << '\n';
        return kExitFailure;
    }
    int64_t shown = 0;
    for (size_t i = 0; i < r.seen.size();) {
        const int32_t f = r.seen[i].frame;
        std::cout << "frame " << f << ':';
        for (; i < r.seen.size() && r.seen[i].frame == f; ++i) {
            const PixelRect& b = r.seen[i].where;
            std::cout << ' ' << what << " at " << b.x << ',' << b.y << ' ' << b.w << 'x' << b.h;
        }
        std::cout << '\n';
        ++shown;
    }
    if (r.stoppedAt >= 0) {
        std::cerr << "movalux-cli check: the movie has no picture for frame " << r.stoppedAt
                  << "; checked " << r.checked << " of " << (end - first + 1) << " frames\n";
        return kExitFailure;
    }
    if (shown == 0) {
        std::cout << "no " << what << " found in frames " << first << " to " << end << '\n';
        return kExitOk;
    }
    std::cout << shown << " of " << (end - first + 1) << " frames show a " << what << '\n';
    return kExitFound;
}

}  // namespace movalux::cli
