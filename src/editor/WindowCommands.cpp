// What the main window's own controls do to the project: the mouse on
// PictMain, clicks on the timeline and the sliders, the page that follows the
// current frame, the marked range, steps and jumps, the keys and the effect
// panel. The window only draws and forwards; the state changes live here so
// that they can be tested without a display.

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "base/NumberText.h"
#include "editor/Editor.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

constexpr float kColumnWidth = 22.0f;
constexpr int32_t kPageStep = 30;

// Key codes of the classic keyboard events.
namespace key {
constexpr int16_t kEnter = 13;
constexpr int16_t kShift = 16;
constexpr int16_t kCtrl = 17;
constexpr int16_t kEsc = 27;
constexpr int16_t kF2 = 113;
constexpr int16_t kF3 = 114;
constexpr int16_t kF4 = 115;
constexpr int16_t kF5 = 116;
constexpr int16_t kF6 = 117;
constexpr int16_t kF7 = 118;
}  // namespace key

// Run-time error numbers for the "エラー(..)" messages.
constexpr int kErrOutOfMemory = 7;
constexpr int kErrOverflow = 6;
constexpr int kErrInternal = 51;

int errorNumberOf(const std::exception& e) {
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return kErrOutOfMemory;
    if (dynamic_cast<const std::out_of_range*>(&e) != nullptr) return kErrOverflow;
    return kErrInternal;
}

// Runs one step; a failure is reported as "エラー(CODE)n が発生しました" and the
// caller goes on with the next step.
template <class Action>
void trapped(Host& host, const char* code, Action&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        host.MsgBox(std::string("エラー(") + code + ")" + std::to_string(errorNumberOf(e)) +
                        "が発生しました",
                    msgbox::kOk, "");
    }
}

int32_t clampFrame(double v) {
    if (!(v == v)) return 0;  // NaN
    return roundHalfEven32(std::clamp(v, -2147483647.0, 2147483647.0));
}

}  // namespace

// --- Start-up ----------------------------------------------------------------

void Editor::startUp(const std::vector<std::string>& arguments) {
    trapped(host_, "FL1", [&] {
        jumpEffValues(kouka::kMovie, cmd::kInit, 0, 0, PanelScale);
        jumpEffValues(kouka::kMaskEllipse, cmd::kPanel, 0, 0, PanelScale);
    });
    trapped(host_, "FL1", [&] {
        if (arguments.empty()) return;
        // Several arguments are several names, which the check refuses; one
        // path with blanks is one name here.
        if (!ChkFName(arguments)) return;
        setMovieNames(arguments.front());
        OpenMovie();
    });
}

// --- The mouse on PictMain ----------------------------------------------------

void Editor::PictMain_MouseDown(int16_t Button, int16_t Shift, float X, float Y) {
    if (MvOpen == kFalse) return;
    X = pointerOnPicture(X);
    Y = pointerOnPicture(Y);
    panel_.setText("Xzahyou", std::to_string(clampFrame(X)));
    panel_.setText("Yzahyou", std::to_string(clampFrame(Y)));
    Dragging = true;
    outlineWidth_ = viewOutlineWidth_;
    int32_t a = 0, b = 0;
    EffResult = JumpEff(KoukaSel, cmd::kMouseDown, Button, Shift, X, Y, a, b);
}

void Editor::PictMain_MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
    if (MvOpen == kFalse) return;
    X = pointerOnPicture(X);
    Y = pointerOnPicture(Y);
    int32_t a = 0, b = 0;
    EffResult = JumpEff(KoukaSel, cmd::kMouseMove, Button, Shift, X, Y, a, b);
}

// --- Timeline and sliders -----------------------------------------------------

void Editor::PictTLine_MouseDown(int16_t /*Button*/, int16_t /*Shift*/, float X, float Y,
                                 float stripHeight) {
    if (MvOpen == kFalse || !(stripHeight > 0) || TLRows <= 0) return;
    const float column = std::floor(X / kColumnWidth);
    if (column >= 0 && column < EffTimeline::kShownLayers &&
        static_cast<int16_t>(column) != SelLay) {
        takeUndoStep(undocode::kSelect);
        SelLay = static_cast<int16_t>(column);
    }
    int32_t g = clampFrame(std::floor(static_cast<double>(Y) * TLRows / stripHeight)) + TLTop;
    if (g > ENDFlame) g = ENDFlame;
    if (g < STFlame) g = STFlame;
    if (SliderScale == 0) SliderScale = 0.01;
    SliderPos += static_cast<float>((static_cast<double>(g) - CurFlame) * SliderScale);
    host_.DspSldr();
    CurFlame = g;
    if (ShiftDown != kFalse) {
        EffResult = jumpEffValues(KoukaSel, cmd::kFrameJump, 1);
    } else {
        FrmSelST = g;
        FrmSelEND = 0;
    }
    DspFrame2();

    int32_t k = clampFrame((static_cast<double>(Y) - 4) / stripHeight * TLRows);
    if (k < 0) k = 0;
    if (k > MvENDFlame) k = MvENDFlame;
    const int32_t f = k + TLTop;
    if (f <= MvENDFlame) {
        if (!EffArr.contains(SelLay, f) || EffArr.at(SelLay, f).Kind < 1) {
            HokanST = -1;
        } else if (ShiftDown != kFalse) {
            HokanEND = f;
            HokanRngST = HokanST;
            HokanRngEND = f;
            host_.SetLabel("TextHSt", std::to_string(HokanST));
            host_.SetLabel("TextHEnd", std::to_string(f));
        } else {
            HokanST = f;
            HokanEND = -1;
        }
        host_.SetTLine();
    }
    DspSelLayer();
}

void Editor::PicSldr_MouseDown(float Y) {
    if (MvOpen == kFalse) return;
    if (SliderScale == 0) SliderScale = 0.01;
    if (STFlamePos - 6 < Y && Y < STFlamePos) {
        CurFlame = STFlame;
        JmpST();
    } else if (Y > ENDFlamePos + 4) {
        CurFlame = ENDFlame;
        JmpEnd();
    } else {
        const int32_t frame = clampFrame(Y / SliderScale);
        CurFlame = std::clamp(frame, std::min(RangeST, RangeEND), std::max(RangeST, RangeEND));
        TLTop = frame;
        SliderPos = Y;
        host_.DspSldr();
        host_.SetTLine();
        DspFrame2();
    }
}

void Editor::PicSldr2_MouseDown(float Y, float stripHeight) {
    if (MvOpen == kFalse || !(stripHeight > 0)) return;
    int32_t g = clampFrame(static_cast<double>(TLRows) * Y / stripHeight - 0.5) + TLTop;
    if (g > ENDFlame) g = ENDFlame;
    if (g < STFlame) g = STFlame;
    if (SliderScale == 0) SliderScale = 0.01;
    SliderPos += static_cast<float>((static_cast<double>(g) - CurFlame) * SliderScale);
    host_.DspSldr();
    CurFlame = g;
    if (ShiftDown != kFalse) {
        FrmSelEND = g;
        EffResult = jumpEffValues(KoukaSel, cmd::kFrameJump, 1);
    } else {
        FrmSelST = g;
        FrmSelEND = 0;
    }
    DspFrame2();
}

bool Editor::followPage() {
    if (TLRows <= 0) return false;
    const int32_t before = TLTop;
    if (std::abs(static_cast<int64_t>(CurFlame) - TLTop) > TLRows) TLTop = CurFlame - TLRows;
    if (CurFlame > TLTop + TLRows - 1) {
        TLTop += TLRows;
    } else if (CurFlame < TLTop) {
        TLTop -= TLRows;
        if (TLTop < 0) TLTop = 0;
    }
    return TLTop != before;
}

int32_t Editor::frameCursorPos(float stripHeight) const {
    if (TLRows <= 0) return 3;
    return clampFrame(
        static_cast<double>(stripHeight) / TLRows * (static_cast<double>(CurFlame) - TLTop) + 3);
}

void Editor::SetSTFlame() {
    if (MvOpen == kFalse) return;
    STFlame = RangeST = CurFlame;
    STFlamePos = roundHalfEven32(SliderScale * CurFlame);
    host_.DspSldr();
    ChkMVLength();
    host_.SetTLine();
    markChanged();
}

void Editor::SetENDFlame() {
    if (MvOpen == kFalse) return;
    ENDFlame = RangeEND = CurFlame;
    ENDFlamePos = roundHalfEven32(SliderScale * CurFlame);
    host_.DspSldr();
    ChkMVLength();
    host_.SetTLine();
    markChanged();
}

// --- Steps and jumps ------------------------------------------------------------

void Editor::PlayMvStep() {
    if (MvOpen == kFalse || CurFlame >= RangeEND) return;
    ++CurFlame;
    DspFrame2();
    SliderPos = static_cast<float>(CurFlame * SliderScale);
    host_.DspSldr();
}

void Editor::PlayMvRevStep() {
    if (MvOpen == kFalse || CurFlame <= RangeST) return;
    --CurFlame;
    DspFrame2();
    SliderPos = static_cast<float>(CurFlame * SliderScale);
    host_.DspSldr();
}

void Editor::PlayMvPageUp() {
    if (MvOpen == kFalse) return;
    CurFlame = static_cast<int32_t>(
        std::min<int64_t>(static_cast<int64_t>(CurFlame) + kPageStep, RangeEND));
    DspFrame2();
    SliderPos = static_cast<float>(CurFlame * SliderScale);
    host_.DspSldr();
    host_.SetSlr2();
}

void Editor::PlayMvPageDown() {
    if (MvOpen == kFalse) return;
    CurFlame = static_cast<int32_t>(
        std::max<int64_t>(static_cast<int64_t>(CurFlame) - kPageStep, RangeST));
    DspFrame2();
    SliderPos = static_cast<float>(CurFlame * SliderScale);
    host_.DspSldr();
    host_.SetSlr2();
}

void Editor::PlayMvJpEnd() {
    if (MvOpen == kFalse) return;
    CurFlame = RangeEND;
    JmpEnd();
}

void Editor::PlayMvJpST() {
    if (MvOpen == kFalse) return;
    CurFlame = RangeST;
    JmpST();
}

void Editor::JmpEnd() {
    TLTop = std::max(RangeEND - TLRows + 1, 0);
    SliderPos = static_cast<float>(
        std::min(RangeEND * SliderScale, static_cast<double>(kSliderStripUnits - 4)));
    host_.DspSldr();
    host_.SetSlr2();
    host_.SetTLine();
    DspFrame2();
}

void Editor::vbWheelMinus(bool playEnabled) {
    if (!playEnabled || MvOpen == kFalse || CurFlame >= RangeEND) return;
    ++CurFlame;
    DspFrame2();
    SliderPos += static_cast<float>(SliderScale);
    host_.DspSldr();
}

void Editor::vbWheelPlus(bool playEnabled) {
    if (!playEnabled || MvOpen == kFalse || CurFlame <= RangeST) return;
    --CurFlame;
    DspFrame2();
    SliderPos -= static_cast<float>(SliderScale);
    host_.DspSldr();
}

// --- Keys -------------------------------------------------------------------------

void Editor::Form_KeyDown(int16_t KeyCode) {
    trapped(host_, "KD1", [&] {
        switch (KeyCode) {
            case key::kShift:
                if (MvOpen != kFalse) ShiftDown = kTrue;
                break;
            case key::kCtrl:
                FixSize = kTrue;
                break;
            case key::kEsc:
                HokanCancel(false);
                host_.SetTLine();
                FrmSelEND = 0;
                host_.SetSlr2();
                break;
            case key::kF2:
                PlayMvJpST();
                break;
            case key::kF3:
                PlayMvPageDown();
                break;
            case key::kF4:
                PlayMvRevStep();
                break;
            case key::kF5:
                PlayMvStep();
                break;
            case key::kF6:
                PlayMvPageUp();
                break;
            case key::kF7:
                PlayMvJpEnd();
                break;
            default:
                break;
        }
    });
}

void Editor::Form_KeyUp(int16_t KeyCode) {
    if (KeyCode == key::kShift && MvOpen != kFalse) ShiftDown = kFalse;
    if (KeyCode == key::kCtrl) FixSize = kFalse;
}

void Editor::TextPos_KeyDown(int16_t KeyCode) {
    if (KeyCode != key::kEnter || MvOpen == kFalse) return;
    trapped(host_, "FJ1", [&] {
        const int32_t typed = clampFrame(leadingValue(host_.LabelText("TextPos")));
        CurFlame = std::clamp(typed, std::min(RangeST, RangeEND), std::max(RangeST, RangeEND));
        SliderPos = static_cast<float>(CurFlame * SliderScale);
        host_.DspSldr();
        DspFrame2();
    });
}

// --- The effect panel ---------------------------------------------------------------

void Editor::Combo1_Click() {
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kCombo1,
                              static_cast<int16_t>(panel_.listIndex("Combo1")));
}

void Editor::Combo5_Click() {
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kCombo5,
                              static_cast<int16_t>(panel_.listIndex("Combo5")));
}

void Editor::Combo6_Click() {
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kCombo6,
                              static_cast<int16_t>(panel_.listIndex("Combo6")));
}

void Editor::Option3_Click() {
    panel_.setChecked("Option3", true);
    const bool answers = dispatcher_.module(KoukaSel) != nullptr;
    const int32_t chosen = jumpEffValues(KoukaSel, cmd::kParam, ctl::kOption3, ParamValue);
    if (answers) KoukaSel = static_cast<int16_t>(chosen);
}

void Editor::Option4_Click() {
    panel_.setChecked("Option4", true);
    const bool answers = dispatcher_.module(KoukaSel) != nullptr;
    const int32_t chosen = jumpEffValues(KoukaSel, cmd::kParam, ctl::kOption4, ParamValue);
    if (answers) KoukaSel = static_cast<int16_t>(chosen);
}

void Editor::Option5_Click() {
    panel_.setChecked("Option5", true);
    ResName = "1";
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kOption5, ParamValue);
}

void Editor::Option6_Click() {
    panel_.setChecked("Option6", true);
    ResName = "0";
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kOption6, ParamValue);
}

void Editor::HScroll1_Change() {
    const int32_t result = jumpEffValues(KoukaSel, cmd::kParam, ctl::kHScroll1,
                                         static_cast<int16_t>(panel_.scrollValue("HScroll1")), 0, 0,
                                         ShiftDown != kFalse ? 1 : 0);
    EffResult = result;
    if (result == 2) {
        FrmSelEND = 0;
        host_.SetSlr2();
    }
    showBarPreview();
}

void Editor::showBarPreview() {
    if (KoukaSel == kouka::kColourTone || KoukaSel == kouka::kBrightness)
        showFrameWithWorkingRecord();
}

void Editor::HScroll2_Change() {
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kHScroll2,
                              static_cast<int16_t>(panel_.scrollValue("HScroll2")));
    showBarPreview();
}

void Editor::HScroll3_Change() {
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kHScroll3,
                              static_cast<int16_t>(panel_.scrollValue("HScroll3")));
    showBarPreview();
}

void Editor::RDPictBtn_Click() {
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kRDPictBtn);
    showBarPreview();
}
void Editor::ComdBtn2_Click() {
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kComdBtn2);
}
void Editor::ComSTP2_Click() {
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kComSTP2);
}

void Editor::PreVewPict_MouseDown(int16_t Button, int16_t Shift, float X, float Y) {
    int32_t a = 0, b = 0;
    EffResult = JumpEff(KoukaSel, cmd::kPreview, Button, Shift, X, Y, a, b);
}

void Editor::CheckPreVew_Click() {
    PreviewOn = panel_.checked("CheckPreVew");
}

void Editor::mnuTouka_Click() {
    EffResult = jumpEffValues(KoukaSel, cmd::kTouka, 3, 1);
}
void Editor::mnuTokaNon_Click() {
    EffResult = jumpEffValues(KoukaSel, cmd::kTouka, 3, -1);
}

}  // namespace movalux
