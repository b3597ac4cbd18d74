#pragma once
// The window services the core needs, as a port: message boxes, file
// dialogs, the mouse pointer, letting pending window events run, the
// millisecond clock, the main window's labels and redraw requests. The Qt
// window implements it with widgets, movalux-cli on the console, tests with a
// recording fake.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace movalux {

// Classic message box styles and answers.
namespace msgbox {
inline constexpr int kOk = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kYesNoCancel = 3;
inline constexpr int kYesNo = 4;
inline constexpr int kCritical = 16;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;
inline constexpr int kDefaultButton2 = 256;
// The styles the program uses.
inline constexpr int kStyleDefault2 = 256;
inline constexpr int kStyleCriticalDefault2 = 272;
inline constexpr int kStyleYesNoCancelWarn = 307;
inline constexpr int kStyleYesNoWarn = 308;

inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
}  // namespace msgbox

struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    std::string title;
    std::string filter;    // "desc|patterns|desc|patterns"
    std::string fileName;  // initial name
    int flags = 0;         // 2: ask before overwriting an existing file
    bool cancelError = true;
};

struct FileDialogResult {
    enum class Outcome { Chosen, EmptyName, Cancelled };
    Outcome outcome = Outcome::Cancelled;
    std::string path;
    static constexpr int kCancelErrorNumber = 32755;
};

// Mouse pointers by their classic numbers.
namespace pointer {
inline constexpr int kDefault = 0;
inline constexpr int kCross = 2;
inline constexpr int kHourglass = 11;
inline constexpr int kArrowHourglass = 13;
}  // namespace pointer

// Pictures that the core paints and the window shows.
enum class Picture { PictMain, PreVewPict, PictTLine, PicSldr };

// --- Writing movies ------------------------------------------------------

// A video encoder the compressor dialog lists.
struct CompressorOption {
    std::string name;       // FFmpeg encoder name ("mpeg4", "libx264", ...)
    std::string caption;    // what the list shows
    bool lossless = false;  // quality and data rate mean nothing to it
};

// What the compressor dialog ("圧縮の指定") edits: it comes preset and the
// dialog changes it when accepted.
struct CompressorSettings {
    std::string codec;     // one of the offered names
    int quality = 90;      // 0 smallest file .. 100 best picture
    int keyInterval = 15;  // frames from one key frame to the next
    int dataRateKbps = 0;  // kilobits per second; 0: the quality rules
};

// Progress of a long write, reported every frame (the window may show it
// less often). `unit` is "frames" for movies and "%" for sound and
// conversions, whose done/total then count per cent.
struct ProgressReport {
    std::string_view task;  // "render", "sound", "convert"
    std::string_view unit;
    int64_t done = 0;
    int64_t total = 0;        // 0 when unknown
    double perSecond = 0;     // units per second so far
    double secondsLeft = -1;  // negative when unknown
    bool finished = false;    // the last report of the job: hide the bar
};

// Sound for real-time playback: interleaved 16-bit samples that a decoder
// prepares ahead. Reading never blocks.
class SoundFeed {
  public:
    virtual ~SoundFeed() = default;
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    // Copies up to maxValues samples (channels x frames) into `out`; 0 when
    // none is ready yet or the sound has run out.
    virtual size_t read(int16_t* out, size_t maxValues) = 0;
    // Everything has been decoded and handed out.
    virtual bool drained() const = 0;
    // Seconds of sound handed out so far.
    virtual double secondsRead() const = 0;
};

class Host {
  public:
    virtual ~Host() = default;

    virtual int MsgBox(std::string_view text, int style, std::string_view title) = 0;
    virtual FileDialogResult FileDialog(const FileDialogRequest& request) = 0;
    virtual void SetPointer(int pointer) = 0;
    virtual void DoEvents() = 0;
    virtual uint32_t timeGetTime() = 0;

    // Labels and text boxes of the main window that the core writes
    // (Label2, Label21, LabelTime, TextPos, ...).
    virtual void SetLabel(std::string_view name, std::string_view text) = 0;
    // The text of such a box as the user left it (TextPos, TextHSt, ...).
    virtual std::string LabelText(std::string_view name) const = 0;

    // A picture's pixels changed and should be shown again.
    virtual void Refresh(Picture picture) = 0;

    // Redraws of the window's own drawings (timeline, layer strips, sliders).
    virtual void SetTLine() = 0;
    virtual void DspSelLayer() = 0;
    virtual void DspLayEnable() = 0;
    virtual void DspSldr() = 0;
    virtual void SetSlr2() = 0;

    // --- Writing movies (MVRec, menuRecS, MnuChangeMV) -------------------
    // The defaults let ports that never write movies ignore these.

    // BTNEnable / BTNDEnable of the main window: the transport and editing
    // controls enabled or disabled as a group.
    virtual void BTNEnable() {}
    virtual void BTNDEnable() {}
    // One control of the main window by name: ComStp enabled during a
    // write, CheckPreVew checked when a write forces the preview on.
    virtual void SetControlEnabled(std::string_view /*name*/, bool /*enabled*/) {}
    virtual void SetControlChecked(std::string_view /*name*/, bool /*checked*/) {}
    // The compressor dialog: true when accepted, with `settings` filled in;
    // false when cancelled. Without a dialog the preset is accepted.
    virtual bool ICCompressorChoose(const std::vector<CompressorOption>& /*offered*/,
                                    CompressorSettings& /*settings*/, std::string_view /*title*/) {
        return true;
    }
    // Progress of a write (the progress bar ProgBar1 and the status line).
    virtual void Progress(const ProgressReport& /*report*/) {}

    // --- Still pictures -----------------------------------------------------
    // The modal dialog Form2 ("AVIファイルを作成します"): its label shows
    // `label`, its box Text1 starts with `Text1`. True for OK ("Command1"),
    // with Text1 holding what was typed; false for キャンセル. Without a
    // dialog the preset is accepted.
    virtual bool ShowForm2(std::string_view /*label*/, std::string& /*Text1*/) { return true; }

    // --- Playback --------------------------------------------------------
    // Lets window events run while waiting up to maxMs for the next one, so
    // that a play loop waiting for its next frame neither spins a core nor
    // stops the window. Hosts with their own clock (tests) advance it.
    virtual void WaitEvents(uint32_t maxMs);

    // --- Real-time playback with sound -----------------------------------
    // Starts playing `feed` on the sound output: false when there is no
    // output that can play it (the picture then keeps the system clock).
    // The feed outlives the sound until StopSound.
    virtual bool StartSound(SoundFeed& /*feed*/) { return false; }
    // Seconds of sound played since StartSound; negative when the output
    // failed (the picture then goes on by the system clock).
    virtual double SoundSeconds() { return -1; }
    virtual void StopSound() {}
    // A label's background in the classic blue-green-red colour value;
    // negative for the window's button-face colour.
    virtual void SetLabelColor(std::string_view /*name*/, int32_t /*bgr*/) {}

    // --- Recovery --------------------------------------------------------
    // A modal list: the index of the item chosen, or -1 when the user
    // cancelled. With a removeCaption the list has a button of that caption
    // too, which answers the item selected with `remove` set. Without a list
    // nothing is chosen.
    struct ListChoice {
        int index = -1;
        bool remove = false;
    };
    virtual ListChoice ChooseFromList(std::string_view /*title*/, std::string_view /*prompt*/,
                                      const std::vector<std::string>& /*items*/,
                                      std::string_view /*removeCaption*/ = {}) {
        return {};
    }
};

}  // namespace movalux
