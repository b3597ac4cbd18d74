#include "effects/PictMod2.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "base/NumberText.h"
#include "effects/RasterOps.h"
#include "effects/RegionGesture.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {
constexpr const char* kReplaceText = "現在の画像を入れ替えますか？";
constexpr const char* kChooseFilter = "*.bmp;*.gif;*.jpg|*.bmp;*.gif;*.jpg";
}  // namespace

float PictMod2::pictureRatio() const {
    const Surface& s = shared_.PictStart;
    return s.width() > 0 ? static_cast<float>(s.height()) / static_cast<float>(s.width()) : 0.0f;
}

int32_t PictMod2::handle(EffArgs& args) {
    const bool ctrl = args.FixSize != 0;
    const bool shiftKey = args.Shift == 1;
    switch (args.DoNom) {
        case cmd::kMouseDown:
            rect_.mouseDown(env_, ctrl, args.X, args.Y);
            return 0;
        case cmd::kMouseMove:
            takeBackPictStart();
            rect_.mouseMove(env_, ctrl, shiftKey, args.X, args.Y, pictureRatio());
            return 0;
        case cmd::kMouseUp:
            // The whole-frame rectangle takes the picture's own size, so
            // PictStart must hold it, whatever the frame shown drew there.
            takeBackPictStart();
            rect_.mouseUp(env_, ctrl, shiftKey, args.X, args.Y, pictureRatio(),
                          static_cast<float>(shared_.PictStart.width()),
                          static_cast<float>(shared_.PictStart.height()));
            DrawPict2();
            rect_.dragging = false;
            return 0;
        case cmd::kRender: {
            struct RenderScope {
                bool& flag;
                explicit RenderScope(bool& f) : flag(f) { flag = true; }
                ~RenderScope() { flag = false; }
            } scope(render_);
            return DrawPict2();
        }
        case cmd::kXYSet:
            rect_.dragging = true;
            rect_.X = args.Button;
            rect_.Y = args.Shift;
            middle_ = roundHalfEven32(args.Y);
            Pict2Preview();
            DrawPict2();
            rect_.dragging = false;
            env_.host().Refresh(Picture::PictMain);
            return 0;
        case cmd::kPanel:
            layoutScale_ = args.X;
            SetPict2Panel();
            return kouka::kPicture2;
        case cmd::kParam:
            if (args.Button == ctl::kCombo1) {
                transparency_ = overlayTransparencyAt(args.Shift);
            } else if (args.Button == ctl::kRDPictBtn) {
                if (!loaded_ || env_.host().MsgBox(kReplaceText, msgbox::kStyleYesNoWarn,
                                                   kWarningTitle) == msgbox::kAnswerYes)
                    SelPict2File();
            }
            return 0;
        case cmd::kHokan:
            if (args.Button == 2) hokanSlot_ = keyFrameSlot(args.ResName, ownSlot());
            args.ResName = overlayRecordText(hokanSlot_, 0, key_.colour);
            return 0;
        case cmd::kResQuery:
            return answerResQuery(shared_.table, args.Button, args.Shift, args.ResName);
        case cmd::kResLoad:
            if (args.Shift == 1) {
                storeResSlot(shared_.table, args.Button, args.ResName);
                LoadSlotPict(args.Button);
            }
            return 0;
        case cmd::kTouka:
            key_.DoTouka(env_, args.Shift);
            return 0;
        case cmd::kPreview:
            key_.DoPreview(env_, args.X, args.Y);
            return 0;
        case cmd::kInit:
            loaded_ = false;
            return 0;
        default:
            return 0;
    }
}

void PictMod2::SelPict2File() {
    FileDialogRequest req;
    req.title = "開く";
    req.cancelError = false;
    req.filter = kChooseFilter;
    const FileDialogResult r = env_.host().FileDialog(req);
    if (r.outcome != FileDialogResult::Outcome::Chosen || r.path.empty()) return;
    Host& host = env_.host();
    ResourceTable& table = shared_.table;
    // A full table is refused before anything changes: PictStart and the
    // marker must keep telling the same slot.
    if (table.find(r.path) < 0 && table.count >= ResourceTable::kSlots) {
        host.MsgBox(kOverlayCannotOpenText, msgbox::kOk, kAppTitle);
        return;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(r.path, ec)) {
        host.MsgBox(kOverlayNotFoundText, msgbox::kOk, kAppTitle);
        return;
    }
    Result<Surface> picture = shared_.media != nullptr
                                  ? shared_.media->loadPicture(r.path)
                                  : Result<Surface>(Error{"no picture loader"});
    if (!picture) {
        host.MsgBox(kOverlayCannotOpenText, msgbox::kOk, kAppTitle);
        return;
    }
    loadedPath_ = r.path;
    cachedPath_ = r.path;
    cached_ = *picture;
    ++cachedId_;
    shared_.PictStart = std::move(*picture);
    Pict2Scale();
    Pict2Preview();
    env_.panel().setCaption("Label3", FileTitle(loadedPath_));
    loaded_ = true;
    slotFailed_ = false;
    const int16_t slot = table.add(kouka::kPicture2, loadedPath_);
    table.currentSlot = slot;
    table.marker = slot;
    pictureSlot_ = slot;
}

int16_t PictMod2::ownSlot() const {
    return pictureSlot_ >= 0 ? pictureSlot_ : shared_.table.currentSlot;
}

void PictMod2::takeBackPictStart() {
    if (!loaded_ || slotFailed_ || pictureSlot_ < 0 || shared_.table.marker == pictureSlot_) return;
    if (cachedPath_ == loadedPath_ && !cached_.empty()) {
        shared_.PictStart.assign(cached_);
        shared_.table.marker = pictureSlot_;
    } else {
        LoadSlotPict(pictureSlot_);
    }
}

int32_t PictMod2::LoadSlotPict(int16_t slot) {
    ResourceTable& table = shared_.table;
    table.currentSlot = slot;
    loadedPath_ = table.pathOf(slot);
    // Whatever happens, PictStart is no longer another slot's picture, and
    // this module's records name this slot from now on.
    table.marker = slot;
    pictureSlot_ = slot;
    slotFailed_ = true;
    if (loadedPath_ != cachedPath_ || cached_.empty()) {
        Result<Surface> picture = shared_.media != nullptr && !loadedPath_.empty()
                                      ? shared_.media->loadPicture(loadedPath_)
                                      : Result<Surface>(Error{"no picture"});
        if (!picture) {
            shared_.noteUnreadable(loadedPath_);
            return kTrappedError;
        }
        cachedPath_ = loadedPath_;
        cached_ = std::move(*picture);
        ++cachedId_;
    }
    shared_.PictStart.assign(cached_);
    slotFailed_ = false;
    loaded_ = true;
    // Records rendered for the frames leave the panel showing its own choice.
    if (render_) return 0;
    Pict2Scale();
    Pict2Preview();
    env_.panel().setCaption("Label3", FileTitle(loadedPath_));
    return 0;
}

void PictMod2::Pict2Scale() {
    const Surface& pic = shared_.PictStart;
    Surface& preview = env_.PreVewPict();
    const float pw = static_cast<float>(preview.width()), ph = static_cast<float>(preview.height());
    const float iw = static_cast<float>(pic.width()), ih = static_cast<float>(pic.height());
    if (iw <= 0 || ih <= 0 || pw <= 0 || ph <= 0) {
        previewScale_ = 1;
    } else {
        previewScale_ = static_cast<float>(pw * ih / ph) >= iw ? ph / ih : pw / iw;
        if (previewScale_ > 1) previewScale_ = 1;
    }
    preview.fill(kWhite);
}

int32_t PictMod2::Pict2Preview() {
    const Surface& pic = shared_.PictStart;
    Surface& preview = env_.PreVewPict();
    if (!pic.empty() && !slotFailed_)
        StretchBlt(preview, 0, 0, roundHalfEven32(static_cast<double>(previewScale_) * pic.width()),
                   roundHalfEven32(static_cast<double>(previewScale_) * pic.height()), pic, 0, 0,
                   pic.width(), pic.height(), Rop::SrcCopy, StretchMode::Halftone);
    env_.host().Refresh(Picture::PreVewPict);
    return 0;
}

int32_t PictMod2::DrawPict2() {
    if (loadedPath_.empty()) return 1;
    if (render_ && !rect_.dragging) {
        const EffRec& w = env_.WorkRec();
        rect_.X = w.X;
        rect_.Y = w.Y;
        rect_.W = w.W;
        rect_.H = w.H;
        transparency_ = w.Param;
        const OverlayRecordFields f = parseOverlayRecordText(w.Text);
        middle_ = f.frame;
        key_.colour = f.colour;
        // The slot is this module's own, and PictStart still holds its
        // picture (the arrow and the movie draw there too); a slot that
        // failed is tried once, not on every frame.
        if (f.slot != pictureSlot_ || f.slot != shared_.table.marker)
            LoadSlotPict(static_cast<int16_t>(f.slot));
    } else {
        takeBackPictStart();
        // The preview follows the panel, not every record the frames show.
    }
    // A slot whose file could not be read draws nothing rather than
    // whatever PictStart held before.
    // PictStart holds the picture read last exactly when the marker names
    // this module's slot; only then may its stretch be kept.
    const bool ours = shared_.table.marker == pictureSlot_ && loadedPath_ == cachedPath_;
    if (!slotFailed_)
        rect_.compose(env_, shared_.PictStart, key_.colour, transparency_, render_, &stretch_,
                      ours ? cachedId_ : 0);
    Panel& p = env_.panel();
    p.setText("Xzahyou", formatFixed(rect_.X, 1));
    p.setText("Yzahyou", formatFixed(rect_.Y, 1));
    p.setText("Wzahyou", formatFixed(rect_.W, 1));
    p.setText("Hzahyou", formatFixed(rect_.H, 1));
    EffRec& w = env_.WorkRec();
    w.Kind = kouka::kPicture2;
    w.X = rect_.X;
    w.Y = rect_.Y;
    w.W = rect_.W;
    w.H = rect_.H;
    w.Param = transparency_;
    w.Text = overlayRecordText(ownSlot(), middle_, key_.colour);
    return 0;
}

void PictMod2::SetPict2Panel() {
    layoutOverlayPanel(env_, layoutScale_, "<画像なし>");
    transparency_ = 0;
    middle_ = 0;
    if (loaded_ && pictureSlot_ >= 0)
        LoadSlotPict(pictureSlot_);
    else
        env_.PreVewPict().fill(kWhite);
    env_.host().Refresh(Picture::PreVewPict);
    key_.colour = kNoKeyColour;
}

}  // namespace movalux
