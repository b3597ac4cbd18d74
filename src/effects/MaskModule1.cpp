#include "effects/MaskModule1.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "base/NumberText.h"
#include "effects/ModuleCommands.h"
#include "effects/RasterOps.h"
#include "effects/RegionGesture.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

uint8_t maskOpacity(int32_t transparency) {
    const double a = 255.0 - transparency * 255.0 / 100.0;
    if (!(a > -0.5 && a < 255.5)) throw std::overflow_error("opacity");
    return static_cast<uint8_t>(roundHalfEven32(a));
}

SemiAxes maskSemiAxes(double radius, double aspect) {
    const double a = std::abs(aspect);
    if (a <= 1.0) return {radius, radius * a};
    return {radius / a, radius};
}

void drawMask(Surface& msk, int16_t shape, float X, float Y, float W, float H, bool outside) {
    if (!finiteRegion(X, Y, W, H))
        throw std::domain_error("a mask with a NaN or an infinite value");
    msk.fill(kWhite);
    const int mw = msk.width(), mh = msk.height();
    if (mw <= 0 || mh <= 0) return;
    // Everything is cut to a bound a few picture sizes wide before it
    // becomes a pixel coordinate; inside the bound nothing changes.
    const double bound = static_cast<double>(regionBound(mw, mh));
    auto clampInt = [](double v, int lo, int hi) {
        return static_cast<int>(
            std::clamp(std::nearbyint(v), static_cast<double>(lo), static_cast<double>(hi)));
    };
    int seedX = 0, seedY = 0;
    bool fill = false;
    if (shape == kouka::kMaskEllipse) {
        const double cx = std::clamp<double>(X, -bound, bound);
        const double cy = std::clamp<double>(Y, -bound, bound);
        // Semi-axes beyond a thousand bounds draw the same pixels as any
        // larger ones would to within a millionth of a pixel.
        const SemiAxes axes = maskSemiAxes(std::abs(static_cast<double>(W)), H);
        const double a = std::min(axes.horizontal, 1024 * bound);
        const double b = std::min(axes.vertical, 1024 * bound);
        DrawEllipseAxes(msk, cx, cy, a, b, kBlack, DrawMode::CopyPen);
        // The fill starts inside the shape: at its centre, or, when that
        // lies off the picture, at the picture's point nearest to it, when
        // that point lies well inside the ellipse.
        seedX = clampInt(cx, 0, mw - 1);
        seedY = clampInt(cy, 0, mh - 1);
        const bool centreOnPicture = cx >= -0.5 && cx < mw - 0.5 && cy >= -0.5 && cy < mh - 0.5;
        if (centreOnPicture) {
            fill = true;
        } else if (a > 2 && b > 2) {
            const double u = (seedX - cx) / (a - 2), v = (seedY - cy) / (b - 2);
            fill = u * u + v * v <= 1;
        }
    } else {
        double x = X, y = Y, w = W, h = H;
        boundSpan(x, w, bound);
        boundSpan(y, h, bound);
        const int x1 = roundHalfEven32(x), y1 = roundHalfEven32(y);
        const int x2 = roundHalfEven32(x + w), y2 = roundHalfEven32(y + h);
        DrawBox(msk, x1, y1, x2, y2, kBlack, DrawMode::CopyPen);
        // Inside: the columns and lines strictly between the corners, a
        // rectangle typed with a negative size as well.
        const int left = std::max(std::min(x1, x2) + 1, 0),
                  right = std::min(std::max(x1, x2) - 1, mw - 1);
        const int top = std::max(std::min(y1, y2) + 1, 0),
                  bottom = std::min(std::max(y1, y2) - 1, mh - 1);
        if (left <= right && top <= bottom) {
            fill = true;
            seedX = std::clamp(static_cast<int>(std::floor((static_cast<double>(x1) + x2) / 2)),
                               left, right);
            seedY = std::clamp(static_cast<int>(std::floor((static_cast<double>(y1) + y2) / 2)),
                               top, bottom);
        }
    }
    if (fill) FloodFill(msk, seedX, seedY, kBlack, FloodType::Border, kBlack);
    if (outside) BitBlt(msk, 0, 0, mw, mh, nullptr, 0, 0, Rop::DstInvert);
}

void blendMask(Surface& dst, const Surface& src, const Surface& msk, uint8_t alpha) {
    // The mask is black where it darkens: blending black over a channel c
    // gives (c * (255 - alpha) + 127) / 255.
    std::array<uint32_t, 256> dark{};
    for (uint32_t c = 0; c < 256; ++c) dark[c] = (c * (255u - alpha) + 127u) / 255u;
    const int w = std::min({dst.width(), src.width(), msk.width()});
    const int h = std::min({dst.height(), src.height(), msk.height()});
    for (int y = 0; y < h; ++y) {
        const uint32_t* s = src.row(y);
        const uint32_t* m = msk.row(y);
        uint32_t* d = dst.row(y);
        for (int x = 0; x < w; ++x) {
            const uint32_t p = s[x];
            d[x] = sameColour(m[x], kWhite) ? p
                                            : kOpaque | dark[(p >> 16) & 255] << 16 |
                                                  dark[(p >> 8) & 255] << 8 | dark[p & 255];
        }
    }
}

void MaskModule1::setShapeIcon(int16_t shape, bool outside) {
    shape_ = shape;
    outside_ = outside;
}

int32_t MaskModule1::handle(EffArgs& args) {
    fixSize_ = args.FixSize != 0;
    // The record stored after a gesture carries the panel's effect number,
    // so the shape drawn is the one of the number the call came with.
    const bool shapeNumber =
        args.KoukaNom == kouka::kMaskEllipse || args.KoukaNom == kouka::kMaskRect;
    if (shapeNumber && args.DoNom != cmd::kRender) shape_ = args.KoukaNom;
    const bool shiftKey = args.Shift == 1;
    switch (args.DoNom) {
        case cmd::kMouseDown:
            mouseDown(args.X, args.Y);
            return 0;
        case cmd::kMouseMove:
            mouseMove(shiftKey, args.X, args.Y);
            return 0;
        case cmd::kMouseUp:
            mouseUp(shiftKey, args.X, args.Y);
            return 0;
        case cmd::kRender: {
            struct RenderScope {
                MaskModule1& m;
                int16_t shape;
                RenderScope(MaskModule1& mod, int16_t recordShape) : m(mod), shape(mod.shape_) {
                    m.render_ = true;
                    m.shape_ = recordShape;
                }
                ~RenderScope() {
                    m.render_ = false;
                    m.shape_ = shape;
                    m.transparency_ = m.savedTransparency_;
                    m.text_ = m.savedText_;
                    m.outside_ = m.text_ == "1";
                }
            } scope(*this, shapeNumber ? args.KoukaNom : shape_);
            EffApply();
            return 0;
        }
        case cmd::kXYSet:
            xySet(args.Button, args.Shift, args.X, args.Y);
            return 0;
        default:
            return ModuleCommands::panel(*this, args);
    }
}

void MaskModule1::drawOutline(const Outline& o) {
    Surface& main = env_.PictMain();
    if (o.ellipse)
        InvertOutlineEllipse(main, o.cx, o.cy, o.radius, o.aspect, env_.outlineWidth());
    else
        InvertOutlineBox(main, o.x1, o.y1, o.x2, o.y2, env_.outlineWidth());
}

void MaskModule1::squarePointer(float& x, float& y) const {
    const double dx = static_cast<double>(x) - pressX_, dy = static_cast<double>(y) - pressY_;
    if (std::abs(dy) >= std::abs(dx))
        x = static_cast<float>(pressX_ + (dx < 0 ? -std::abs(dy) : std::abs(dy)));
    else
        y = static_cast<float>(pressY_ + (dy < 0 ? -std::abs(dx) : std::abs(dx)));
}

MaskModule1::Outline MaskModule1::outlineAt(bool shiftKey, float x, float y) {
    Outline o;
    o.ellipse = shape_ == kouka::kMaskEllipse;
    if (fixSize_) {
        if (o.ellipse) {
            o.cx = x;
            o.cy = y;
            o.radius = W_;
            o.aspect = H_;
        } else {
            o.x1 = roundHalfEven32(x - W_ / 2.0);
            o.y1 = roundHalfEven32(y - H_ / 2.0);
            o.x2 = roundHalfEven32(x + W_ / 2.0);
            o.y2 = roundHalfEven32(y + H_ / 2.0);
        }
        return o;
    }
    if (o.ellipse) {
        const double dx = static_cast<double>(x) - pressX_, dy = static_cast<double>(y) - pressY_;
        dragRadius_ = std::hypot(dx, dy);
        dragAspect_ = shiftKey || x == pressX_ ? 1.0 : dy / dx;
        o.cx = pressX_;
        o.cy = pressY_;
        o.radius = dragRadius_;
        o.aspect = dragAspect_;
        return o;
    }
    if (shiftKey) squarePointer(x, y);
    o.x1 = roundHalfEven32(pressX_);
    o.y1 = roundHalfEven32(pressY_);
    o.x2 = roundHalfEven32(x);
    o.y2 = roundHalfEven32(y);
    return o;
}

void MaskModule1::mouseDown(float x, float y) {
    if (!drawing_) {
        if (fixSize_) {
            shown_ = outlineAt(false, x, y);
            drawOutline(shown_);
            outlineShown_ = true;
        } else {
            pressX_ = x;
            pressY_ = y;
        }
        lastX_ = x;
        lastY_ = y;
        drawing_ = true;
        // The frame shown again replaces any outline on the picture.
        if (env_.DspFrame2() >= 0) outlineShown_ = false;
        env_.host().Refresh(Picture::PictMain);
    }
    drawing_ = true;
}

void MaskModule1::mouseMove(bool shiftKey, float x, float y) {
    if (!drawing_) return;
    if (outlineShown_) drawOutline(shown_);
    shown_ = outlineAt(shiftKey, x, y);
    drawOutline(shown_);
    outlineShown_ = true;
    lastX_ = x;
    lastY_ = y;
    Panel& p = env_.panel();
    p.setText("Xzahyou", plainNumberText(fixSize_ ? x : pressX_));
    p.setText("Yzahyou", plainNumberText(fixSize_ ? y : pressY_));
    env_.host().Refresh(Picture::PictMain);
}

void MaskModule1::mouseUp(bool shiftKey, float x, float y) {
    const Surface& main = env_.PictMain();
    const bool ellipse = shape_ == kouka::kMaskEllipse;
    if (x == -1.0f) {
        // The panel offers no whole-frame command for the mask; should one
        // come, the shape fills the frame: the whole picture, or the ellipse
        // inscribed in it.
        const float sw = static_cast<float>(main.width()), sh = static_cast<float>(main.height());
        if (ellipse) {
            X_ = sw / 2;
            Y_ = sh / 2;
            W_ = std::max(sw, sh) / 2;
            H_ = sw > 0 ? sh / sw : 1.0f;
        } else {
            X_ = 0;
            Y_ = 0;
            W_ = sw;
            H_ = sh;
        }
    } else if (fixSize_) {
        if (ellipse) {
            X_ = x;
            Y_ = y;
        } else {
            X_ = x - W_ / 2;
            Y_ = y - H_ / 2;
        }
    } else if (ellipse) {
        X_ = pressX_;
        Y_ = pressY_;
        W_ = static_cast<float>(dragRadius_);
        H_ = static_cast<float>(dragAspect_);
    } else {
        if (shiftKey) squarePointer(x, y);
        X_ = std::min(pressX_, x);
        Y_ = std::min(pressY_, y);
        W_ = std::abs(x - pressX_);
        H_ = std::abs(y - pressY_);
    }
    outlineShown_ = false;  // the apply routine repaints the whole picture
    EffApply();
    drawing_ = false;
}

void MaskModule1::xySet(int16_t left, int16_t top, float width, float height) {
    drawing_ = true;
    if (width == 0 || height == 0 || std::isnan(width) || std::isnan(height)) {
        env_.host().MsgBox(kRefuseNumberText, msgbox::kStyleCriticalDefault2, kWarningTitle);
        drawing_ = false;
        return;
    }
    X_ = left;
    Y_ = top;
    if (shape_ == kouka::kMaskEllipse) {
        W_ = std::max(width, height);
        H_ = height / width;
    } else {
        W_ = width;
        H_ = height;
    }
    EffApply();
    drawing_ = false;
}

void MaskModule1::DoParam(int16_t code, int16_t value) {
    switch (code) {
        case ctl::kOption3:
            shape_ = kouka::kMaskEllipse;
            break;
        case ctl::kOption4:
            shape_ = kouka::kMaskRect;
            break;
        case ctl::kOption5:
            text_ = "1";
            outside_ = true;
            savedText_ = text_;
            break;
        case ctl::kOption6:
            text_ = "0";
            outside_ = false;
            savedText_ = text_;
            break;
        case ctl::kCombo1:
            if (value >= 0 && value <= 3) {
                transparency_ = kMaskTransparencies[value];
                savedTransparency_ = transparency_;
            }
            break;
        default:
            break;
    }
}

void MaskModule1::EffPanel() {
    Panel& p = env_.panel();
    p.setVisible("Frame5", true);
    p.setCaption("Frame5", "形状");
    p.setChecked("Option3", true);
    p.setCaption("Option3", "楕円");
    p.setCaption("Option4", "四角");
    p.setVisible("Frame6", true);
    p.setCaption("Frame6", "効果");
    p.setChecked("Option5", true);
    p.setCaption("Option5", "外黒");
    p.setCaption("Option6", "中黒");
    p.setVisible("PreVewPict", true);
    p.setVisible("Label1", true);
    p.setCaption("Label1", "透明度%");
    p.setVisible("Combo1", true);
    p.clearList("Combo1");
    for (const char* item : {"0", "30", "50", "70"}) p.addItem("Combo1", item);
    p.setListIndex("Combo1", 2);
    for (const char* hidden : {"Combo5", "Combo6", "Label6", "Label3", "RDPictBtn", "ComdBtn2",
                               "ComSTP2", "HScroll1", "HScroll2", "HScroll3"})
        p.setVisible(hidden, false);
    p.setEnabled("ComFdIn", true);
    p.setEnabled("ComFdOut", true);
    p.setEnabled("mnuAll", false);
    layoutCoordinateFrame(p, layoutScale_);
    const int font = panelFontSize(layoutScale_);
    p.move("PreVewPict", 3720, 360);
    p.resize("PreVewPict", 850, 1100);
    p.move("Label1", 1320, 1260);
    p.setFontSize("Label1", font);
    p.move("Combo1", 2040, 1200);
    p.setFontSize("Combo1", font);

    const Surface& main = env_.PictMain();
    Surface& msk = env_.PictMsk();
    if (msk.width() != main.width() || msk.height() != main.height())
        msk.resize(main.width(), main.height(), kWhite);

    text_ = "1";
    outside_ = true;
    shape_ = kouka::kMaskEllipse;
    transparency_ = 50;
    savedText_ = text_;
    savedTransparency_ = transparency_;
    env_.DrawShapeIcon();
}

void MaskModule1::EffApply() {
    EffRec& work = env_.WorkRec();
    if (render_ && !drawing_) {
        refuseNonFinite(work);
        X_ = work.X;
        Y_ = work.Y;
        W_ = work.W;
        H_ = work.H;
        transparency_ = work.Param;
        text_ = work.Text;
        outside_ = text_ == "1";
    }
    const uint8_t alpha = maskOpacity(transparency_);
    Surface& main = env_.PictMain();
    const Surface& before = env_.PictJT();
    Surface& msk = env_.PictMsk();
    if (msk.width() != main.width() || msk.height() != main.height())
        msk.resize(main.width(), main.height(), kWhite);
    drawMask(msk, shape_, X_, Y_, W_, H_, outside_);
    // PictJT is left as it was: the black of the mask goes into the blend
    // directly, so PictMain is PictJT with the mask's part darkened.
    if (main.width() == before.width() && main.height() == before.height())
        blendMask(main, before, msk, alpha);
    else
        blendMask(main, main, msk, alpha);
    env_.host().Refresh(Picture::PictMain);

    work.Kind = shape_;
    work.X = X_;
    work.Y = Y_;
    work.W = W_;
    work.H = H_;
    work.Param = transparency_;
    work.Text = text_;
    showRegion();
}

void MaskModule1::showRegion() {
    Panel& p = env_.panel();
    p.setText("Xzahyou", formatFixed(X_, 0));
    p.setText("Yzahyou", formatFixed(Y_, 0));
    if (shape_ == kouka::kMaskEllipse) {
        const SemiAxes axes = maskSemiAxes(W_, H_);
        p.setText("Wzahyou", formatFixed(axes.horizontal, 1));
        p.setText("Hzahyou", formatFixed(axes.vertical, 1));
    } else {
        p.setText("Wzahyou", formatFixed(W_, 1));
        p.setText("Hzahyou", formatFixed(H_, 1));
    }
}

}  // namespace movalux
