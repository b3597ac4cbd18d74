#include "editor/Editor.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/NumberText.h"
#include "editor/OverlayMedia.h"
#include "effects/ArrowModule1.h"
#include "effects/BokasiMod1.h"
#include "effects/BriteModule1.h"
#include "effects/DrawShapeIcon.h"
#include "effects/KakudaiMod.h"
#include "effects/MaskModule1.h"
#include "effects/MovieModule1.h"
#include "effects/MozaikModule1.h"
#include "effects/PictMod2.h"
#include "effects/PictModule1.h"
#include "effects/RGBModule1.h"
#include "effects/RasterOps.h"
#include "effects/RevModule1.h"
#include "host/Host.h"
#include "host/Panel.h"
#include "media/FrameSource.h"
#include "media/MovieSource.h"
#include "media/TimeText.h"

namespace movalux {

namespace {
// The panel preview is 850 x 1100 panel units, 15 units to a pixel.
constexpr int kPreviewWidth = 57;
constexpr int kPreviewHeight = 73;
}  // namespace

Editor::Editor(Host& host, Panel& panel) : host_(host), panel_(panel) {
    preVewPict_.resize(kPreviewWidth, kPreviewHeight);
    mosaic_ = std::make_unique<MozaikModule1>(*this);
    dispatcher_.registerModule(kouka::kMosaic, mosaic_.get());
    mask_ = std::make_unique<MaskModule1>(*this);
    dispatcher_.registerModule(kouka::kMaskEllipse, mask_.get());
    dispatcher_.registerModule(kouka::kMaskRect, mask_.get());
    zoom_ = std::make_unique<KakudaiMod>(*this);
    dispatcher_.registerModule(kouka::kZoom, zoom_.get());
    colourTone_ = std::make_unique<RGBModule1>(*this);
    dispatcher_.registerModule(kouka::kColourTone, colourTone_.get());
    brightness_ = std::make_unique<BriteModule1>(*this);
    dispatcher_.registerModule(kouka::kBrightness, brightness_.get());
    invert_ = std::make_unique<RevModule1>(*this);
    dispatcher_.registerModule(kouka::kInvert, invert_.get());
    blur_ = std::make_unique<BokasiMod1>(*this);
    dispatcher_.registerModule(kouka::kBlur, blur_.get());
    overlayMedia_ = makeOverlayMedia();
    overlay_.media = overlayMedia_.get();
    arrow_ = std::make_unique<ArrowModule1>(*this, overlay_);
    dispatcher_.registerModule(kouka::kArrow, arrow_.get());
    picture_ = std::make_unique<PictModule1>(*this, overlay_);
    dispatcher_.registerModule(kouka::kPicture, picture_.get());
    picture2_ = std::make_unique<PictMod2>(*this, overlay_);
    dispatcher_.registerModule(kouka::kPicture2, picture2_.get());
    movieOverlay_ = std::make_unique<MovieModule1>(*this, overlay_);
    dispatcher_.registerModule(kouka::kMovie, movieOverlay_.get());
}

void Editor::setOverlayMedia(OverlayMedia* media) {
    overlay_.media = media != nullptr ? media : overlayMedia_.get();
}

Editor::~Editor() = default;

void Editor::markChanged() {
    EdSaved = kFalse;
    ++changeCount_;
}

void Editor::SetEffect() {
    EffArr.checkedAt(SelLay, CurFlame) = WorkRecord;
    HokanCancel(false);
}

void Editor::HokanCancel(bool keepText) {
    HokanST = -1;
    HokanEND = -1;
    if (!keepText) {
        host_.SetLabel("TextHSt", "");
        host_.SetLabel("TextHEnd", "");
    }
}

void Editor::recreateTimeline(int32_t firstFrame, int32_t lastFrame) {
    const int64_t last = static_cast<int64_t>(lastFrame) - firstFrame + 1;
    const int32_t lastIndex =
        last < 0 ? -1 : static_cast<int32_t>(std::min<int64_t>(last, INT32_MAX - 1));
    EffArr.recreate(lastIndex);
    UndoArr.recreate(lastIndex);
}

void Editor::releaseMovieRecords() {
    // Only Kind is cleared; no reader looks at the other fields while Kind
    // is 0.
    for (int layer = 0; layer <= 9; ++layer) EffArr.clearKinds(layer, 0, EffArr.lastIndex());
    MvOpen = kFalse;
    CurFlame = MvSTFlame = MvENDFlame = STFlame = ENDFlame = RangeST = RangeEND = 0;
    STFlamePos = ENDFlamePos = 0;
    TLTop = 0;
    HokanRngST = HokanRngEND = -1;
    KoukaSel = 1;
    ResName = "1";
    EdFName = "EditFile1.txt";
    RecFName = "AVIFile1.avi";
    HokanCancel(false);
}

void Editor::updateMarkedPositions() {
    STFlamePos = roundHalfEven32(STFlame * SliderScale);
    ENDFlamePos = roundHalfEven32(ENDFlame * SliderScale);
}

int32_t Editor::JumpEff(int16_t KoukaNom, int16_t DoNom, int16_t& Button, int16_t& Shift, float& X,
                        float& Y, int32_t& a, int32_t& b) {
    return dispatcher_.JumpEff({FixSize, ResName, EffResult}, KoukaNom, DoNom, Button, Shift, X, Y,
                               a, b);
}

int32_t Editor::jumpEffValues(int16_t KoukaNom, int16_t DoNom, int16_t Button, int16_t Shift,
                              float X, float Y, int32_t a, int32_t b) {
    return JumpEff(KoukaNom, DoNom, Button, Shift, X, Y, a, b);
}

void Editor::GetPic() {
    copyPicture(pictJT_, pictMain_);
}

void Editor::syncPictJT() {
    if (!jtStale_.known || pictJT_.width() != pictMain_.width() ||
        pictJT_.height() != pictMain_.height()) {
        GetPic();
        return;
    }
    copyPictureRect(pictJT_, pictMain_, jtStale_.x0, jtStale_.y0, jtStale_.x1, jtStale_.y1);
}

void Editor::PictMainChangedWithin(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    if (!jtSame_) return;  // only while a layer renders in the frame display
    if (!jtStale_.known) {
        jtStale_ = DrawnArea{true, x0, y0, x1, y1};
        return;
    }
    jtStale_.add(DrawnArea{true, x0, y0, x1, y1});
}

void Editor::DrawnArea::add(const DrawnArea& other) {
    if (!known) return;
    if (!other.known) {
        *this = DrawnArea{};
        return;
    }
    if (other.x0 >= other.x1 || other.y0 >= other.y1) return;
    if (x0 >= x1 || y0 >= y1) {
        *this = other;
        return;
    }
    x0 = std::min(x0, other.x0);
    y0 = std::min(y0, other.y0);
    x1 = std::max(x1, other.x1);
    y1 = std::max(y1, other.y1);
}

bool Editor::drawsAt(int32_t frame) {
    if (!PreviewOn) return false;
    for (int layer = 0; layer < EffTimeline::kShownLayers; ++layer) {
        if (LayEnable[static_cast<size_t>(layer)] != kTrue || !EffArr.contains(layer, frame))
            continue;
        const int16_t kind = std::as_const(EffArr).at(layer, frame).Kind;
        if (dispatcher_.module(kind) != nullptr || kind == kouka::kPicture2ThenMovie) return true;
    }
    return false;
}

int32_t Editor::sourceFrameFor(int32_t n) const {
    if (adjustMilli_ == 0 || movieRateNum_ <= 0 || n < 0) return n;
    // n / (src + adj x 0.002997) x src, with src = num / den and adj in
    // thousandths: n x num x 1e9 / (num x 1e9 + adj x 2997 x den).
    const __int128 scale = 1000000000;
    const __int128 adjusted = static_cast<__int128>(movieRateNum_) * scale +
                              static_cast<__int128>(adjustMilli_) * 2997 * movieRateDen_;
    if (adjusted <= 0) return n;
    const __int128 picture = static_cast<__int128>(n) * movieRateNum_ * scale / adjusted;
    return static_cast<int32_t>(std::min<__int128>(picture, INT32_MAX));
}

int32_t Editor::lastFrameWithPicture() const {
    int32_t n = MvENDFlame;
    while (n > MvSTFlame && sourceFrameFor(n) > MvENDFlame) --n;
    return n;
}

void Editor::showFrameAsWritten() {
    if (MvOpen != kTrue || !Idle || Dragging) return;
    if (DspFrame2() >= 0) host_.Refresh(Picture::PictMain);
}

bool Editor::paintTimelineFrame(int32_t n, Surface& target) {
    if (frameSource_ == nullptr) return false;
    return frameSource_->paintFrame(frameSource_ == movie_.get() ? sourceFrameFor(n) : n, target);
}

void Editor::setViewScale(double scale) {
    viewOutlineWidth_ =
        scale > 0 && scale < 1 ? std::clamp(static_cast<int>(std::ceil(1.0 / scale - 1e-9)), 1, 64) : 1;
}

void Editor::showFrameWithWorkingRecord() {
    if (MvOpen != kTrue || !Idle || Dragging) return;
    const EffRec working = WorkRecord;
    drawFrame(&working);
    // The panel's module goes on from its working record.
    WorkRecord = working;
}

int32_t Editor::DspFrame2() {
    return drawFrame(nullptr);
}

int32_t Editor::drawFrame(const EffRec* standIn) {
    if (frameSource_ == nullptr) return -1;
    // The frame shown is the movie's picture at CurFlame / FrameRate seconds;
    // with an adjusted rate that is not the movie's own frame CurFlame.
    if (!paintTimelineFrame(CurFlame, pictMain_)) return -1;
    const int32_t shown = CurFlame;
    GrabHeader.biSizeImage = GrabHeader.biWidth * GrabHeader.biHeight * 3;
    // PictJT must hold what PictMain held before the last drawn layer. Copying
    // it only before layers whose effect can draw, and once at the end if
    // needed, gives the same pictures with fewer whole-frame copies.
    bool jtCurrent = false;
    frameArea_ = DrawnArea{true};
    if (Idle) {
        GetPic();
        jtCurrent = true;
    }
    if (PreviewOn && !Dragging) {
        bool lastSkipped = false;
        for (int layer = 0; layer < EffTimeline::kShownLayers; ++layer) {
            if (LayEnable[static_cast<size_t>(layer)] != kTrue) continue;
            if (!EffArr.contains(layer, CurFlame)) continue;
            const bool standsIn = standIn != nullptr && layer == SelLay;
            const EffRec& rec = standsIn ? *standIn : std::as_const(EffArr).at(layer, CurFlame);
            WorkRecord = rec;
            const bool draws =
                dispatcher_.module(rec.Kind) != nullptr || rec.Kind == kouka::kPicture2ThenMovie;
            if (draws) {
                if (!jtCurrent) syncPictJT();
                int16_t button = 0, shift = 0;
                float x = 0, y = 0;
                int32_t a = 0, b = 0;
                // A region effect says where it drew; anything else may have
                // drawn anywhere.
                jtSame_ = true;
                jtStale_ = DrawnArea{};
                EffResult = JumpEff(WorkRecord.Kind, cmd::kRender, button, shift, x, y, a, b);
                jtSame_ = false;
                jtCurrent = false;
                frameArea_.add(jtStale_);
            }
            lastSkipped = !draws;
            // Written back only when the effect changed it: showing frames
            // must not give every frame of every layer a stored record.
            if (!standsIn && WorkRecord != std::as_const(EffArr).at(layer, CurFlame))
                EffArr.at(layer, CurFlame) = WorkRecord;
        }
        if (lastSkipped && !jtCurrent) syncPictJT();
    }
    jtStale_ = DrawnArea{};
    host_.Refresh(Picture::PictMain);
    showFramePosition();
    return shown;
}

void Editor::showFramePosition() {
    host_.SetLabel("TextPos", std::to_string(CurFlame));
    // Without a stream record (no movie, a still picture) there is no time.
    if (StreamInfo.dwRate != 0)
        host_.SetLabel("LabelTime", timeText(CurFlame, StreamInfo.dwRate, StreamInfo.dwScale));
    host_.SetSlr2();
}

void Editor::setPictureSize(int width, int height) {
    pictMain_.resize(width, height, kBlack);
    pictJT_.resize(width, height, kBlack);
    pictMsk_.resize(width, height, kWhite);
}

void Editor::setShapeIcon(int16_t shape, bool outside) {
    mask_->setShapeIcon(shape, outside);
}

void Editor::DrawShapeIcon() {
    movalux::DrawShapeIcon(preVewPict_, mask_->shape(), mask_->outside());
    host_.Refresh(Picture::PreVewPict);
}

}  // namespace movalux
