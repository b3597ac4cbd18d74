// Playing the movie with its effects: the loop that picks, shows and times
// each frame. The clock and the event pump come from the host, so tests run
// it on a fake clock.

#include <cmath>
#include <stdexcept>
#include <string>

#include "base/NumberText.h"
#include "editor/Editor.h"
#include "host/Host.h"

namespace movalux {

namespace {
// While no picture comes, ask again after letting the window breathe: a
// pause can then end the loop.
constexpr uint32_t kRetryWaitMs = 10;
}  // namespace

void Editor::PlayMv() {
    PlayDirection = 1;
    PlayFrame(1);
}

void Editor::PlayRev() {
    PlayDirection = -1;
    PlayFrame(-1);
}

void Editor::PlayPause() {
    Idle = true;
}

void Editor::SetYusen() {
    TimeYusen = TimeYusenMenu || PlaySpeed > 1.0;
}

void Editor::Combo4_Click(std::string_view speedText) {
    host_.SetLabel("Combo4", speedText);
    PlaySpeed = leadingValue(speedText) / 100.0;
    SetYusen();
}

void Editor::mnuTimeY_Click() {
    TimeYusenMenu = true;
    host_.SetControlChecked("mnuTimeY", true);
    host_.SetControlChecked("mnuFrameY", false);
    SetYusen();
}

void Editor::mnuFrameY_Click() {
    TimeYusenMenu = false;
    host_.SetControlChecked("mnuTimeY", false);
    host_.SetControlChecked("mnuFrameY", true);
    SetYusen();
}

void Editor::Option1_Click() {
    RangeST = STFlame;
    RangeEND = ENDFlame;
}

void Editor::Option2_Click() {
    RangeST = MvSTFlame;
    RangeEND = MvENDFlame;
}

void Editor::PlayFrame(int16_t KomaMove1) {
    // The play button stays off while playing, so the wheel and a second
    // press cannot start another loop inside this one.
    host_.SetControlEnabled("ComPlay", false);
    try {
        PlaySpeed = leadingValue(host_.LabelText("Combo4")) / 100.0;
        SetYusen();
        const double interval = 1000.0 / WholeFps / PlaySpeed;
        if (!std::isfinite(interval) || interval <= 0) throw std::domain_error("speed");
        Idle = false;
        PlaySTFlame = CurFlame;
        LastTick = STTick = host_.timeGetTime();
        int32_t lastShown = -1;
        // Time priority skips frames: the end of the range may never have
        // been shown. The frame playback stops at is the one on screen.
        const auto stopAt = [&](int32_t frame) {
            Idle = true;
            CurFlame = frame;
            if (lastShown != frame && DspFrame2() >= 0) {
                SliderPos = static_cast<float>(CurFlame * SliderScale);
                host_.DspSldr();
                host_.SetSlr2();
            }
        };
        for (;;) {
            if (CurFlame > RangeEND) {
                stopAt(RangeEND);
                break;
            }
            if (CurFlame < RangeST) {
                stopAt(RangeST);
                break;
            }
            const int32_t shown = DspFrame2();
            if (shown >= 0) lastShown = shown;
            if (Idle) break;
            if (shown < 0) {
                host_.WaitEvents(kRetryWaitMs);
                continue;
            }
            // Wait for the frame's time without spinning: each pass lets the
            // window run and sleeps until the next tick is due.
            for (;;) {
                const uint32_t now = host_.timeGetTime();
                const double due = LastTick + interval - now;
                if (due <= 0) break;
                host_.WaitEvents(static_cast<uint32_t>(std::ceil(due)));
            }
            LastTick = host_.timeGetTime();
            SliderPos = static_cast<float>(CurFlame * SliderScale);
            host_.DspSldr();
            host_.SetSlr2();
            if (!TimeYusen) {
                CurFlame += KomaMove1;
            } else {
                const double elapsed = static_cast<double>(static_cast<uint32_t>(LastTick - STTick));
                CurFlame = PlaySTFlame + static_cast<int32_t>(std::floor(elapsed * KomaMove1 / interval + 0.5));
            }
        }
    } catch (const std::exception&) {
        host_.SetLabel("Combo4", "100");
        // The classic number of a division by zero or an overflow.
        host_.MsgBox("エラー(PF1)6が発生しました", msgbox::kOk, "Movalux");
    }
    Idle = true;
    host_.SetControlEnabled("ComPlay", true);
}

}  // namespace movalux
