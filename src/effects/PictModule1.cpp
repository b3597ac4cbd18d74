#include "effects/PictModule1.h"

#include <filesystem>
#include <system_error>

#include "base/NumberText.h"
#include "effects/RasterOps.h"
#include "effects/RegionGesture.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

constexpr const char* kFindText = "ファイルが見つかりません　探しますか";
constexpr const char* kNotFoundText = "ファイルが見つかりません";
constexpr const char* kCannotOpenText = "ファイルが開けません";
constexpr const char* kReplaceText = "現在のマスク画像を入れ替えますか？";
constexpr const char* kChooseFilter = "*.bmp;*.gif;*.jpg|*.bmp;*.gif;*.jpg";
constexpr const char* kSearchFilter =
    "BMPﾌｧｲﾙ (*.bmp)|*.bmp|gifﾌｧｲﾙ (*.gif)|*.gif|jpgﾌｧｲﾙ (*.jpg)|*.jpg";

bool fileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

void pastePicture(Surface& dst, const Surface& picture, float x, float y) {
    const int left = roundHalfEven32(static_cast<double>(x) - picture.width() / 2.0f);
    const int top = roundHalfEven32(static_cast<double>(y) - picture.height() / 2.0f);
    const ClipRect c =
        clipToPicture(left, top, picture.width(), picture.height(), dst.width(), dst.height());
    if (c.empty()) return;
    for (int yy = c.y; yy < c.y + c.h; ++yy) {
        const uint32_t* s = picture.row(yy - top) + (c.x - left);
        uint32_t* d = dst.row(yy) + c.x;
        for (int i = 0; i < c.w; ++i)
            if (!sameColour(s[i], kWhite)) d[i] = s[i] | kOpaque;
    }
}

int32_t PictModule1::handle(EffArgs& args) {
    switch (args.DoNom) {
        case cmd::kMouseDown:
            if (!dragging_) {
                PictPreview();
                env_.panel().setCaption("Label3", FileTitle(loadedPath_));
                transparency_ = savedTransparency_;
                if (!loaded_) SelPictFile();
                dragging_ = true;
                copyPicture(env_.PictJT(), env_.PictMain());
                PutPict(args.X, args.Y);
                env_.host().Refresh(Picture::PictMain);
            }
            return 0;
        case cmd::kMouseMove:
            if (!dragging_) return 0;
            env_.panel().setText("Xzahyou", plainNumberText(args.X));
            env_.panel().setText("Yzahyou", plainNumberText(args.Y));
            env_.DspFrame2();
            PutPict(args.X, args.Y);
            env_.host().Refresh(Picture::PictMain);
            return 0;
        case cmd::kMouseUp:
            X_ = args.X;
            Y_ = args.Y;
            recordPath_ = loadedPath_;
            dragging_ = false;
            env_.DspFrame2();
            PutPict(X_, Y_);
            writeRecord();
            return 0;
        case cmd::kRender: {
            struct RenderScope {
                bool& flag;
                explicit RenderScope(bool& f) : flag(f) { flag = true; }
                ~RenderScope() { flag = false; }
            } scope(render_);
            DrawPictRec();
            return 0;
        }
        case cmd::kXYSet:
            dragging_ = true;
            X_ = args.Button;
            Y_ = args.Shift;
            PutPict(X_, Y_);
            DrawPictRec();
            dragging_ = false;
            env_.host().Refresh(Picture::PictMain);
            return 0;
        case cmd::kPanel:
            layoutScale_ = args.X;
            SetPictPanel();
            return kouka::kPicture;
        case cmd::kParam:
            if (args.Button == ctl::kCombo1) {
                transparency_ = savedTransparency_ = overlayTransparencyAt(args.Shift);
            } else if (args.Button == ctl::kRDPictBtn) {
                if (!loaded_ || env_.host().MsgBox(kReplaceText, msgbox::kStyleYesNoWarn,
                                                   kWarningTitle) == msgbox::kAnswerYes)
                    SelPictFile();
            }
            PictPreview();
            return 0;
        case cmd::kHokan:
            return 1;
        default:
            return 0;
    }
}

void PictModule1::SelPictFile() {
    FileDialogRequest req;
    req.title = "開く";
    req.cancelError = false;
    req.filter = kChooseFilter;
    const FileDialogResult r = env_.host().FileDialog(req);
    if (r.outcome != FileDialogResult::Outcome::Chosen || r.path.empty()) return;
    loadedPath_ = r.path;
    LoadPictFile();
    env_.host().Refresh(Picture::PreVewPict);
    env_.panel().setCaption("Label3", FileTitle(loadedPath_));
}

void PictModule1::LoadPictFile() {
    Host& host = env_.host();
    answersPath_ = loadedPath_;
    failed_ = true;
    if (!fileExists(loadedPath_)) {
        if (host.MsgBox(kFindText, msgbox::kStyleYesNoWarn, kWarningTitle) != msgbox::kAnswerYes) {
            shared_.noteUnreadable(loadedPath_);
            return;
        }
        FileDialogRequest req;
        req.title = "開く";
        req.cancelError = true;
        req.filter = kSearchFilter;
        req.fileName = loadedPath_;
        const FileDialogResult r = host.FileDialog(req);
        if (r.outcome == FileDialogResult::Outcome::Cancelled || r.path.empty()) {
            shared_.noteUnreadable(loadedPath_);
            if (r.outcome == FileDialogResult::Outcome::Cancelled)
                host.MsgBox(kCannotOpenText, msgbox::kOk, kAppTitle);
            return;
        }
        loadedPath_ = r.path;
        env_.WorkRec().Text = r.path;
        if (!fileExists(loadedPath_)) {
            shared_.noteUnreadable(loadedPath_);
            host.MsgBox(kNotFoundText, msgbox::kOk, kAppTitle);
            return;
        }
    }
    Result<Surface> picture = shared_.media != nullptr
                                  ? shared_.media->loadPicture(loadedPath_)
                                  : Result<Surface>(Error{"no picture loader"});
    if (!picture) {
        shared_.noteUnreadable(loadedPath_);
        host.MsgBox(kCannotOpenText, msgbox::kOk, kAppTitle);
        return;
    }
    shared_.PicEffect = std::move(*picture);
    loaded_ = true;
    failed_ = false;
}

void PictModule1::PutPict(float x, float y) {
    // A picture that could not be had draws nothing rather than another
    // file's picture.
    if (failed_ || shared_.PicEffect.empty()) return;
    const uint8_t alpha = (transparency_ < 1 || dragging_) ? 255 : overlayOpacity(transparency_);
    Surface& main = env_.PictMain();
    if (alpha == 255) {
        pastePicture(main, shared_.PicEffect, x, y);
    } else {
        // PictJT holds the frame before this effect: the picture goes on it
        // and that is blended over PictMain. Outside the picture's rectangle
        // both hold the same frame, which the blend leaves as it is, so only
        // the rectangle is worked.
        Surface& before = env_.PictJT();
        if (before.width() != main.width() || before.height() != main.height())
            copyPicture(before, main);
        pastePicture(before, shared_.PicEffect, x, y);
        const int left = roundHalfEven32(static_cast<double>(x) - shared_.PicEffect.width() / 2.0f);
        const int top = roundHalfEven32(static_cast<double>(y) - shared_.PicEffect.height() / 2.0f);
        const ClipRect c = clipToPicture(left, top, shared_.PicEffect.width(),
                                         shared_.PicEffect.height(), main.width(), main.height());
        if (!c.empty()) AlphaBlend(main, c.x, c.y, c.w, c.h, before, c.x, c.y, alpha);
    }
    env_.host().Refresh(Picture::PictMain);
}

void PictModule1::DrawPictRec() {
    const EffRec& w = env_.WorkRec();
    if (render_ && !dragging_) {
        X_ = w.X;
        Y_ = w.Y;
        W_ = w.W;
        H_ = w.H;
        transparency_ = w.Param;
        recordPath_ = w.Text;
    }
    if (recordPath_ != loadedPath_ && recordPath_ != answersPath_) {
        loadedPath_ = recordPath_;
        LoadPictFile();
    }
    PutPict(X_, Y_);
    Panel& p = env_.panel();
    p.setText("Xzahyou", formatFixed(X_, 1));
    p.setText("Yzahyou", formatFixed(Y_, 1));
    p.setText("Wzahyou", "");
    p.setText("Hzahyou", "");
    writeRecord();
}

void PictModule1::writeRecord() {
    EffRec& w = env_.WorkRec();
    w.Kind = kouka::kPicture;
    w.X = X_;
    w.Y = Y_;
    w.W = W_;
    w.H = H_;
    w.Param = transparency_;
    w.Text = recordPath_;
}

void PictModule1::PictPreview() {
    Surface& preview = env_.PreVewPict();
    preview.fill(kWhite);
    const Surface& pic = shared_.PicEffect;
    if (!pic.empty() && !failed_) {
        const int pw = preview.width(), ph = preview.height();
        const int iw = pic.width(), ih = pic.height();
        if (pw >= iw && ph >= ih) {
            BitBlt(preview, 0, 0, iw, ih, &pic, 0, 0, Rop::SrcCopy);
        } else if (static_cast<float>(ih) / static_cast<float>(iw) >=
                   static_cast<float>(ph) / static_cast<float>(pw)) {
            StretchBlt(preview, 0, 0, roundHalfEven32(static_cast<double>(ph) * iw / ih), ph, pic,
                       0, 0, iw, ih, Rop::SrcCopy, StretchMode::Nearest);
        } else {
            StretchBlt(preview, 0, 0, pw, roundHalfEven32(static_cast<double>(pw) * ih / iw), pic,
                       0, 0, iw, ih, Rop::SrcCopy, StretchMode::Nearest);
        }
    }
    env_.host().Refresh(Picture::PreVewPict);
}

void PictModule1::SetPictPanel() {
    Panel& p = env_.panel();
    // The preview has its size before the first picture is chosen into it.
    env_.PreVewPict().resize(panelPixels(1300, layoutScale_), panelPixels(1100, layoutScale_),
                             kWhite);
    if (!loaded_) SelPictFile();
    for (const char* hidden : {"Frame5", "Frame6", "Combo5", "Combo6", "ComdBtn2", "ComSTP2",
                               "HScroll1", "HScroll2", "HScroll3"})
        p.setVisible(hidden, false);
    const int font = panelFontSize(layoutScale_);
    auto place = [&](const char* name, int left, int top) {
        p.setVisible(name, true);
        p.move(name, left, top);
        p.setFontSize(name, font);
    };
    p.setCaption("Label6", "画像ファイル");
    place("Label6", 1440, 300);
    p.resize("Label6", 1200, 255);
    p.setCaption("Label3", FileTitle(loadedPath_));
    place("Label3", 1540, 540);
    p.resize("Label3", 1300, 255);
    place("PreVewPict", 3200, 360);
    p.resize("PreVewPict", 1300, 1100);
    PictPreview();
    p.setCaption("RDPictBtn", "画像読込");
    place("RDPictBtn", 1400, 780);
    p.resize("RDPictBtn", 975, 280);
    p.setCaption("Label1", "透明度%");
    place("Label1", 1440, 1260);
    p.clearList("Combo1");
    for (const char* item : {"0", "30", "50", "70", "90"}) p.addItem("Combo1", item);
    p.setListIndex("Combo1", 0);
    place("Combo1", 2240, 1200);
    p.setEnabled("Combo1", true);
    transparency_ = savedTransparency_ = 0;
    p.setEnabled("ComFdIn", true);
    p.setEnabled("ComFdOut", true);
    p.setEnabled("mnuAll", false);
    layoutCoordinateFrame(p, layoutScale_);
    const Surface& main = env_.PictMain();
    if (env_.PictMsk().width() != main.width() || env_.PictMsk().height() != main.height())
        env_.PictMsk().resize(main.width(), main.height(), kWhite);
    if (env_.PictJT().width() != main.width() || env_.PictJT().height() != main.height())
        env_.PictJT().resize(main.width(), main.height(), kBlack);
}

}  // namespace movalux
