// movalux-cli check: the frames of an edit file drawn with their effects, as
// they will be written, searched for faces or number plates left uncovered.

#include <iostream>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "editor/Editor.h"
#include "host/MemoryPanel.h"
#include "vision/ObjectDetector.h"

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
    std::string error;
    auto detector = ObjectDetector::create(
        faces ? ObjectDetector::Target::Faces : ObjectDetector::Target::Plates, error);
    if (!detector) {
        std::cerr << "movalux-cli check: " << error << '\n';
        return kExitFailure;
    }

    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    const auto read = editor.readEditFile(args[0]);
    if (read != Editor::ReadOutcome::Read || editor.MvOpen != kTrue) {
        std::cerr << "movalux-cli check: " << args[0]
                  << (read == Editor::ReadOutcome::Read ? "'s movie could not be opened"
                                                        : " was not read")
                  << '\n';
        return kExitFailure;
    }
    const int64_t last = static_cast<int64_t>(editor.MvENDFlame) - editor.MvSTFlame;
    const int64_t first = hasFrom ? *s : 0, end = hasTo ? *e : last;
    if (first < 0 || end > last || first > end) {
        std::cerr << "movalux-cli check: frames " << first << " to " << end
                  << " are not a range of the timeline (frames 0 to " << last << ")\n";
        return kExitFailure;
    }
    const char* what = faces ? "face" : "plate";
    int64_t shown = 0;
    for (int64_t f = first; f <= end; ++f) {
        editor.CurFlame = static_cast<int32_t>(f);
        if (editor.DspFrame2() < 0) {
            std::cerr << "movalux-cli check: the movie has no picture for frame " << f
                      << "; checked " << (f - first) << " of " << (end - first + 1) << " frames\n";
            return kExitFailure;
        }
        const std::vector<PixelRect> found = detector->find(editor.PictMain());
        if (found.empty()) continue;
        ++shown;
        std::cout << "frame " << f << ':';
        for (const PixelRect& r : found)
            std::cout << ' ' << what << " at " << r.x << ',' << r.y << ' ' << r.w << 'x' << r.h;
        std::cout << '\n';
    }
    if (shown == 0) {
        std::cout << "no " << what << " found in frames " << first << " to " << end << '\n';
        return kExitOk;
    }
    std::cout << shown << " of " << (end - first + 1) << " frames show a " << what << '\n';
    return kExitFound;
}

}  // namespace movalux::cli
