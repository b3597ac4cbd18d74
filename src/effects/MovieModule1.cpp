#include "effects/MovieModule1.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "base/NumberText.h"
#include "effects/RasterOps.h"
#include "effects/RegionGesture.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {
constexpr const char* kReplaceText = "現在のムービーを入れ替えますか？";
constexpr const char* kEndText = "効果ムービーが終わりです。ここで終わりますか？";
constexpr const char* kChooseFilter = "AVI(*.avi);MPEG(*.mpg)|*.avi;*.mpg";

// Answers to the end-of-overlay question.
constexpr int16_t kNotAsked = 0;
constexpr int16_t kHoldEnd = 1;
constexpr int16_t kStopHere = 2;
}  // namespace

MovieModule1::MovieModule1(EffectEnv& env, OverlayShared& shared) : env_(env), shared_(shared) {}
MovieModule1::~MovieModule1() = default;

int32_t MovieModule1::handle(EffArgs& args) {
    const bool ctrl = args.FixSize != 0;
    const bool shiftKey = args.Shift == 1;
    const Surface& main = env_.PictMain();
    const float frameRatio =
        main.width() > 0 ? static_cast<float>(main.height()) / static_cast<float>(main.width())
                         : 0.0f;
    switch (args.DoNom) {
        case cmd::kMouseDown:
            rect_.mouseDown(env_, ctrl, args.X, args.Y);
            return 0;
        case cmd::kMouseMove:
            rect_.mouseMove(env_, ctrl, shiftKey, args.X, args.Y, frameRatio);
            return 0;
        case cmd::kMouseUp:
            rect_.mouseUp(env_, ctrl, shiftKey, args.X, args.Y, frameRatio,
                          static_cast<float>(main.width()), static_cast<float>(main.height()));
            DrawMovie();
            rect_.dragging = false;
            return 0;
        case cmd::kRender: {
            struct RenderScope {
                bool& flag;
                explicit RenderScope(bool& f) : flag(f) { flag = true; }
                ~RenderScope() { flag = false; }
            } scope(render_);
            return DrawMovie();
        }
        case cmd::kXYSet:
            rect_.dragging = true;
            rect_.X = args.Button;
            rect_.Y = args.Shift;
            currentFrame_ = roundHalfEven32(args.Y);
            ShowOverlayFrame();
            DrawMovie();
            rect_.dragging = false;
            env_.host().Refresh(Picture::PictMain);
            return 0;
        case cmd::kPanel:
            layoutScale_ = args.X;
            SetMoviePanel();
            return kouka::kMovie;
        case cmd::kParam:
            return DoParam(args);
        case cmd::kHokan:
            return MovieHokan(args);
        case cmd::kResQuery:
            return answerResQuery(shared_.table, args.Button, args.Shift, args.ResName);
        case cmd::kResLoad:
            if (args.Shift == 1) {
                storeResSlot(shared_.table, args.Button, args.ResName);
                LoadSlotMovie(args.Button);
            }
            SetMoviePanel();
            env_.panel().setText("Combo3", "ムービー");
            return kouka::kMovie;
        case cmd::kFrameJump:
            if (args.Button == 1) {
                clipEnd_ = 0;
                env_.panel().setVisible("Wzahyou", false);
            }
            return 0;
        case cmd::kClose:
            if (loaded_ || movie_) CloseOverlay();
            return 0;
        case cmd::kTouka:
            key_.DoTouka(env_, args.Shift);
            return 0;
        case cmd::kPreview:
            key_.DoPreview(env_, args.X, args.Y);
            return 0;
        case cmd::kInit:
            loaded_ = false;
            env_.panel().setScrollRange("HScroll1", 0, 100);
            env_.panel().setScrollValue("HScroll1", 0);
            layoutScale_ = args.X;
            endAnswer_ = kNotAsked;
            return 0;
        default:
            return 0;
    }
}

int32_t MovieModule1::DoParam(EffArgs& args) {
    Panel& p = env_.panel();
    switch (args.Button) {
        case ctl::kCombo1:
            transparency_ = overlayTransparencyAt(args.Shift);
            return 0;
        case ctl::kCombo5:
            if (args.Shift < 0 || args.Shift > 8) throw std::out_of_range("speed list index");
            speed_ = kMovieSpeeds[args.Shift];
            return 0;
        case ctl::kRDPictBtn:
            if (loaded_) {
                if (env_.host().MsgBox(kReplaceText, msgbox::kStyleYesNoWarn, kWarningTitle) !=
                    msgbox::kAnswerYes)
                    return 0;
                CloseOverlay();
            }
            SelMovieFile();
            return 0;
        case ctl::kComdBtn2:
            if (loaded_) {
                playing_ = true;
                p.setVisible("ComdBtn2", false);
                p.setVisible("ComSTP2", true);
                PlayOverlay();
            }
            return 0;
        case ctl::kComSTP2:
            p.setVisible("ComdBtn2", true);
            p.setVisible("ComSTP2", false);
            playing_ = false;
            return 0;
        case ctl::kHScroll1: {
            if (!loaded_) return 0;
            const int32_t v = args.Shift;
            int32_t answer = 0;
            if (args.a != 1) {
                clipStart_ = v;
                clipEnd_ = 0;
                p.setVisible("Wzahyou", false);
            } else {
                clipEnd_ = v;
                p.setText("Wzahyou", std::to_string(clipStart_));
                p.setVisible("Wzahyou", true);
                answer = 2;
            }
            currentFrame_ = v;
            if (ShowOverlayFrame() != 0) return 1;
            return answer;
        }
        default:
            return 0;
    }
}

bool MovieModule1::OpenOverlay(const std::string& path) {
    movie_.reset();
    if (shared_.media == nullptr) return false;
    auto opened = shared_.media->openMovie(path);
    if (!opened) return false;
    movie_ = std::move(*opened);
    moviePath_ = path;
    shared_.PictStart.resize(movie_->width(), movie_->height(), kBlack);
    frameRate_ = movie_->frameRate();
    rate_ = roundHalfEven32(frameRate_);
    frameCount_ = movie_->frameCount();
    lastFrame_ = frameCount_ - 1;
    if (!render_) env_.panel().setScrollRange("HScroll1", 0, std::max(0, lastFrame_));
    return true;
}

int32_t MovieModule1::ShowOverlayFrame() {
    if (!movie_) return 1;
    Surface& pic = shared_.PictStart;
    if (pic.width() != movie_->width() || pic.height() != movie_->height())
        pic.resize(movie_->width(), movie_->height(), kBlack);
    // A frame that cannot be had leaves the last one shown in PictStart.
    movie_->paintFrame(currentFrame_, pic);
    shared_.table.marker = movieSlot_;
    if (!render_) {
        Surface& preview = env_.PreVewPict();
        StretchBlt(preview, 0, 0, preview.width(), preview.height(), pic, 0, 0, pic.width(),
                   pic.height(), Rop::SrcCopy, StretchMode::Halftone);
        env_.host().Refresh(Picture::PreVewPict);
    }
    env_.panel().setText("Hzahyou", std::to_string(currentFrame_));
    return 0;
}

void MovieModule1::SelMovieFile() {
    FileDialogRequest req;
    req.title = "開く";
    req.cancelError = false;
    req.filter = kChooseFilter;
    const FileDialogResult r = env_.host().FileDialog(req);
    if (r.outcome != FileDialogResult::Outcome::Chosen || r.path.empty()) return;
    Host& host = env_.host();
    ResourceTable& table = shared_.table;
    if (table.find(r.path) < 0 && table.count >= ResourceTable::kSlots) {
        host.MsgBox(kOverlayCannotOpenText, msgbox::kOk, kAppTitle);
        return;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(r.path, ec)) {
        host.MsgBox(kOverlayNotFoundText, msgbox::kOk, kAppTitle);
        return;
    }
    if (!OpenOverlay(r.path)) {
        loaded_ = false;
        host.MsgBox(kOverlayCannotOpenText, msgbox::kOk, kAppTitle);
        return;
    }
    const int16_t slot = table.add(kouka::kMovie, moviePath_);
    table.currentSlot = slot;
    movieSlot_ = slot;
    slotFailed_ = false;
    ShowOverlayFrame();
    env_.panel().setCaption("Label3", FileTitle(moviePath_));
    loaded_ = true;
    table.marker = slot;
}

int16_t MovieModule1::ownSlot() const {
    return movieSlot_ >= 0 ? movieSlot_ : shared_.table.currentSlot;
}

int32_t MovieModule1::LoadSlotMovie(int16_t slot) {
    ResourceTable& table = shared_.table;
    table.currentSlot = slot;
    const std::string path = table.pathOf(slot);
    // The same file stays open: reopening it would only cost time.
    if (!movie_ || path != moviePath_) {
        if (path.empty() || !OpenOverlay(path)) {
            shared_.noteUnreadable(path);
            movie_.reset();
            loaded_ = false;
            moviePath_ = path;
            movieSlot_ = slot;
            // Tried once: the records of this slot draw nothing until
            // another file is chosen, instead of retrying every frame.
            table.marker = slot;
            slotFailed_ = true;
            return kTrappedError;
        }
    }
    movieSlot_ = slot;
    slotFailed_ = false;
    ShowOverlayFrame();
    loaded_ = true;
    if (!render_) {
        env_.panel().setCaption("Label3", FileTitle(moviePath_));
        env_.panel().setScrollRange("HScroll1", 0, std::max(0, lastFrame_));
    }
    table.marker = slot;
    return 0;
}

void MovieModule1::CloseOverlay() {
    movie_.reset();
    loaded_ = false;
    // Records shown later open it again.
    slotFailed_ = false;
    if (shared_.table.marker == movieSlot_) shared_.table.marker = -1;
}

int32_t MovieModule1::DrawMovie() {
    if (render_ && !rect_.dragging) {
        const EffRec& w = env_.WorkRec();
        rect_.X = w.X;
        rect_.Y = w.Y;
        rect_.W = w.W;
        rect_.H = w.H;
        transparency_ = w.Param;
        const OverlayRecordFields f = parseOverlayRecordText(w.Text);
        currentFrame_ = f.frame;
        key_.colour = f.colour;
        // The open movie is the slot's (a slot that failed is tried once,
        // not on every frame); PictStart is painted with its frame anyway.
        if (f.slot != movieSlot_ || (!movie_ && !slotFailed_))
            LoadSlotMovie(static_cast<int16_t>(f.slot));
        ShowOverlayFrame();
    } else if (movie_ && shared_.table.marker != movieSlot_) {
        // Picture 2 or the arrow drew into PictStart since this frame.
        ShowOverlayFrame();
    }
    // Without a readable movie nothing is drawn, rather than whatever
    // PictStart held before.
    if (movie_ && movieSlot_ == shared_.table.marker)
        rect_.compose(env_, shared_.PictStart, key_.colour, transparency_, render_);
    Panel& p = env_.panel();
    p.setText("Xzahyou", formatFixed(rect_.X, 1));
    p.setText("Yzahyou", formatFixed(rect_.Y, 1));
    EffRec& w = env_.WorkRec();
    w.Kind = kouka::kMovie;
    w.X = rect_.X;
    w.Y = rect_.Y;
    w.W = rect_.W;
    w.H = rect_.H;
    w.Param = transparency_;
    w.Text = overlayRecordText(ownSlot(), currentFrame_, key_.colour);
    return 0;
}

int32_t MovieModule1::PlayOverlay() {
    Host& host = env_.host();
    Panel& p = env_.panel();
    const double interval = 1000.0 / std::max(1, rate_);
    uint32_t t0 = host.timeGetTime();
    for (int32_t i = currentFrame_;; ++i) {
        if (i > lastFrame_) {
            p.setScrollValue("HScroll1", i - 1);
            playing_ = false;
            p.setVisible("ComdBtn2", true);
            p.setVisible("ComSTP2", false);
            return 0;
        }
        if (!playing_) {
            p.setVisible("ComdBtn2", true);
            p.setVisible("ComSTP2", false);
            p.setScrollValue("HScroll1", i);
            return 0;
        }
        currentFrame_ = i;
        if (ShowOverlayFrame() != 0) {
            p.setScrollValue("HScroll1", i);
            playing_ = false;
            return 1;
        }
        // The window runs while the next frame's time comes.
        for (;;) {
            const uint32_t now = host.timeGetTime();
            const double waited = static_cast<double>(now - t0);
            if (waited >= interval) break;
            host.WaitEvents(static_cast<uint32_t>(interval - waited + 0.999));
        }
        t0 = host.timeGetTime();
    }
}

std::string MovieModule1::hokanText(int32_t frame) const {
    return overlayRecordText(hokanSlot_, frame, key_.colour);
}

int32_t MovieModule1::MovieHokan(EffArgs& args) {
    if (args.Button == 2) {
        hokanStart_ = args.a;
        hokanEnd_ = args.b;
        // Only the sign is used, and it must hold for overlays of any length.
        hokanDirection_ = hokanEnd_ < hokanStart_ ? -1 : (hokanEnd_ > hokanStart_ ? 1 : 0);
        hokanSlot_ = keyFrameSlot(args.ResName, ownSlot());
        hokanOffset_ = 0;
        // Each interpolation asks its own question at the overlay's end.
        endAnswer_ = kNotAsked;
        return 0;
    }
    struct ResetAfterEnd {
        int32_t& offset;
        bool end;
        ~ResetAfterEnd() {
            if (end) offset = 0;
        }
    } reset{hokanOffset_, args.Button == 1};

    const int step = hokanDirection_ < 0 ? -1 : 1;
    if (speed_ > 1) {
        if (static_cast<int64_t>(args.b) - args.a == 1) {
            hokanCountdown_ = roundHalfEven32(speed_ - 1);
            hokanOffset_ = 0;
        } else {
            --hokanCountdown_;
        }
        if (hokanCountdown_ <= 0) {
            hokanOffset_ += step;
            hokanCountdown_ = roundHalfEven32(speed_);
        }
    } else {
        const double perFrame = 1.0 / static_cast<double>(speed_);
        hokanOffset_ = roundHalfEven32(hokanOffset_ + step * perFrame);
    }
    // The overlay has run out when the frame this main frame would show is
    // not in it: a record never names a frame the movie does not have.
    const int64_t c = static_cast<int64_t>(hokanOffset_) + hokanStart_;
    if (c > lastFrame_ || c < 0) {
        const int32_t held = c > lastFrame_ ? lastFrame_ : 0;
        switch (endAnswer_) {
            case kNotAsked:
                if (env_.host().MsgBox(kEndText, msgbox::kStyleYesNoWarn, kWarningTitle) ==
                    msgbox::kAnswerYes) {
                    endAnswer_ = kStopHere;
                    return 2;
                }
                args.ResName = hokanText(held);
                endAnswer_ = kHoldEnd;
                return 0;
            case kHoldEnd:
                args.ResName = hokanText(held);
                return 0;
            default:
                return 2;
        }
    }
    args.ResName = hokanText(hokanOffset_ + hokanStart_);
    endAnswer_ = kNotAsked;
    return 0;
}

void MovieModule1::SetMoviePanel() {
    Panel& p = env_.panel();
    layoutOverlayPanel(env_, layoutScale_, "<ムービーなし>");
    const int font = panelFontSize(layoutScale_);
    p.setCaption("Label6", "速度%");
    p.setVisible("Label6", true);
    p.move("Label6", 1340, 610);
    p.setCaption("ComdBtn2", "再生");
    p.setVisible("ComdBtn2", true);
    p.move("ComdBtn2", 2560, 1280);
    p.resize("ComdBtn2", 400, 250);
    p.setFontSize("ComdBtn2", font);
    p.setCaption("ComSTP2", "停止");
    p.setVisible("ComSTP2", false);
    p.move("ComSTP2", 2560, 1280);
    p.resize("ComSTP2", 400, 250);
    p.setFontSize("ComSTP2", font);
    p.clearList("Combo5");
    for (const char* item : {"10", "20", "33", "50", "100", "200", "300", "500", "1000"})
        p.addItem("Combo5", item);
    p.setListIndex("Combo5", 4);
    p.setVisible("Combo5", true);
    p.setEnabled("Combo5", true);
    p.move("Combo5", 2040, 600);
    p.setFontSize("Combo5", font);
    p.setCaption("Label13", "ｺﾏNo");
    p.setCaption("Label14", "");
    p.setCaption("Label15", "");
    p.setVisible("Wzahyou", false);
    p.setVisible("HScroll1", true);
    p.move("HScroll1", 100, 1300);
    p.resize("HScroll1", 2400, 200);
    if (loaded_) p.setScrollRange("HScroll1", 0, std::max(0, lastFrame_));
    transparency_ = 0;
    currentFrame_ = 0;
    playing_ = false;
    speed_ = 1;
    if (loaded_) {
        // The shared current slot may be picture 2's now.
        shared_.table.currentSlot = movieSlot_;
        p.setCaption("Label3", FileTitle(moviePath_));
        ShowOverlayFrame();
    } else {
        env_.PreVewPict().fill(kWhite);
        env_.host().Refresh(Picture::PreVewPict);
    }
    key_.colour = kNoKeyColour;
}

}  // namespace movalux
