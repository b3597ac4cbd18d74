// movalux-cli apply IN_IMAGE OUT_IMAGE RECORD...: records drawn onto a still
// picture exactly as the frame display draws a frame.

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "editfile/RecordLine.h"
#include "editor/Editor.h"
#include "effects/OverlayShared.h"
#include "host/MemoryPanel.h"
#include "media/FrameSource.h"
#include "media/StillImage.h"

namespace movalux::cli {

namespace {

constexpr const char* kUsage =
    "usage: movalux-cli apply IN_IMAGE OUT_IMAGE RECORD... [--resource SLOT=PATH]... [--force]\n"
    "  RECORD is an edit-file record line FRAME,CODE,X,Y,W,H,PARAM,\"TEXT\";\n"
    "  CODE = effect number + 100 x layer; layers 0 to 3 are drawn in order.\n"
    "  --resource names the picture or movie of a resource slot (0-99) that\n"
    "  picture-2 (11) and movie (20) records use.\n";

struct ResourceArg {
    int16_t slot;
    std::string path;
};

// Takes every --resource SLOT=PATH; false with a message on a bad one.
bool takeResources(Args& args, std::vector<ResourceArg>& out) {
    for (;;) {
        std::string value;
        bool missing = false;
        if (!takeOption(args, "--resource", value, missing)) return !missing;
        const size_t eq = value.find('=');
        const auto slot =
            eq == std::string::npos ? std::nullopt : parseInteger(value.substr(0, eq));
        if (!slot || *slot < 0 || *slot >= ResourceTable::kSlots || eq + 1 >= value.size()) {
            std::cerr << "movalux-cli apply: --resource wants SLOT=PATH with a slot 0-99: " << value
                      << '\n';
            return false;
        }
        out.push_back({static_cast<int16_t>(*slot), value.substr(eq + 1)});
    }
}

class StillSource : public FrameSource {
  public:
    explicit StillSource(const Surface& picture) : picture_(picture) {}
    bool paintFrame(int32_t, Surface& target) override {
        target.assign(picture_);
        return true;
    }

  private:
    const Surface& picture_;
};

}  // namespace

int applyCommand(const Args& argsIn) {
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    std::vector<ResourceArg> resources;
    if (!takeResources(args, resources)) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    if (args.size() < 3) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::string& in = args[0];
    const std::string& out = args[1];

    std::vector<RecordLine> records;
    for (size_t i = 2; i < args.size(); ++i) {
        auto rec = parseRecordLine(args[i]);
        if (!rec) {
            std::cerr << "movalux-cli apply: " << rec.error() << '\n';
            return kExitFailure;
        }
        const int layer = rec->layer();
        if (layer < 0 || layer >= EffTimeline::kSavedLayers) {
            std::cerr << "movalux-cli apply: layer " << layer
                      << " is outside 0-4 in record: " << args[i] << '\n';
            return kExitFailure;
        }
        records.push_back(std::move(*rec));
    }

    std::error_code ec;
    if (!force && std::filesystem::exists(out, ec)) {
        std::cerr << "movalux-cli apply: " << out << " exists; use --force to replace it\n";
        return kExitFailure;
    }
    auto picture = readStillImage(in);
    if (!picture) {
        std::cerr << "movalux-cli apply: " << picture.error() << '\n';
        return kExitFailure;
    }

    ConsoleHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    StillSource source(*picture);
    editor.setPictureSize(picture->width(), picture->height());
    editor.setFrameSource(&source);
    editor.recreateTimeline(0, 0);
    editor.MvOpen = kTrue;
    editor.CurFlame = 0;

    for (const RecordLine& r : records) {
        const int layer = r.layer();
        if (layer >= EffTimeline::kShownLayers && r.rec.hasEffect()) {
            std::cerr << "movalux-cli apply: layer 4 is kept but never drawn: code " << r.code
                      << '\n';
        } else if (r.rec.hasEffect() && editor.dispatcher().module(r.rec.Kind) == nullptr) {
            std::cerr << "movalux-cli apply: effect number " << r.rec.Kind
                      << " has no module; drawn as nothing\n";
        }
        // One record per layer and frame: a later record for the same layer
        // replaces the earlier one, as storing an effect does.
        editor.EffArr.at(layer, 0) = r.rec;
    }

    for (const RecordLine& r : records) {
        if (r.rec.Kind != kouka::kPicture2 && r.rec.Kind != kouka::kMovie) continue;
        const int32_t slot = parseOverlayRecordText(r.rec.Text).slot;
        bool given = false;
        for (const ResourceArg& res : resources) given = given || res.slot == slot;
        if (!given) {
            std::cerr << "movalux-cli apply: effect " << r.rec.Kind << " uses resource slot "
                      << slot << "; name its file with --resource " << slot << "=PATH\n";
            return kExitFailure;
        }
    }
    // A slot belongs to the effect of the records that name it, as the
    // resource line of an edit file says; picture 2 when none does.
    for (const ResourceArg& res : resources) {
        int16_t owner = kouka::kPicture2;
        for (const RecordLine& r : records)
            if ((r.rec.Kind == kouka::kPicture2 || r.rec.Kind == kouka::kMovie) &&
                parseOverlayRecordText(r.rec.Text).slot == res.slot)
                owner = r.rec.Kind;
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%02d", static_cast<int>(owner));
        editor.ResName = prefix + res.path;
        (void)editor.jumpEffValues(owner, cmd::kResLoad, res.slot, 1);
    }

    if (editor.DspFrame2() < 0) {
        std::cerr << "movalux-cli apply: no picture\n";
        return kExitFailure;
    }
    // An overlay whose file could not be read drew nothing: the picture is
    // not what was asked for.
    if (!editor.overlay().unreadable.empty()) {
        for (const std::string& path : editor.overlay().unreadable)
            std::cerr << "movalux-cli apply: cannot read "
                      << (path.empty() ? "(no file named)" : path) << '\n';
        return kExitFailure;
    }
    Status written = writeStillImage(editor.PictMain(), out);
    if (!written) {
        std::cerr << "movalux-cli apply: " << written.error() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace movalux::cli
