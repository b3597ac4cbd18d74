#pragma once
// The window services the core needs, as a port: message boxes, file
// dialogs, the mouse pointer, letting pending window events run, the
// millisecond clock, the main window's labels and redraw requests. The Qt
// window implements it with widgets, movalux-cli on the console, tests with a
// recording fake.

#include <cstdint>
#include <string>
#include <string_view>

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
    std::string filter;  // "desc|patterns|desc|patterns"
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
};

}  // namespace movalux
