// movalux-cli apply IN_IMAGE OUT_IMAGE RECORD...: records drawn onto a still
// picture exactly as the frame display draws a frame.

#include <filesystem>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "cli/ConsoleHost.h"
#include "editfile/RecordLine.h"
#include "editor/Editor.h"
#include "host/MemoryPanel.h"
#include "media/FrameSource.h"
#include "media/StillImage.h"

namespace movalux::cli {

namespace {

constexpr const char* kUsage =
    "usage: movalux-cli apply IN_IMAGE OUT_IMAGE RECORD... [--force]\n"
    "  RECORD is an edit-file record line FRAME,CODE,X,Y,W,H,PARAM,\"TEXT\";\n"
    "  CODE = effect number + 100 x layer; layers 0 to 3 are drawn in order.\n";

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

    if (editor.DspFrame2() < 0) {
        std::cerr << "movalux-cli apply: no picture\n";
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
