#include "shell/StripPainter.h"

#include <QPainter>
#include <cmath>

#include "base/NumberText.h"
#include "editor/Editor.h"
#include "media/TimeText.h"
#include "shell/ClassicDialogs.h"

namespace movalux::shell {

namespace {

QFont stripFont(int pixels) {
    QFont f;
    f.setPixelSize(pixels);
    return f;
}

void columnLines(QPainter& p, int bottom) {
    p.setPen(QPen(Qt::black, 1));
    for (int x : {22, 44, 66}) p.drawLine(x, 0, x, bottom);
}

}  // namespace

void drawTimeline(QImage& image, const Editor& e, int frameStripHeight, int rowHeight) {
    image.fill(strip::kBackground);
    QPainter p(&image);
    const int32_t rows = e.TLRows;
    if (e.MvOpen != kFalse && rows > 0) {
        int32_t pickFrom = e.HokanST, pickTo = e.HokanST;
        if (e.HokanEND >= 0) {
            pickFrom = std::max(e.TLTop, e.HokanST);
            pickTo = std::min(e.TLTop + rows - 1, e.HokanEND);
        }
        const int width = strip::kColumn * 4;
        for (int32_t i = 0; i < rows; ++i) {
            const int32_t f = e.TLTop + i;
            if (f > e.MvENDFlame) continue;
            const int y = roundHalfEven32(static_cast<double>(frameStripHeight) / rows * i);
            for (int c = 0; c < 4; ++c) {
                const int x = strip::kColumn * c;
                if (e.EffArr.contains(c, f) && e.EffArr.at(c, f).Kind > 0) {
                    p.setCompositionMode(QPainter::CompositionMode_Source);
                    p.fillRect(x, y, strip::kColumn, rowHeight, strip::kEffectCell);
                }
                if (f >= pickFrom && f <= pickTo && pickFrom >= 0 && c == e.SelLay) {
                    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
                    p.fillRect(x, y, strip::kColumn, rowHeight, strip::kKeyMark);
                }
            }
            if (f > e.ENDFlame || f < e.STFlame) {
                // MERGEPAINT: NOT source OR destination.
                p.setCompositionMode(QPainter::RasterOp_NotSourceOrDestination);
                p.fillRect(0, y, width, rowHeight, strip::kEffectCell);
            }
        }
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    columnLines(p, 473);
    p.setPen(QPen(strip::kLightRed, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(strip::kColumn * e.SelLay, 0, strip::kColumn, 470);
}

void drawLayerNumbers(QImage& image, const Editor& e) {
    image.fill(strip::kBackground);
    QPainter p(&image);
    p.fillRect(strip::kColumn * e.SelLay, 0, strip::kColumn, 12, strip::kLightRed);
    columnLines(p, 14);
    p.setFont(stripFont(10));
    p.setPen(Qt::black);
    for (int n = 1; n <= 4; ++n)
        p.drawText(QRect(strip::kColumn * (n - 1) + 10, 1, 12, 12), Qt::AlignLeft | Qt::AlignTop,
                   QString::number(n));
}

void drawLayerEnable(QImage& image, const Editor& e) {
    image.fill(strip::kBackground);
    QPainter p(&image);
    columnLines(p, 14);
    p.setFont(stripFont(11));
    p.setPen(Qt::black);
    for (int i = 0; i < 4; ++i)
        if (e.LayEnable[static_cast<size_t>(i)] == 0)
            p.drawText(QRect(strip::kColumn * i + 7, 0, 14, 14), Qt::AlignLeft | Qt::AlignTop,
                       QString::fromUtf8("×"));
}

void drawFrameStripBackground(QImage& image, int rows) {
    image.fill(Qt::white);
    if (rows <= 0) return;
    QPainter p(&image);
    const double h = image.height();
    p.setPen(QPen(Qt::black, 1));
    for (int k = 1; k <= rows; ++k) {
        const int y = static_cast<int>(h / rows * k);
        p.drawLine(0, y, image.width(), y);
    }
    p.setPen(QPen(Qt::black, 2));
    for (int k = 10; k <= rows - 1; k += 10) {
        const int y = static_cast<int>(h / rows * k);
        p.drawLine(0, y, image.width(), y);
    }
}

void drawFrameStrip(QImage& image, const QImage& background, const Editor& e) {
    QPainter p(&image);
    p.drawImage(0, 0, background);
    if (e.MvOpen == kFalse || e.TLRows <= 0) return;
    const double h = image.height();
    const double row = h / e.TLRows;
    if (e.FrmSelEND != 0) {
        const int32_t lo = std::min(e.FrmSelST, e.FrmSelEND) - e.TLTop;
        const int32_t hi = std::max(e.FrmSelST, e.FrmSelEND) - e.TLTop;
        const double top = std::max(0.0, row * lo), bottom = std::min(h, row * (hi + 1));
        if (bottom > top) {
            p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            p.fillRect(QRectF(2, top, image.width() - 4, bottom - top), strip::kBand);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
    }
    const int y = e.frameCursorPos(static_cast<float>(h));
    p.fillRect(0, y - 2, image.width(), 4, strip::kLightRed);
}

void drawPageTimes(QImage& image, const Editor& e) {
    image.fill(strip::kBackground);
    if (e.MvOpen == kFalse || e.StreamInfo.dwRate == 0) return;
    QPainter p(&image);
    p.setFont(stripFont(10));
    p.setPen(Qt::black);
    const auto timeOf = [&](int64_t frame) {
        const double seconds =
            static_cast<double>(frame) * e.StreamInfo.dwScale / e.StreamInfo.dwRate;
        return qs(minutesSecondsText(static_cast<int64_t>(std::floor(seconds))));
    };
    p.drawText(QRect(1, 1, image.width() - 2, 14), Qt::AlignLeft | Qt::AlignTop, timeOf(e.TLTop));
    p.drawText(QRect(1, image.height() - 15, image.width() - 2, 14),
               Qt::AlignLeft | Qt::AlignBottom, timeOf(static_cast<int64_t>(e.TLTop) + e.TLRows));
    // Frame numbers at every tenth frame, beside its row, clear of the times.
    if (e.TLRows <= 0) return;
    p.setFont(stripFont(8));
    p.setPen(QColor(0x30, 0x30, 0x60));
    const double rowHeight = static_cast<double>(image.height()) / e.TLRows;
    for (int32_t row = 0; row < e.TLRows; ++row) {
        const int64_t frame = static_cast<int64_t>(e.TLTop) + row;
        if (frame % 10 != 0 || frame > e.MvENDFlame) continue;
        const int centre = static_cast<int>(std::lround((row + 0.5) * rowHeight));
        if (centre < 20 || centre > image.height() - 20) continue;
        p.drawText(QRect(1, centre - 6, image.width() - 2, 12), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(frame));
    }
}

void drawOverview(QImage& image, const Editor& e) {
    QPainter p(&image);
    const int w = image.width();
    p.fillRect(0, 0, w, image.height(), strip::kSliderBack);
    p.setPen(QColor(0x90, 0x90, 0x90));
    p.drawLine(w / 2, 0, w / 2, 471);
    if (e.MvOpen == kFalse) return;
    const double page = e.SliderScale * e.TLRows;
    p.fillRect(QRectF((w - strip::kPageWindowWidth) / 2.0, e.SliderScale * e.TLTop,
                      strip::kPageWindowWidth, std::max(page, 1.0)),
               strip::kEffectCell);
    p.fillRect(0, e.ENDFlamePos + 4, w, image.height(), strip::kSliderBack);
    p.fillRect(0, e.STFlamePos - 6, w, 6, strip::kMarker);
    p.fillRect(0, e.ENDFlamePos + 4, w, 6, strip::kMarker);
    const int cursor = roundHalfEven32(e.SliderPos);
    p.fillRect(0, cursor, w, 4, strip::kCursor);
}

void drawRuler(QImage& image, const TimeRuler& ruler) {
    image.fill(strip::kBackground);
    if (ruler.empty()) return;
    QPainter p(&image);
    p.setFont(stripFont(9));
    p.setPen(Qt::black);
    for (const RulerLabel& label : ruler.labels)
        p.drawText(QRectF(0, label.y - 1, TimeRuler::kTickX0, 12), Qt::AlignLeft | Qt::AlignTop,
                   qs(label.text));
    for (double y : ruler.ticks)
        p.drawLine(QPointF(TimeRuler::kTickX0, y), QPointF(TimeRuler::kTickX1, y));
}

}  // namespace movalux::shell
