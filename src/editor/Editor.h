#pragma once
// The headless half of the main window: the project (timeline, undo copies,
// project state), the pictures, the working record and the effect modules.
// The Qt window owns one and forwards its events; movalux-cli and the tests
// drive it directly. Everything the user sees goes through the ports.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "effects/EffectDispatcher.h"
#include "effects/EffectModule.h"
#include "effects/Surface.h"
#include "model/EffRec.h"
#include "model/EffTimeline.h"

namespace movalux {

class Host;
class Panel;
class FrameSource;
class MozaikModule1;

inline constexpr int16_t kTrue = -1;
inline constexpr int16_t kFalse = 0;

class Editor : public EffectEnv {
public:
    Editor(Host& host, Panel& panel);
    ~Editor() override;
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // --- Project state ---------------------------------------------------
    EffTimeline EffArr;
    EffTimeline UndoArr;
    int16_t SelLay = 0;
    std::array<int16_t, 5> LayEnable{kTrue, kTrue, kTrue, kTrue, kTrue};
    int16_t MvOpen = kFalse;
    std::string MvFName;
    std::string EdFName;
    std::string RecFName;
    int16_t EdSaved = kTrue;
    int32_t CurFlame = 0;
    int32_t MvSTFlame = 0;
    int32_t MvENDFlame = 0;
    int32_t STFlame = 0;
    int32_t ENDFlame = 0;
    int32_t RangeST = 0;   // slider range start
    int32_t RangeEND = 0;  // slider range end
    int32_t STFlamePos = 0;   // slider positions of the marked start and end
    int32_t ENDFlamePos = 0;
    double SliderScale = 1.0;  // slider units per frame
    int32_t TLRows = 60;
    int32_t TLTop = 0;
    int32_t HokanST = -1;
    int32_t HokanEND = -1;
    int32_t HokanRngST = -1;
    int32_t HokanRngEND = -1;
    int16_t KoukaSel = 1;
    std::string ResName;
    int32_t EffResult = 0;
    int16_t FixSize = kFalse;
    int16_t ShiftDown = kFalse;
    EffRec DelBuf;
    // The last confirmation box: text, style as decimal text, title, answer.
    std::string MsgText;
    std::string MsgStyle;
    std::string MsgTitle;
    int16_t MsgAnswer = 0;

    // --- Effect protocol state ------------------------------------------
    EffRec WorkRecord;
    float PanelScale = 1.0f;
    int16_t ParamValue = 0;

    // --- Frame display state --------------------------------------------
    double FrameRate = 0;     // frames per second of the open movie
    bool PreviewOn = true;    // CheckPreVew
    bool Dragging = false;    // a region is being drawn on PictMain
    bool Idle = true;         // false while playing, writing or building from stills

    // --- Operations --------------------------------------------------------
    // Stores WorkRec into the selected layer at the current frame, then
    // cancels key-frame picking and empties the key-frame boxes.
    void SetEffect();
    // Key-frame picking off; keepText keeps the key-frame boxes' texts.
    void HokanCancel(bool keepText);
    // Empty timeline and undo copies for frames first..last (indices 0 to
    // last - first + 1).
    void recreateTimeline(int32_t firstFrame, int32_t lastFrame);
    // The project part of releasing the movie.
    void releaseMovieRecords();
    // Slider positions of the marked start and end from the marked frames.
    void updateMarkedPositions();

    int32_t JumpEff(int16_t KoukaNom, int16_t DoNom, int16_t& Button, int16_t& Shift, float& X, float& Y,
                    int32_t& a, int32_t& b);
    // For callers whose arguments carry nothing back.
    int32_t jumpEffValues(int16_t KoukaNom, int16_t DoNom, int16_t Button = 0, int16_t Shift = 0,
                          float X = 0, float Y = 0, int32_t a = 0, int32_t b = 0);

    // Shows the current frame with its effects: the frame number, or -1
    // when no picture came.
    int32_t DspFrame2() override;
    // PictMain onto PictJT.
    void GetPic();

    // Sizes PictMain, PictJT and PictMsk for a movie (contents discarded).
    void setPictureSize(int width, int height);
    void setFrameSource(FrameSource* source) { frameSource_ = source; }

    // Which shape the panel's preview icon shows (the mask's choice).
    void setShapeIcon(int16_t shape, bool outside);

    const EffectDispatcher& dispatcher() const { return dispatcher_; }
    // Modules of later effects, and test modules, join the dispatcher here.
    void registerModule(int16_t number, EffectModule* module) { dispatcher_.registerModule(number, module); }
    MozaikModule1& mosaic() { return *mosaic_; }

    // --- EffectEnv -------------------------------------------------------
    Surface& PictMain() override { return pictMain_; }
    Surface& PictJT() override { return pictJT_; }
    Surface& PictMsk() override { return pictMsk_; }
    Surface& PreVewPict() override { return preVewPict_; }
    EffRec& WorkRec() override { return WorkRecord; }
    Panel& panel() override { return panel_; }
    Host& host() override { return host_; }
    void DrawShapeIcon() override;

private:
    Host& host_;
    Panel& panel_;
    FrameSource* frameSource_ = nullptr;
    Surface pictMain_;
    Surface pictJT_;
    Surface pictMsk_;
    Surface preVewPict_;
    EffectDispatcher dispatcher_;
    std::unique_ptr<MozaikModule1> mosaic_;
    int16_t iconShape_ = 0;
    bool iconOutside_ = false;
};

}  // namespace movalux
