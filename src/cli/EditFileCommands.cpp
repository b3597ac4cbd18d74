// movalux-cli resave and hokan: edit files read, changed and written again
// without the movie they name.

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "editor/Editor.h"
#include "host/MemoryPanel.h"

namespace movalux::cli {

namespace {

constexpr const char* kResaveUsage = "usage: movalux-cli resave EDIT_IN EDIT_OUT [--force]\n";
constexpr const char* kHokanUsage =
    "usage: movalux-cli hokan EDIT_IN EDIT_OUT --layer L --from S --to E [--fade in|out] [--effect "
    "K] [--force]\n"
    "  interpolates layer L (0-3) between the key frames S and E, or fades it in or out\n";

// Reads EDIT_IN for a command; false (with the message already on stderr)
// when the file was not read whole.
bool readWhole(Editor& editor, const std::string& path, const char* command) {
    switch (editor.readEditFile(path, Editor::ReadOptions{false})) {
        case Editor::ReadOutcome::Read:
            return true;
        case Editor::ReadOutcome::Damaged:
            std::cerr << "movalux-cli " << command << ": " << path
                      << " is damaged; nothing written\n";
            return false;
        default:
            std::cerr << "movalux-cli " << command << ": " << path << " was not read\n";
            return false;
    }
}

int save(Editor& editor, const std::string& out, bool force, const char* command) {
    std::error_code ec;
    if (!force && std::filesystem::exists(out, ec)) {
        std::cerr << "movalux-cli " << command << ": " << out
                  << " exists; use --force to replace it\n";
        return kExitFailure;
    }
    return editor.saveEditFileTo(out) == 0 ? kExitOk : kExitFailure;
}

}  // namespace

int resaveCommand(const Args& argsIn) {
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    if (args.size() != 2) {
        std::cerr << kResaveUsage;
        return kExitUsage;
    }
    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    if (!readWhole(editor, args[0], "resave")) return kExitFailure;
    return save(editor, args[1], force, "resave");
}

int hokanCommand(const Args& argsIn) {
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    std::string layer, from, to, fade, effect;
    bool missing = false;
    const bool hasLayer = takeOption(args, "--layer", layer, missing);
    const bool hasFrom = takeOption(args, "--from", from, missing);
    const bool hasTo = takeOption(args, "--to", to, missing);
    const bool hasFade = takeOption(args, "--fade", fade, missing);
    const bool hasEffect = takeOption(args, "--effect", effect, missing);
    auto l = parseInteger(layer), s = parseInteger(from), e = parseInteger(to),
         k = parseInteger(effect);
    if (missing || args.size() != 2 || !hasLayer || !hasFrom || !hasTo || !l || *l < 0 ||
        *l >= EffTimeline::kShownLayers || !s || !e || (hasFade && fade != "in" && fade != "out") ||
        (hasEffect && (!k || *k < -32768 || *k > 32767))) {
        std::cerr << kHokanUsage;
        return kExitUsage;
    }

    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    if (!readWhole(editor, args[0], "hokan")) return kExitFailure;

    {
        // Frames the timeline does not have are named, not just refused.
        const int64_t last = static_cast<int64_t>(editor.MvENDFlame) - editor.MvSTFlame;
        const int64_t lo = std::min(*s, *e), hi = std::max(*s, *e);
        std::string outside;
        auto add = [&](int64_t a, int64_t b) {
            if (!outside.empty()) outside += " and ";
            outside += a == b ? std::to_string(a) : std::to_string(a) + " to " + std::to_string(b);
        };
        if (lo < 0) add(lo, std::min<int64_t>(hi, -1));
        if (hi > last) add(std::max(lo, last + 1), hi);
        if (!outside.empty()) {
            std::cerr << "movalux-cli hokan: frames " << outside
                      << " are outside the timeline (frames 0 to " << last
                      << "); nothing written\n";
            return kExitFailure;
        }
    }
    editor.SelLay = static_cast<int16_t>(*l);
    host.SetLabel("TextHSt", from);
    host.SetLabel("TextHEnd", to);
    if (hasEffect) {
        editor.KoukaSel = static_cast<int16_t>(*k);
    } else if (editor.EffArr.contains(editor.SelLay, static_cast<int32_t>(*s))) {
        editor.KoukaSel = editor.EffArr.at(editor.SelLay, static_cast<int32_t>(*s)).Kind;
    }
    // Effects whose module is not built into this tool answer the
    // interpolation hook as the pixel effects do (keep the text).
    editor.EffResult = 1;

    const int messagesBefore = host.messagesShown();
    if (!hasFade) {
        (void)editor.HokanEffect();
    } else if (fade == "in") {
        editor.SetFDIn();
    } else {
        editor.SetFDOut();
    }
    if (host.messagesShown() != messagesBefore || editor.EdSaved != kFalse) {
        std::cerr << "movalux-cli hokan: nothing was interpolated; nothing written\n";
        return kExitFailure;
    }
    return save(editor, args[1], force, "hokan");
}

}  // namespace movalux::cli
