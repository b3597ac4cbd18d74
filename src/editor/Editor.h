#pragma once
// The headless half of the main window: the project (timeline, undo copies,
// project state), the pictures, the working record and the effect modules.
// The Qt window owns one and forwards its events; movalux-cli and the tests
// drive it directly. Everything the user sees goes through the ports.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/Autosave.h"
#include "effects/DibBits.h"
#include "effects/EffectDispatcher.h"
#include "effects/EffectModule.h"
#include "effects/OverlayShared.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "media/StreamInfo.h"
#include "media/TimeText.h"
#include "model/EffRec.h"
#include "model/EffTimeline.h"
#include "model/UndoHistory.h"
#include "vision/ObjectDetector.h"
#include "vision/RegionTracker.h"

namespace movalux {

class Host;
class Panel;
class FrameSource;
class MozaikModule1;
class MaskModule1;
class BokasiMod1;
class BriteModule1;
class RGBModule1;
class RevModule1;
class KakudaiMod;
class ArrowModule1;
class PictModule1;
class PictMod2;
class MovieModule1;
class MovieSource;
class FrameGrab;

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
    int32_t RangeST = 0;     // slider range start
    int32_t RangeEND = 0;    // slider range end
    int32_t STFlamePos = 0;  // slider positions of the marked start and end
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
    double FrameRate = 0;   // frames per second of the open movie
    bool PreviewOn = true;  // CheckPreVew
    bool Dragging = false;  // a region is being drawn on PictMain
    bool Idle = true;       // false while playing, writing or building from stills

    // --- Operations --------------------------------------------------------
    // Every command that changes what a save would write calls this: the
    // project is unsaved, and one more change is counted for the autosave.
    void markChanged();
    // Changes made since the editor was created.
    uint64_t changeCount() const { return changeCount_; }
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

    int32_t JumpEff(int16_t KoukaNom, int16_t DoNom, int16_t& Button, int16_t& Shift, float& X,
                    float& Y, int32_t& a, int32_t& b);
    // For callers whose arguments carry nothing back.
    int32_t jumpEffValues(int16_t KoukaNom, int16_t DoNom, int16_t Button = 0, int16_t Shift = 0,
                          float X = 0, float Y = 0, int32_t a = 0, int32_t b = 0);

    // After an edit: the current frame drawn again from the timeline with
    // every enabled layer, as writing will draw it (not while playing,
    // writing or dragging, whose pictures are their own).
    void showFrameAsWritten();
    // While a panel's bars preview an effect on the working record, which
    // is stored only at the next click on the frame: the current frame drawn
    // as it will be written once stored, the working record standing in for
    // the selected layer's record, the layers above drawn over it.
    void showFrameWithWorkingRecord();
    // The scale the window shows the picture at: rubber bands of the next
    // gesture are drawn wide enough to show as one screen pixel or more.
    void setViewScale(double scale);
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
    void registerModule(int16_t number, EffectModule* module) {
        dispatcher_.registerModule(number, module);
    }
    MozaikModule1& mosaic() { return *mosaic_; }
    MaskModule1& mask() { return *mask_; }
    BokasiMod1& blur() { return *blur_; }
    BriteModule1& brightness() { return *brightness_; }
    RGBModule1& colourTone() { return *colourTone_; }
    RevModule1& invert() { return *invert_; }
    KakudaiMod& zoom() { return *zoom_; }
    ArrowModule1& arrow() { return *arrow_; }
    PictModule1& picture() { return *picture_; }
    PictMod2& picture2() { return *picture2_; }
    MovieModule1& movieOverlay() { return *movieOverlay_; }
    // PictStart, PictEnd, PicEffect, the resource table and the loaders of
    // the overlay effects.
    OverlayShared& overlay() { return overlay_; }
    // Tests give their own loaders; null gives the FFmpeg ones back.
    void setOverlayMedia(OverlayMedia* media);

    // --- Undo history and slider position -------------------------------
    // UndoHist, UndoPos, UndoSlot, UndoArmed, UndoCode; the copies are the
    // rows of UndoArr.
    UndoHistory undo;
    float SliderPos = 0;  // the current frame's position on the overview slider

    // --- Key-frame interpolation and fades -------------------------------
    // Fills the frames between the key frames typed in TextHSt and TextHEnd
    // on the selected layer. False when it stopped: after one of its two
    // messages, or silently when a box holds no frame of the timeline.
    // Nothing has changed then.
    bool HokanEffect();
    // Interpolation, then the level rises from 100 to the second key
    // frame's (fade-in) or from the first key frame's towards 100 (fade-out).
    void SetFDIn();
    void SetFDOut();

    // --- Editing commands ------------------------------------------------
    // The release that ends a region drawn on PictMain (only while Dragging):
    // stores the module's record at the selected layer and current frame as
    // one undo step.
    void PictMain_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
    // Numeric entry of a region from the coordinate boxes Xzahyou, Yzahyou,
    // Wzahyou and Hzahyou. An entry the module refuses stores nothing.
    void XYSet_Click();
    // The panel's effect over the whole frame.
    void mnuAll_Click();
    // Deletes the picked key frame, or clears the effect of every frame
    // between two picked key frames.
    void mnuEfDelete_Click();
    // Moves the selected layer's record at Flm into DelBuf and empties it.
    void DelEffect(int32_t Flm);
    // The marked range becomes the whole movie again.
    void mnuDelSel_Click();
    // Jumps forward (intHoko 1) or backward (-1) to the edge of the effect
    // run on the selected layer, within the marked range.
    void JmpEffEdge(int16_t intHoko);

    // --- Undo and redo ---------------------------------------------------
    // Snapshot request: intDoCode the kind of change that follows (0: the
    // last one). intCode 1, undo asking for the state redo returns to, takes
    // nothing: every step keeps what its own redo needs.
    void UndoN1(int16_t intCode, int16_t intDoCode);
    // What every editing command does first: an undo step of kind `code`
    // taken with the selected layer (a copy of it for changes of records).
    // The UndoArr slot that holds the copy, or -1 when none was taken.
    int16_t takeUndoStep(int16_t code);
    // Undo reverses the newest step not yet undone and redo repeats the
    // last one undone, each from its own entry; both mark the project
    // unsaved. An undo straight after a timeline click that selected another
    // layer reverses the step before the click.
    void GoUndo();
    void GoRedo();
    // Clears the history (saving or reading the edit file, opening a movie).
    void EffUndoErase();

    // --- Layers ----------------------------------------------------------
    // Mouse presses on the layer number strip and the layer enable strip;
    // each layer is a column 22 pixels wide.
    void SelLayer(int16_t Button, int16_t Shift, float X, float Y);
    void SelLayEnable(int16_t Button, int16_t Shift, float X, float Y);
    // Swap the selected layer with its neighbour; the selection follows.
    void MoveLayRight();
    void MoveLayLeft();
    // Removes the selected layer; the layers above move down by one.
    void LayerErase();
    // The two layer strips are drawn again (and the timeline with them).
    void DspSelLayer();
    void DspLayEnable();

    // --- Edit file, save prompts, effect choice -----------------------------
    // Asks for a name and saves: 0 on success or an empty name, 32755 when
    // the dialog was cancelled, otherwise the error number (nothing written).
    int16_t EDFileSave();
    void mnuEdFileSaveAs_Click();
    // Saves to this path without asking (EDFileSave after its dialog).
    int16_t saveEditFileTo(const std::string& path);
    // What a save would write now (the resource slot queries included).
    EditFileContent editFileContent();
    void mnuEdFileOpen_Click();
    struct ReadOptions {
        bool openMovie = true;  // movalux-cli edits files whose movie is elsewhere
    };
    // Opens the movie at MvFName: the movie source's OpenMovie (declared
    // here because reading an edit file calls it; defined with the source).
    void OpenMovie();
    enum class ReadOutcome {
        Read,            // the whole file was read
        Damaged,         // reading stopped at a damaged line; what came before stays
        NotOurs,         // wrong first item: nothing read
        Stopped,         // the missing movie was not found: nothing read
        MovieNotOpened,  // the file's movie could not be opened: nothing read
        Unreadable,      // the file could not be opened
    };
    // Reads an edit file (mnuEdFileOpen_Click after its dialog).
    ReadOutcome readEditFile(const std::string& path, ReadOptions options);
    ReadOutcome readEditFile(const std::string& path) { return readEditFile(path, ReadOptions{}); }
    // The reading that follows the file names, on the file's bytes.
    ReadOutcome readEditFileBytes(std::string_view bytes, ReadOptions options);
    // Lets the user find a missing file (type 1 movie, 2 picture): the name
    // to use, "" when the search failed.
    std::string ChngFName(const std::string& FName2, int16_t FType);
    // The prompt before unsaved work is dropped (program end, releasing the
    // movie): true when the caller may go on.
    bool confirmDropUnsaved();
    // Closing the main window: true when it may close.
    bool Form_Unload();
    void PRGEnd();
    // The effect list: the panel is rebuilt for the named effect.
    void Combo3_Click(std::string_view effectName);
    // Shows the marked start (the fine slider starting at the range start).
    void JmpST();

    // --- Movie: open, release, read-outs (editor/OpenMovie.cpp) ------------
    double MvDuration = 0;                       // seconds of video
    int16_t MvSound = kFalse;                    // the movie has sound
    AviStreamInfo StreamInfo;                    // what the written movie is described with
    int32_t WholeFps = 0;                        // StreamInfo's rate / scale, rounded
    DibHeader GrabHeader;                        // the decoded frame
    DibHeader WorkHeader;                        // PictMain as 24-bit rows padded to 4 bytes
    std::array<std::vector<uint8_t>, 3> PixBuf;  // GetPic2 fills the first
    TimeRuler MvRuler;                           // the time ruler beside the overview slider

    // The open dialog; a chosen movie replaces the open one.
    void mnuOpen_Click();
    // Files dropped on PictMain; exactly one movie is opened.
    void PictMain_OLEDragDrop(const std::vector<std::string>& files);
    // One name of a movie type; otherwise a message and false.
    bool ChkFName(const std::vector<std::string>& names);
    // MvFName, and the default edit file and output movie names beside it.
    void setMovieNames(const std::string& moviePath);
    // 0 when MvFName was opened and now is the movie (the open one released),
    // 1 when it cannot be read; the open movie is then untouched.
    int16_t OpenStream2();
    // Releases the movie's decoder and the temporary sound file.
    void CloseStream();
    // Releases the movie and resets the project (after the save prompt).
    void MVFree();
    // Label22 and Label20: the marked range's length in frames and as time.
    void ChkMVLength();
    // PictMain into PixBuf[0] as 24-bit bottom-up rows (WorkHeader); the
    // number of rows read.
    int32_t GetPic2();
    // Arms a grab for one picture; DspPict paints an arrived one into the
    // target at (0, 0) with the given size: 0, or 1 when none came.
    int32_t GetGrPict2(FrameGrab& grab);
    int32_t DspPict(int32_t BbiWidth, int32_t BbiHeight, FrameGrab& grab, Surface& target);
    MovieSource* movie() { return movie_.get(); }
    // OpenMovie's outcome, for the callers that put things back on failure.
    // report: a failure shows the movie's own message and label; without it
    // the caller tells the user.
    bool openMovieAndReport(bool report = true);

    // --- Window-side commands: mouse on PictMain, sliders, timeline clicks,
    // steps and jumps, keys, panel controls (editor/WindowCommands.cpp) -----
    // The band of frames chosen on the frame strip; an end of 0 means none.
    int32_t FrmSelST = 0;
    int32_t FrmSelEND = 0;
    // Start-up steps 9 and 10: the modules' first commands, then the movie
    // named on the command line (one name; a blank in it is refused).
    // The command line's arguments: one movie name, which may hold blanks.
    void startUp(const std::vector<std::string>& arguments);
    // A mouse position as the modules get it: 0 and up, so that a press or
    // release left of or above the picture never reads as the whole-frame
    // value -1 of mnuAll.
    static float pointerOnPicture(float v) { return v > 0 ? v : 0.0f; }
    void PictMain_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void PictMain_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    // Timeline click; stripHeight is the timeline's height in its own units.
    void PictTLine_MouseDown(int16_t Button, int16_t Shift, float X, float Y, float stripHeight);
    // Overview slider click, Y in slider units.
    void PicSldr_MouseDown(float Y);
    // Frame strip click; stripHeight is the frame strip's height.
    void PicSldr2_MouseDown(float Y, float stripHeight);
    // The page following of SetSlr2: true when the page moved (its times
    // and the timeline must then be drawn again).
    bool followPage();
    // y of the current frame on the frame strip of the given height.
    int32_t frameCursorPos(float stripHeight) const;
    void SetSTFlame();
    void SetENDFlame();
    void PlayMvStep();
    void PlayMvRevStep();
    void PlayMvPageUp();
    void PlayMvPageDown();
    void PlayMvJpEnd();
    void PlayMvJpST();
    void JmpEnd();
    // The mouse wheel; playEnabled is whether ComPlay is enabled.
    void vbWheelMinus(bool playEnabled);
    void vbWheelPlus(bool playEnabled);
    // Keys by their classic codes (16 Shift, 17 Ctrl, 27 Esc, 113-118 F2-F7).
    void Form_KeyDown(int16_t KeyCode);
    void Form_KeyUp(int16_t KeyCode);
    // Enter (13) in TextPos jumps to the typed frame.
    void TextPos_KeyDown(int16_t KeyCode);
    // The effect panel's controls.
    void Combo1_Click();
    void Combo5_Click();
    void Combo6_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Option6_Click();
    void HScroll1_Change();
    void HScroll2_Change();
    void HScroll3_Change();
    void RDPictBtn_Click();
    void ComdBtn2_Click();
    void ComSTP2_Click();
    void PreVewPict_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void CheckPreVew_Click();
    void mnuTouka_Click();
    void mnuTokaNon_Click();
    // The overview slider strip's height in its units.
    static constexpr int32_t kSliderStripUnits = 485;

    // --- Playback (playback/PlayFrame.cpp) -----------------------------------
    double PlaySpeed = 1.0;     // Combo4 / 100
    bool TimeYusen = true;      // skip frames to keep time
    bool TimeYusenMenu = true;  // "再生時間優先" checked (else "表示優先")
    int16_t PlayDirection = 1;  // of the last play command
    int32_t PlaySTFlame = 0;    // current frame when the play loop began
    uint32_t LastTick = 0;      // clock at the last shown frame
    uint32_t STTick = 0;        // clock when the loop began
    // Play forward (ComPlay, F11) or backward (ComBack, F8) through the play
    // range with the effects, until its end or a pause.
    void PlayMv();
    void PlayRev();
    void PlayFrame(int16_t KomaMove1);
    // ComStp, F9: ends a play loop or a write at its next pass.
    void PlayPause();
    void SetYusen();
    void Combo4_Click(std::string_view speedText);
    void mnuTimeY_Click();
    void mnuFrameY_Click();
    // The play range: the marked range (選択内) or the whole movie (全体).
    void Option1_Click();
    void Option2_Click();
    // "再生(音付)": the movie from the current frame to the end of the play
    // range at the speed of Combo4 with its sound, the picture following
    // the sound (playback/RealTimePlayback.cpp). PlayPause ends it; the
    // frame reached stays current, shown with its effects.
    void mnuPlay_Click();

    // --- Following a region through the movie (editor/Follow.cpp) ---------
    enum class FollowStop {
        ReachedEnd,  // every frame up to the end asked for has the record
        Lost,        // the content could not be found in the next frame
        Paused,      // the user stopped it
        NoRecord,    // the start frame of the layer holds no effect with a region
        NoPicture,   // a frame of the movie could not be read
    };
    struct FollowResult {
        int32_t followed = 0;    // frames that received a record
        int32_t lastFrame = -1;  // the last frame that received one
        int32_t stoppedAt = -1;  // the frame where it stopped short, -1 at the end
        FollowStop why = FollowStop::NoRecord;
    };
    // How following chooses its tracker: the fast one, handing over to the
    // accurate one where the fast one loses the content (the default), or
    // one of them throughout.
    enum class FollowWith { FastThenAccurate, Fast, Accurate };
    // Copies the record of `layer` at frame `from` onto every frame towards
    // `to` (either direction), its region moved with the content the
    // region holds, as one undo step of that layer, which becomes the
    // selected one. The current frame ends on the last frame followed.
    FollowResult followRegion(int layer, int32_t from, int32_t to,
                              FollowWith with = FollowWith::FastThenAccurate);

    // --- Checking that nothing is left uncovered (editor/Check.cpp) -------
    struct Sighting {
        int32_t frame = 0;
        bool plate = false;  // a number plate, else a face
        PixelRect where;
    };
    struct CheckResult {
        std::vector<Sighting> seen;
        int32_t checked = 0;     // frames searched
        int32_t stoppedAt = -1;  // a frame without a picture, or where the user paused
        bool paused = false;
        std::string error;  // a detector that could not be loaded
    };
    // Frames first..last drawn with their effects, as writing draws them,
    // searched for faces and/or number plates.
    CheckResult checkUncovered(int32_t first, int32_t last, bool faces, bool plates);

    // --- Finding faces and number plates and hiding them (editor/Detect.cpp)
    struct FoundTrack {
        int32_t first = 0, last = 0;  // frames it covers
        int layer = -1;               // where its records went; -1 left out
        int32_t found = 0;            // frames where the detector saw it
        int32_t bridged = 0;          // frames between sightings filled by following
        bool joined = false;          // no layer of its own: its regions joined another track's
    };
    struct FindResult {
        std::vector<FoundTrack> tracks;  // in order of their first frame
        int32_t written = 0;             // tracks that received records on a layer of their own
        int32_t joined = 0;              // tracks joined to another's regions for want of layers
        int32_t leftOut = 0;             // tracks that no layer could take
        int32_t scanned = 0;             // frames searched
        int32_t stoppedAt = -1;          // a frame without a picture, or where the user paused
        bool paused = false;
        std::string error;  // a detector that could not be loaded
    };
    // Searches frames first..last of the movie for faces or plates, joins
    // the sightings of one object across frames into a track (short misses
    // bridged by following it), and writes every track as records of
    // `effect` (its kind, parameter and text; the region of each frame the
    // object's, grown by a fifth so that its edges stay covered). The first
    // track goes on `layer`, tracks seen at the same time on the next
    // enabled layers that hold nothing over their frames; when there are
    // more at once than such layers, a track's regions join those of the
    // track written nearest on one of them; one undo step.
    // `coarserForLarge`: a mosaic's blocks grow with a large object (the
    // effect's parameter is the smallest block), as a fixed block size
    // leaves a large face recognisable.
    FindResult findAndHide(int32_t first, int32_t last, ObjectDetector::Target target, int layer,
                           const EffRec& effect, bool coarserForLarge = false);
    // The record that finding writes unless told otherwise: a mosaic of
    // 16-pixel blocks inside the region.
    static EffRec defaultHidingRecord();

    // --- Writing movies, sound and conversions (editor/MovieRecord.cpp) ----
    int16_t RecSound = kTrue;  // with sound: menuRec and ComRec set it, menuRecM clears it
    bool RecForward = true;    // writing direction: Option7 (正転) true, Option8 (逆転) false
    float RecSpeed = 1.0f;     // writing speed: Combo2 / 100, within 0.1 .. 10
    double AdjVValue = 0;      // the last accepted frame-rate adjustment (AdjV)
    int64_t RecFramesWritten = 0;   // pictures in the last written movie
    int64_t RecFramesExpected = 0;  // pictures the last write was asked for
    bool RecPaused = false;         // the last write was ended early by the pause button
    // The last write was stopped by a second pause while its sound was being
    // joined: nothing was written, an earlier file of that name is intact.
    bool RecStopped = false;
    std::string RecError;   // why the last write failed, in FFmpeg's words (for the CLI)
    double RecSeconds = 0;  // how long the last write took, from its first frame to its end
    enum class RecOutcome { Written, Cancelled, Failed };
    RecOutcome menuRec_Click();
    RecOutcome menuRecM_Click();
    RecOutcome ComRec_Click();
    void Option7_Click() { RecForward = true; }
    void Option8_Click() { RecForward = false; }
    // The pause button: a running write, sound or conversion ends early.
    void ComStp_Click() { Idle = true; }
    // The whole write of the marked range with its effects.
    RecOutcome MVRec();
    // The movie's own last frame, counted in the frames of the timeline
    // (the edit file's range may claim more than a damaged movie holds);
    // -1 without a movie.
    int32_t movieLastFrame() const;
    // Frames of first..last that the open movie lacks, as "A" or "A to B";
    // empty when it has them all.
    std::string framesLacking(int32_t first, int32_t last) const;
    // Whether writing `out` would write over the movie being read.
    bool writesOverMovie(const std::string& out) const;
    // The sound (and with boolVideo the uncompressed picture) of frames
    // TempMframeST..TempMframeEND stretched by the writing speed into
    // WrFileName: 0 when written, 1 when it failed.
    int32_t MakeWave(int32_t TempMframeST, int32_t TempMframeEND, const std::string& WrFileName,
                     bool boolVideo);
    // MakeWave on a section given in seconds (a write that stopped between
    // frames keeps its sound exactly as long as its picture).
    // With sourceTime the seconds are the source's own (a write's sound);
    // otherwise they are stretched by the rate adjustment.
    int32_t makeWaveSeconds(double fromSeconds, double toSeconds, const std::string& WrFileName,
                            bool boolVideo, bool sourceTime = false);
    // The movie's picture shown at frame n: the one on screen n / adjusted
    // rate after the first, in exact fractions; n itself without an
    // adjustment.
    int32_t sourceFrameFor(int32_t n) const;
    // The movie's picture of timeline frame n, without effects, into
    // `target`; false when there is none.
    bool paintTimelineFrame(int32_t n, Surface& target);
    // The last frame of the timeline that shows a picture of the movie (a
    // slower adjusted rate runs out of pictures before the timeline ends).
    int32_t lastFrameWithPicture() const;
    // "音のみ(wav)" and "ムービー変換".
    RecOutcome menuRecS_Click();
    RecOutcome MnuChangeMV_Click();
    // The AdjV dialog: menuZure_Click gives the text for AdjVText;
    // AdjVComd_Click takes it back and says whether the dialog may close.
    std::string menuZure_Click() const;
    bool AdjVComd_Click(std::string_view AdjVText);
    void SetAdjV(double dblAdjV2);
    // The encoders the compressor dialog offers, and its preset.
    static std::vector<CompressorOption> compressorOptions();
    static CompressorSettings defaultCompressorSettings();
    // The writing speed that Combo2 shows now.
    float writingSpeedFromCombo2() const;
    // The save dialog and MakeWave over the marked range that the sound-only
    // write and the conversion share: MakeWave's result, or nothing when the
    // dialog was cancelled. The controls are given back either way.
    std::optional<int32_t> writeMarkedSection(const char* filter, const char* fileName,
                                              bool boolVideo);

    // --- Autosave and recovery (editor/Recovery.cpp) -----------------------
    // Writes the unsaved project into the recovery folder from now on (the
    // window turns this on; movalux-cli and most tests leave it off).
    void enableAutosave(const std::string& folder, AutosavePolicy policy = {});
    Autosave* autosave() { return autosave_.get(); }
    // Whether AutosaveTick would start a write now.
    bool autosaveDue();
    // The window's timer: starts writing the project for recovery when it
    // has changes not yet written and a write is due. True when one started.
    bool AutosaveTick();
    // Start-up: offers the projects left unsaved by editors that are no
    // longer running ("はい" opens one, "いいえ" keeps them for later).
    void offerRecovery();
    // "復元...": lists those projects; the chosen one replaces the project.
    void mnuRecover_Click();

    // --- Still pictures (editor/Stills.cpp) --------------------------------
    enum class StillsOutcome {
        Written,    // everything asked for was written
        Cancelled,  // the user said no before anything was written
        Stopped,    // ended early (pause, a picture that differs); what was written is valid
        Failed,     // nothing (more) could be written
    };
    int64_t StillsWritten = 0;  // pictures saved, or frames of the built movie, by the last run
    int64_t StillsAsked = 0;    // what the last run set out to write
    std::string StillsError;    // why the last run stopped, in plain words (for the CLI)
    std::string StillsOutput;   // the movie the last build wrote
    // "画像の保存(１コマ)": the picture on screen as one BMP (or PNG) file.
    StillsOutcome MnuPicSave_Click();
    // "画像の保存(連続)": every frame of the marked range with its effects as
    // numbered pictures.
    StillsOutcome MnuPPPSave_Click();
    // The run after its question and dialog: stem + frame (at least three
    // digits) + extension (".bmp" or ".png"), frames STFlame..ENDFlame.
    StillsOutcome saveNumberedStills(const std::string& stem, const std::string& extension);
    // "画像から動画作成": an uncompressed movie from a numbered run of
    // pictures, asking for the first and the last.
    StillsOutcome MnuMakeMV_Click();
    // The build after the two open dialogs: Form2, then the movie. An empty
    // outPath gives the first picture's stem + ".avi".
    StillsOutcome makeMovieFromStills(const std::string& firstName, const std::string& lastName,
                                      const std::string& outPath = {});
    // The frame rate of Form2's Text1: its numeric value within 1 .. 30.
    static int16_t form2FrameRate(std::string_view Text1);

    // --- EffectEnv -------------------------------------------------------
    Surface& PictMain() override { return pictMain_; }
    Surface& PictJT() override { return pictJT_; }
    Surface& PictMsk() override { return pictMsk_; }
    Surface& PreVewPict() override { return preVewPict_; }
    EffRec& WorkRec() override { return WorkRecord; }
    Panel& panel() override { return panel_; }
    Host& host() override { return host_; }
    void DrawShapeIcon() override;
    bool PictMainIsPictJT() const override { return jtSame_; }
    int outlineWidth() const override { return outlineWidth_; }
    void PictMainChangedWithin(int64_t x0, int64_t y0, int64_t x1, int64_t y1) override;

  private:
    // The frame display; `standIn`, when given, is drawn on the selected
    // layer in place of its stored record and never stored.
    int32_t drawFrame(const EffRec* standIn);
    int viewOutlineWidth_ = 1;  // for the view scale
    int outlineWidth_ = 1;      // of the gesture under way
    // After a bar or the neutral button of the colour-tone and brightness
    // panels, whose modules draw the working record at once over the picture
    // the panel opened on.
    void showBarPreview();
    // PictJT made a copy of PictMain again after a layer drew: only where the
    // layer said it drew, or everywhere.
    void syncPictJT();
    // An area of PictMain (pixels x0..x1-1, y0..y1-1), or, when not known,
    // the whole picture.
    struct DrawnArea {
        bool known = false;
        int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        void add(const DrawnArea& other);  // the union
    };
    DrawnArea jtStale_;  // where PictJT differs from PictMain after a layer
    bool jtSame_ = false;
    DrawnArea frameArea_;  // where the last frame display drew over the frame

    // Whether the frame display draws any layer over frame n.
    bool drawsAt(int32_t frame);
    // Shows frame CurFlame's number, time and position, as the frame display does.
    void showFramePosition();

    // A recovered project replaces the open one: false when it could not be
    // read (nothing changed then).
    bool openRecovered(const RecoveryEntry& entry);
    // The project was saved, replaced or released: its recovery file goes.
    void recoveryNotNeeded();
    std::unique_ptr<Autosave> autosave_;

    // readEditFile and readEditFileBytes; path is the file's, null for bytes.
    ReadOutcome readEditFileText(std::string_view bytes, ReadOptions options,
                                 const std::string* path);

    // --- Layer moves without undo steps, for undo and redo ---------------
    void swapSelectedLayer(int16_t n);
    // Exchanges two layers' records and enabled flags.
    void swapLayers(int a, int b);
    void copyLayer(int from, int to);
    // Layers from..3 take the records and enabled flags of the layer above.
    void closeLayerGap(int from);

    Host& host_;
    Panel& panel_;
    uint64_t changeCount_ = 0;
    FrameSource* frameSource_ = nullptr;
    Surface pictMain_;
    Surface pictJT_;
    Surface pictMsk_;
    Surface preVewPict_;
    EffectDispatcher dispatcher_;
    std::unique_ptr<MozaikModule1> mosaic_;
    // The mask module also holds the shape icon's state.
    std::unique_ptr<MaskModule1> mask_;
    std::unique_ptr<BokasiMod1> blur_;
    std::unique_ptr<BriteModule1> brightness_;
    std::unique_ptr<RGBModule1> colourTone_;
    std::unique_ptr<RevModule1> invert_;
    std::unique_ptr<KakudaiMod> zoom_;
    OverlayShared overlay_;
    std::unique_ptr<OverlayMedia> overlayMedia_;
    std::unique_ptr<ArrowModule1> arrow_;
    std::unique_ptr<PictModule1> picture_;
    std::unique_ptr<PictMod2> picture2_;
    std::unique_ptr<MovieModule1> movieOverlay_;

    // --- Movie (editor/OpenMovie.cpp) -------------------------------------
    std::unique_ptr<MovieSource> movie_;
    double movieRate_ = 0;  // the movie's own rate; FrameRate may be adjusted
    int movieRateNum_ = 0;  // the same, exactly
    int movieRateDen_ = 1;
    int64_t adjustMilli_ = 0;  // the rate adjustments so far, in thousandths

    // --- Writing movies (editor/MovieRecord.cpp) ----------------------------
    void reportSectionProgress(std::string_view task, double done, uint32_t startMs);
    // Frames done of total since startMs, for a job that goes frame by frame
    // (following, finding, checking).
    void reportFrameProgress(std::string_view task, int64_t done, int64_t total, uint32_t startMs);
    // A job that goes frame by frame starts with only the pause button live
    // (it ends the job at its next frame) and ends with its progress closed
    // and the controls back.
    void beginFrameJob();
    void endFrameJob(std::string_view task);
};

}  // namespace movalux
