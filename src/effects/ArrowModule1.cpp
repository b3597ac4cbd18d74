#include "effects/ArrowModule1.h"

#include <cmath>
#include <stdexcept>

#include "base/NumberText.h"
#include "effects/RasterOps.h"
#include "effects/RegionGesture.h"
#include "effects/Surface.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

constexpr double kPi = static_cast<double>(kArrowPi);

struct Place {
    const char* name;
    int left, top;
};

}  // namespace

uint32_t arrowColour(int32_t index) {
    static constexpr uint32_t kColours[] = {
        rgb(0, 0, 0),   rgb(0, 0, 255),   rgb(0, 255, 0),   rgb(0, 255, 255),
        rgb(255, 0, 0), rgb(255, 0, 255), rgb(255, 255, 0), rgb(255, 255, 255),
    };
    if (index < 0 || index > 7) throw std::out_of_range("arrow colour");
    return kColours[index];
}

std::array<ArrowPoint, 6> arrowPoints(double direction, double size, float cx, float cy) {
    const double theta = direction * kPi / 4;
    const double r1 = std::pow(8.0, 0.5) * size * 4;
    const double r2 = std::pow(5.0, 0.5) * size * 4;
    const double r3 = std::pow(26.0, 0.5) * size * 4;
    const double a1 = std::atan(1.0), a2 = std::atan(2.0), a5 = std::atan(5.0);
    const struct {
        double r, a;
    } corner[6] = {{r1, a1}, {r2, a2}, {r3, a5}, {r3, kPi - a5}, {r2, kPi - a2}, {r1, kPi - a1}};
    std::array<ArrowPoint, 6> p{};
    for (size_t i = 0; i < 6; ++i)
        p[i] = {static_cast<float>(cx + corner[i].r * std::cos(theta + corner[i].a)),
                static_cast<float>(cy + corner[i].r * std::sin(theta + corner[i].a))};
    return p;
}

namespace {

void arrowLine(Surface& s, const std::array<ArrowPoint, 6>& p, float cx, float cy) {
    float px = cx, py = cy;
    auto to = [&](float x, float y) {
        DrawLine(s, roundHalfEven32(px), roundHalfEven32(py), roundHalfEven32(x),
                 roundHalfEven32(y), kBlack, DrawMode::CopyPen);
        px = x;
        py = y;
    };
    for (const ArrowPoint& q : p) to(q.x, q.y);
    to(cx, cy);
}

}  // namespace

void buildArrowSprite(Surface& image, Surface& mask, double direction, double size,
                      uint32_t colour) {
    image.resize(kArrowSprite, kArrowSprite, kWhite);
    mask.resize(kArrowSprite, kArrowSprite, kWhite);
    image.fill(kWhite);
    const float cx = image.width() / 2.0f, cy = image.height() / 2.0f;
    const auto p = arrowPoints(direction, size, cx, cy);
    // The middle of the head's base is always inside the outline.
    const int sx = roundHalfEven32((static_cast<double>(p[1].x) + p[4].x) / 2);
    const int sy = roundHalfEven32((static_cast<double>(p[1].y) + p[4].y) / 2);

    arrowLine(image, p, cx, cy);
    FloodFill(image, sx, sy, kBlack, FloodType::Border, kBlack);
    BitBlt(mask, 0, 0, image.width(), image.height(), &image, 0, 0, Rop::NotSrcCopy);

    image.fill(kWhite);
    arrowLine(image, p, cx, cy);
    FloodFill(image, sx, sy, kBlack, FloodType::Border, colour);
}

void stampArrow(Surface& dst, const Surface& image, const Surface& mask, float x, float y) {
    const float hx = image.width() / 2.0f, hy = image.height() / 2.0f;
    const int dx = roundHalfEven32(static_cast<double>(x) - hx);
    const int dy = roundHalfEven32(static_cast<double>(y) - hy);
    BitBlt(dst, dx, dy, mask.width(), mask.height(), &mask, 0, 0, Rop::SrcPaint);
    BitBlt(dst, dx, dy, image.width(), image.height(), &image, 0, 0, Rop::SrcAnd);
}

int32_t ArrowModule1::handle(EffArgs& args) {
    switch (args.DoNom) {
        case cmd::kMouseDown:
            restoreChoice();
            MakeArrow();
            if (!dragging_) {
                env_.DspFrame2();
                stampAt(args.X, args.Y);
                env_.host().Refresh(Picture::PictMain);
            }
            dragging_ = true;
            return 0;
        case cmd::kMouseMove:
            if (!dragging_) return 0;
            showPoint(false, args.X, args.Y);
            env_.DspFrame2();
            stampAt(args.X, args.Y);
            env_.host().Refresh(Picture::PictMain);
            return 0;
        case cmd::kMouseUp:
            X_ = args.X;
            Y_ = args.Y;
            showPoint(true, X_, Y_);
            writeRecord();
            dragging_ = false;
            return 0;
        case cmd::kRender: {
            struct RenderScope {
                ArrowModule1& m;
                explicit RenderScope(ArrowModule1& mod) : m(mod) { m.render_ = true; }
                ~RenderScope() {
                    m.render_ = false;
                    m.restoreChoice();
                }
            } scope(*this);
            DrawArrow();
            return 0;
        }
        case cmd::kXYSet:
            dragging_ = true;
            X_ = args.Button;
            Y_ = args.Shift;
            DrawArrow();
            dragging_ = false;
            env_.host().Refresh(Picture::PictMain);
            return 0;
        case cmd::kPanel:
            layoutScale_ = args.X;
            SetArrowPanel();
            return kouka::kArrow;
        case cmd::kParam:
            switch (args.Button) {
                case ctl::kCombo1:
                    arrowColour(args.Shift);  // refuses an index outside the list
                    colour_ = savedColour_ = args.Shift;
                    break;
                case ctl::kCombo5:
                    if (args.Shift < 0 || args.Shift > 7)
                        throw std::out_of_range("direction list index");
                    direction_ = savedDirection_ = kArrowDirectionCodes[args.Shift];
                    break;
                case ctl::kCombo6:
                    size_ = savedSize_ = static_cast<float>(args.Shift + 1);
                    break;
                default:
                    break;
            }
            MakeArrow();
            return kouka::kArrow;
        case cmd::kHokan:
            return 1;
        default:
            return 0;
    }
}

void ArrowModule1::restoreChoice() {
    colour_ = savedColour_;
    text_ = savedText_;
    direction_ = savedDirection_;
    size_ = savedSize_;
}

void ArrowModule1::MakeArrow() {
    buildArrowSprite(shared_.PictStart, shared_.PictEnd, direction_, size_, arrowColour(colour_));
    shared_.table.marker = -1;
    // Rendering records leaves the preview showing the panel's own choice.
    if (render_) return;
    Surface& preview = env_.PreVewPict();
    const double theta = direction_ * kPi / 4;
    const double cx = shared_.PictStart.width() / 2.0, cy = shared_.PictStart.height() / 2.0;
    const int sx =
        roundHalfEven32(cx - preview.width() / 2.0 + 8 * size_ * std::cos(theta + kPi / 2));
    const int sy =
        roundHalfEven32(cy - preview.height() / 2.0 + 8 * size_ * std::sin(theta + kPi / 2));
    preview.fill(kWhite);
    BitBlt(preview, 0, 0, preview.width(), preview.height(), &shared_.PictStart, sx, sy,
           Rop::SrcCopy);
    env_.host().Refresh(Picture::PreVewPict);
}

void ArrowModule1::stampAt(float x, float y) {
    stampArrow(env_.PictMain(), shared_.PictStart, shared_.PictEnd, x, y);
}

void ArrowModule1::showPoint(bool formatted, float x, float y) {
    Panel& p = env_.panel();
    p.setText("Xzahyou", formatted ? formatFixed(x, 1) : plainNumberText(x));
    p.setText("Yzahyou", formatted ? formatFixed(y, 1) : plainNumberText(y));
    if (formatted) {
        p.setText("Wzahyou", "");
        p.setText("Hzahyou", "");
    }
}

void ArrowModule1::writeRecord() {
    EffRec& w = env_.WorkRec();
    w.Kind = kouka::kArrow;
    w.X = X_;
    w.Y = Y_;
    w.W = size_;
    w.H = static_cast<float>(direction_);
    w.Param = colour_;
    w.Text = text_;
}

void ArrowModule1::DrawArrow() {
    if (render_ && !dragging_) {
        const EffRec& w = env_.WorkRec();
        X_ = w.X;
        Y_ = w.Y;
        size_ = w.W;
        direction_ = w.H;
        colour_ = w.Param;
        text_ = w.Text;
    }
    MakeArrow();
    stampAt(X_, Y_);
    showPoint(true, X_, Y_);
    writeRecord();
}

void ArrowModule1::SetArrowPanel() {
    Panel& p = env_.panel();
    const int font = panelFontSize(layoutScale_);
    for (const char* hidden : {"Frame5", "Frame6", "RDPictBtn", "ComdBtn2", "ComSTP2", "HScroll1",
                               "HScroll2", "HScroll3"})
        p.setVisible(hidden, false);

    p.clearList("Combo5");
    for (const char* item : {"下", "右下", "右", "右上", "上", "左上", "左", "左下"})
        p.addItem("Combo5", item);
    p.setListIndex("Combo5", 0);
    p.clearList("Combo6");
    for (const char* item : {"小", "中", "大"}) p.addItem("Combo6", item);
    p.setListIndex("Combo6", 1);
    p.clearList("Combo1");
    for (const char* item : {"黒", "青", "緑", "シアン", "赤", "マゼンタ", "黄", "白"})
        p.addItem("Combo1", item);
    p.setListIndex("Combo1", 6);
    for (const char* shown : {"Combo5", "Combo6", "Combo1"}) {
        p.setVisible(shown, true);
        p.setEnabled(shown, true);
    }
    p.setCaption("Label3", "方向");
    p.setCaption("Label6", "大きさ");
    p.setCaption("Label1", "色");
    for (const char* shown : {"Label3", "Label6", "Label1"}) p.setVisible(shown, true);
    static constexpr Place kPlaces[] = {
        {"Combo5", 2140, 360}, {"Label3", 1500, 420},  {"Combo6", 2140, 740},
        {"Label6", 1500, 800}, {"Combo1", 2140, 1100}, {"Label1", 1500, 1160},
    };
    for (const Place& q : kPlaces) {
        p.move(q.name, q.left, q.top);
        p.setFontSize(q.name, font);
    }

    p.setVisible("PreVewPict", true);
    p.move("PreVewPict", 3400, 360);
    p.resize("PreVewPict", 1100, 1100);
    env_.PreVewPict().resize(panelPixels(1100, layoutScale_), panelPixels(1100, layoutScale_),
                             kWhite);

    p.setEnabled("ComFdIn", false);
    p.setEnabled("ComFdOut", false);
    p.setEnabled("mnuAll", false);
    layoutCoordinateFrame(p, layoutScale_);

    direction_ = savedDirection_ = 4;
    size_ = savedSize_ = 2;
    colour_ = savedColour_ = 6;
    MakeArrow();
}

}  // namespace movalux
