// Key-frame interpolation and the two fades.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/NumberText.h"
#include "editor/Editor.h"
#include "effects/OverlayShared.h"
#include "effects/RegionGesture.h"
#include "host/Host.h"
#include "model/Interpolation.h"

namespace movalux {

namespace {

constexpr const char* kNoKeyFramesText = "最初と最後のフレームを指定してください";
constexpr const char* kNoEffectText = "指定のコマは効果が指定されていません";

// Hook answers.
constexpr int32_t kUseResName = 0;
constexpr int32_t kKeepFrame = 2;

// The frame number in a key-frame box, rounded; nothing when the text is no
// number at all.
std::optional<int32_t> boxFrame(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    const std::optional<double> v = parseNumber(text);
    if (!v) return std::nullopt;
    return roundHalfEven32(*v);
}

}  // namespace

bool Editor::HokanEffect() {
    const std::string firstText = host_.LabelText("TextHSt");
    const std::string secondText = host_.LabelText("TextHEnd");
    if (firstText.empty() || secondText.empty()) {
        host_.MsgBox(kNoKeyFramesText, msgbox::kOk, kAppTitle);
        return false;
    }
    const int L = SelLay;
    const std::optional<int32_t> first = boxFrame(firstText);
    const std::optional<int32_t> second = boxFrame(secondText);
    if (!first || !second || !EffArr.contains(L, *first) || !EffArr.contains(L, *second))
        return false;
    if (!EffArr.at(L, *first).hasEffect() || !EffArr.at(L, *second).hasEffect()) {
        host_.MsgBox(kNoEffectText, msgbox::kOk, kAppTitle);
        return false;
    }
    int32_t s = *first;
    int32_t e = *second;
    if (e < s) std::swap(s, e);
    HokanST = s;
    HokanEND = e;
    HokanRngST = s;
    HokanRngEND = e;

    // The layer as it was, for frames whose effect asks to keep them.
    const int16_t slot = takeUndoStep(undocode::kEffects);
    const bool haveBefore = slot >= 0;
    const auto before = [&](int32_t f) -> const EffRec& {
        return std::as_const(UndoArr).at(slot, f);
    };

    const auto recs = [&](int32_t f) -> EffRec& { return EffArr.at(L, f); };
    // A movie key frame's text holds its overlay frame in characters 3-8;
    // read on to the end, the colour's digits would join the number.
    const auto keyValue = [&](const std::string& text) {
        return KoukaSel == kouka::kMovie ? parseOverlayRecordText(text).frame : hookTextValue(text);
    };
    // The overlays name the first key frame's file on the frames between.
    ResName = recs(s).Text;
    EffResult = jumpEffValues(KoukaSel, cmd::kHokan, 2, 0, 0, 0, keyValue(recs(s).Text),
                              keyValue(recs(e).Text));
    // Every field of the frames between the keys is written below, so their
    // old records need not be copied out of the blocks the undo step shares;
    // the undo step keeps them, should the fill fail half way.
    if (haveBefore) EffArr.prepareOverwrite(L, s + 1, e - 1);
    // Writable references stay valid while the layer fills: each frame's
    // block is this layer's own once written, and nothing replaces it.
    const EffRec& startKey = recs(s);
    const EffRec& endKey = recs(e);
    const EffRec* previous = &startKey;
    int32_t i = s + 1;
    try {
        for (; i <= e - 1; ++i) {
            EffRec& r = recs(i);
            interpolateRecord(startKey, endKey, s, e, i, r);
            r.Text = previous->Text;
            previous = &r;
            EffResult = jumpEffValues(KoukaSel, cmd::kHokan, 0, 0, 0, 0, s, i);
            if (EffResult == kUseResName) {
                r.Text = ResName;
            } else if (EffResult == kKeepFrame && haveBefore) {
                r = before(i);
            }
        }
    } catch (...) {
        // The frames not reached yet hold no records of their own: give
        // them back what they had, so a failed fill never leaves stray ones.
        if (haveBefore)
            for (; i <= e - 1; ++i) recs(i) = before(i);
        throw;
    }
    EffResult = jumpEffValues(KoukaSel, cmd::kHokan, 1, 0, 0, 0, s, e);
    if (EffResult == kUseResName) {
        recs(e).Text = ResName;
    } else if (EffResult == kKeepFrame && haveBefore) {
        recs(e) = before(e);
    }

    host_.SetTLine();
    markChanged();
    HokanCancel(true);
    undo.UndoArmed = kFalse;
    return true;
}

void Editor::SetFDIn() {
    if (!HokanEffect()) return;
    const int32_t s = HokanRngST;
    const int32_t e = HokanRngEND;
    const int16_t p = std::as_const(EffArr).at(SelLay, e).Param;
    for (int32_t i = s; i <= e - 1; ++i) EffArr.at(SelLay, i).Param = fadeInParam(p, s, e, i);
    HokanCancel(false);
}

void Editor::SetFDOut() {
    if (!HokanEffect()) return;
    const int32_t s = HokanRngST;
    const int32_t e = HokanRngEND;
    const auto recs = [&](int32_t f) -> EffRec& { return EffArr.at(SelLay, f); };
    // Both levels are read for every frame: the last frame is e itself, whose
    // level is read before it is overwritten.
    for (int32_t i = s + 1; i <= e; ++i)
        recs(i).Param = fadeOutParam(recs(s).Param, recs(e).Param, s, e, i);
    HokanCancel(false);
    HokanST = -1;
}

}  // namespace movalux
