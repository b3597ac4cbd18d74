// Commands that change records of the selected layer one frame or one run at
// a time, and the jump to the edge of an effect run.

#include <algorithm>
#include <string>
#include <utility>

#include "base/NumberText.h"
#include "editor/Editor.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

void Editor::PictMain_MouseUp(int16_t Button, int16_t Shift, float X, float Y) {
    if (!Dragging) return;
    if (!EffArr.contains(SelLay, CurFlame)) {
        Dragging = false;
        return;
    }
    takeUndoStep(undocode::kEffects);
    WorkRecord = std::as_const(EffArr).at(SelLay, CurFlame);
    int32_t a = 0, b = 0;
    X = pointerOnPicture(X);
    Y = pointerOnPicture(Y);
    EffResult = JumpEff(KoukaSel, cmd::kMouseUp, Button, Shift, X, Y, a, b);
    SetEffect();
    EffArr.at(SelLay, CurFlame).Kind = KoukaSel;
    host_.SetTLine();
    markChanged();
    Dragging = false;
    undo.UndoArmed = kFalse;
}

void Editor::XYSet_Click() {
    const std::string x = panel_.text("Xzahyou");
    const std::string y = panel_.text("Yzahyou");
    if (x.empty() || y.empty()) return;
    if (!EffArr.contains(SelLay, CurFlame)) return;
    Dragging = true;
    // A module that accepts the entry writes its effect number into the
    // working record; one that refuses it leaves the record alone. Without
    // this mark a refused entry would store whatever the working record held
    // last (another layer's record, say) over this frame's.
    const int16_t heldKind = WorkRecord.Kind;
    WorkRecord.Kind = 0;
    EffResult = jumpEffValues(KoukaSel, cmd::kXYSet, roundHalfEven16(leadingValue(x)),
                              roundHalfEven16(leadingValue(y)),
                              static_cast<float>(leadingValue(panel_.text("Wzahyou"))),
                              static_cast<float>(leadingValue(panel_.text("Hzahyou"))));
    ResName = "1";
    if (WorkRecord.Kind > 0) {
        undo.discardRedo();
        WorkRecord.Kind = KoukaSel;
        SetEffect();
        host_.SetTLine();
        markChanged();
    } else {
        WorkRecord.Kind = heldKind;
    }
    Dragging = false;
}

void Editor::mnuAll_Click() {
    if (!EffArr.contains(SelLay, CurFlame)) return;
    WorkRecord = std::as_const(EffArr).at(SelLay, CurFlame);
    // The effect must read the frame as it was before this command.
    GetPic();
    EffResult = jumpEffValues(KoukaSel, cmd::kMouseUp, 0, 0, -1.0f, -1.0f);
    // No undo step of its own: it joins the step before, and steps that
    // could be redone must not come back over it.
    undo.discardRedo();
    SetEffect();
    EffArr.at(SelLay, CurFlame).Kind = KoukaSel;
    host_.SetTLine();
    markChanged();
    Dragging = false;
}

void Editor::mnuEfDelete_Click() {
    if (HokanST < 0) return;
    takeUndoStep(undocode::kEffects);
    if (HokanEND < 0) {
        DelEffect(HokanST);
        HokanST = -1;
    } else {
        if (HokanEND < HokanST) std::swap(HokanST, HokanEND);
        const int32_t last = std::min(HokanEND, EffArr.lastIndex());
        // Only the kind goes; the other fields stay for no reader.
        EffArr.clearKinds(SelLay, HokanST, last);
        HokanCancel(false);
    }
    markChanged();
    DspFrame2();
    host_.SetTLine();
    undo.UndoArmed = kFalse;
}

void Editor::DelEffect(int32_t Flm) {
    if (!EffArr.contains(SelLay, Flm)) return;
    EffRec& rec = EffArr.at(SelLay, Flm);
    DelBuf = rec;
    rec = EffRec{};
}

void Editor::mnuDelSel_Click() {
    STFlame = RangeST = MvSTFlame;
    ENDFlame = RangeEND = MvENDFlame;
    updateMarkedPositions();
    host_.DspSldr();
    ChkMVLength();
    host_.SetTLine();
    markChanged();
}

void Editor::JmpEffEdge(int16_t intHoko) {
    if (intHoko != 1 && intHoko != -1) return;
    const int32_t d = intHoko;
    const int32_t limit = d == 1 ? ENDFlame : STFlame;
    if (CurFlame == limit) return;
    if (!EffArr.contains(SelLay, CurFlame)) return;
    const EffTimeline& recs = EffArr;
    const int16_t k0 = recs.at(SelLay, CurFlame).Kind;
    // The frames at distance 1 and 2 are not examined. The search ends at the
    // limit, also when it starts so close to it that it steps over it, and at
    // either end of the timeline.
    for (int64_t n = 3;; ++n) {
        const int64_t f = CurFlame + n * d;
        if ((d == 1 && f > limit) || (d == -1 && f < limit)) break;
        if (f < 0 || f > EffArr.lastIndex()) break;
        const int16_t k = recs.at(SelLay, static_cast<int32_t>(f)).Kind;
        if (k != k0) {
            CurFlame = static_cast<int32_t>(k > 0 ? f : CurFlame + (n - 1) * d);
            break;
        }
        if (f == limit) break;
    }
    DspFrame2();
    SliderPos = static_cast<float>(CurFlame * SliderScale);
    host_.DspSldr();
    host_.SetSlr2();
}

}  // namespace movalux
