#include "effects/RevModule1.h"

#include <algorithm>

#include "effects/RasterOps.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

constexpr uint32_t kInvertBits = kRgbMask;

// Columns [x0, x1] of one line, clipped to the picture's width.
void invertSpan(uint32_t* row, int width, int64_t x0, int64_t x1) {
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, width - 1);
    for (int64_t x = x0; x <= x1; ++x) row[x] = (row[x] ^ kInvertBits) | kOpaque;
}

}  // namespace

void invertInside(Surface& pic, int32_t X, int32_t Y, int32_t W, int32_t H) {
    const int64_t y0 = std::max<int64_t>(Y, 0);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(Y) + H, pic.height() - 1);
    for (int64_t y = y0; y <= y1; ++y)
        invertSpan(pic.row(static_cast<int>(y)), pic.width(), X, static_cast<int64_t>(X) + W);
}

void invertOutside(Surface& pic, int32_t X, int32_t Y, int32_t W, int32_t H) {
    const int64_t right = static_cast<int64_t>(X) + W;
    const int64_t bottom = static_cast<int64_t>(Y) + H;
    const int width = pic.width();
    for (int y = 0; y < pic.height(); ++y) {
        uint32_t* row = pic.row(y);
        // Only lines strictly between the top and bottom edges keep a middle
        // run: the columns strictly between the left and right edges.
        if (Y < y && y < bottom && static_cast<int64_t>(X) + 1 <= right - 1) {
            invertSpan(row, width, 0, X);
            invertSpan(row, width, right, width - 1);
        } else {
            invertSpan(row, width, 0, width - 1);
        }
    }
}

int32_t RevModule1::handle(EffArgs& args) {
    fixSize_ = args.FixSize != 0;
    switch (args.DoNom) {
        case cmd::kMouseDown:
            gesture_.mouseDown(env_, fixSize_, args.X, args.Y);
            return 0;
        case cmd::kMouseMove:
            gesture_.mouseMove(env_, fixSize_, args.X, args.Y);
            return 0;
        case cmd::kMouseUp:
            gesture_.mouseUp(env_, fixSize_, args.X, args.Y);
            EffApply();
            gesture_.endDrawing();
            return 0;
        case cmd::kRender: {
            struct RenderScope {
                RevModule1& m;
                explicit RenderScope(RevModule1& mod) : m(mod) { m.render_ = true; }
                ~RenderScope() {
                    m.render_ = false;
                    m.param_ = m.savedParam_;
                    m.text_ = m.savedText_;
                    m.inside_ = m.text_ == "0";
                }
            } scope(*this);
            EffApply();
            return 0;
        }
        case cmd::kXYSet:
            if (gesture_.xySet(env_, args.Button, args.Shift, args.X, args.Y)) EffApply();
            gesture_.endDrawing();
            return 0;
        case cmd::kPanel:
            layoutScale_ = args.X;
            EffPanel();
            return kouka::kInvert;
        case cmd::kParam:
            DoParam(args.Button);
            env_.DrawShapeIcon();
            return kouka::kInvert;
        case cmd::kHokan:
            return 1;
        default:
            return 0;
    }
}

void RevModule1::DoParam(int16_t code) {
    if (code == ctl::kOption3) {
        text_ = "0";
        savedText_ = text_;
    } else if (code == ctl::kOption4) {
        text_ = "1";
        savedText_ = text_;
    }
    inside_ = text_ == "0";
}

void RevModule1::EffPanel() {
    Panel& p = env_.panel();
    p.setVisible("Frame5", true);
    p.setCaption("Frame5", "反転範囲");
    for (const char* hidden :
         {"Frame6", "Combo5", "Combo6", "Label6", "Label3", "Label1", "RDPictBtn", "PreVewPict",
          "Combo1", "ComdBtn2", "ComSTP2", "HScroll1", "HScroll2", "HScroll3"})
        p.setVisible(hidden, false);
    p.setEnabled("ComFdIn", false);
    p.setEnabled("ComFdOut", false);
    p.setEnabled("mnuAll", true);
    p.setChecked("Option3", true);
    p.setCaption("Option3", "内側");
    p.setCaption("Option4", "外側");
    layoutCoordinateFrame(p, layoutScale_);

    text_ = "0";
    inside_ = true;
    param_ = 8;
    savedText_ = text_;
    savedParam_ = param_;
    env_.DspFrame2();
}

void RevModule1::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_ && !gesture_.drawing) {
        gesture_.X = static_cast<float>(wholeNumber(work.X));
        gesture_.Y = static_cast<float>(wholeNumber(work.Y));
        gesture_.W = static_cast<float>(wholeNumber(work.W));
        gesture_.H = static_cast<float>(wholeNumber(work.H));
        param_ = work.Param;
        text_ = work.Text;
    }
    inside_ = text_ == "0";
    const int32_t x = wholeNumber(gesture_.X), y = wholeNumber(gesture_.Y);
    const int32_t w = wholeNumber(gesture_.W), h = wholeNumber(gesture_.H);

    Surface& main = env_.PictMain();
    const Surface& before = env_.PictJT();
    if (main.width() == before.width() && main.height() == before.height())
        copyPicture(main, before);
    else
        env_.host().MsgBox(kReadFailedText, msgbox::kOk, kAppTitle);
    if (inside_)
        invertInside(main, x, y, w, h);
    else
        invertOutside(main, x, y, w, h);
    env_.host().Refresh(Picture::PictMain);

    work.Kind = kouka::kInvert;
    work.X = gesture_.X;
    work.Y = gesture_.Y;
    work.W = gesture_.W;
    work.H = gesture_.H;
    work.Param = param_;
    work.Text = text_;
    gesture_.showRegion(env_.panel());
}

}  // namespace movalux
