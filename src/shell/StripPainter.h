#pragma once
// Drawing of the window's strips from the editor's state: the timeline page,
// the layer number and enable strips, the frame strip with its background,
// its page times, the overview slider and the time ruler.

#include <QColor>
#include <QImage>

namespace movalux {
class Editor;
struct TimeRuler;
}  // namespace movalux

namespace movalux::shell {

// The small pictures the strips are built from.
namespace strip {
inline const QColor kBackground{0xA0, 0xA0, 0xA0};  // the timeline's background
inline const QColor kEffectCell{0x3F, 0x3F, 0x7F};  // Pic2Sel
inline const QColor kKeyMark{0xFF, 0xFF, 0x00};     // Pic3Sel, drawn with XOR
inline const QColor kLightRed{0xFF, 0x00, 0x00};    // colour 12 of the 16-colour palette
inline const QColor kSliderBack{0xE8, 0xE8, 0xE8};  // PicSlBak
inline const QColor kMarker{0xC0, 0x00, 0x00};      // PicCsl
inline const QColor kCursor{0x00, 0x00, 0x00};
inline const QColor kBand{0x80, 0xC0, 0xFF};  // the frame selection band
constexpr int kColumn = 22;
constexpr int kPageWindowWidth = 15;
}  // namespace strip

// SetTLine: the page of TLRows rows; frameStripHeight is H, rowHeight r.
void drawTimeline(QImage& image, const Editor& e, int frameStripHeight, int rowHeight);
// DspSelLayer and DspLayEnable.
void drawLayerNumbers(QImage& image, const Editor& e);
void drawLayerEnable(QImage& image, const Editor& e);
// Sl2BkLine: the frame strip background with n rows.
void drawFrameStripBackground(QImage& image, int rows);
// The frame strip: background, selection band, current-frame cursor.
void drawFrameStrip(QImage& image, const QImage& background, const Editor& e);
// SetSL2Mj: the times of the page's first and last row.
void drawPageTimes(QImage& image, const Editor& e);
// DspSldr: the overview slider in slider units (one unit a pixel).
void drawOverview(QImage& image, const Editor& e);
// The time ruler beside the overview slider.
void drawRuler(QImage& image, const TimeRuler& ruler);

}  // namespace movalux::shell
