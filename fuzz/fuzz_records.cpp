// Any bytes as `apply`-style records: each line a record
// FRAME,CODE,X,Y,W,H,PARAM,"TEXT", drawn on a small picture through every
// module as the frame display draws them, then the same regions dragged and
// typed on the panel of the record's effect. Nothing may crash, touch memory
// it does not own, reach undefined behaviour, or take time or memory that
// the picture does not warrant, whatever the numbers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editfile/RecordLine.h"
#include "editor/Editor.h"
#include "effects/Surface.h"
#include "host/MemoryPanel.h"
#include "host/NullHost.h"
#include "media/FrameSource.h"

namespace {

using namespace movalux;

class PatternSource : public FrameSource {
  public:
    PatternSource() : picture_(24, 18) {
        for (int y = 0; y < picture_.height(); ++y)
            for (int x = 0; x < picture_.width(); ++x)
                picture_.setPixel(x, y, rgb((x * 37) & 255, (y * 59) & 255, (x ^ y) * 11 & 255));
    }
    bool paintFrame(int32_t, Surface& target) override {
        target.assign(picture_);
        return true;
    }

  private:
    Surface picture_;
};

const char* effectName(int16_t kind) {
    switch (kind) {
        case 1:
        case 2:
            return "マスク";
        case 5:
            return "拡大";
        case 6:
            return "モザイク";
        case 7:
            return "色調";
        case 8:
            return "明るさ";
        case 9:
            return "反転";
        case 10:
            return "ぼかし";
        default:
            return nullptr;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<RecordLine> records;
    size_t start = 0;
    while (start < text.size() && records.size() < 6) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (auto r = parseRecordLine(text.substr(start, end - start)))
            records.push_back(std::move(*r));
        start = end + 1;
    }
    if (records.empty()) return 0;

    NullHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    PatternSource source;
    editor.setPictureSize(24, 18);
    editor.setFrameSource(&source);
    editor.recreateTimeline(0, 0);
    editor.MvOpen = kTrue;
    editor.CurFlame = 0;
    // As `apply` draws them: one record per layer, layers 0 to 3.
    for (const RecordLine& r : records) {
        const int layer = r.layer();
        if (layer < 0 || layer >= EffTimeline::kShownLayers) continue;
        editor.EffArr.at(layer, 0) = r.rec;
    }
    editor.DspFrame2();

    // The same numbers through the panel: a drag and a typed region.
    for (const RecordLine& r : records) {
        const char* name = effectName(r.rec.Kind);
        if (name == nullptr) continue;
        editor.Combo3_Click(name);
        editor.jumpEffValues(editor.KoukaSel, cmd::kMouseDown, 1, r.rec.Param & 1, r.rec.X,
                             r.rec.Y);
        editor.jumpEffValues(editor.KoukaSel, cmd::kMouseMove, 1, r.rec.Param & 1, r.rec.W,
                             r.rec.H);
        editor.jumpEffValues(editor.KoukaSel, cmd::kMouseUp, 1, r.rec.Param & 1, r.rec.W, r.rec.H);
        editor.jumpEffValues(editor.KoukaSel, cmd::kXYSet, static_cast<int16_t>(r.frame),
                             r.rec.Param, r.rec.W, r.rec.H);
    }
    return 0;
}
