#include "shell/PictureBox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <cmath>

namespace movalux::shell {

PictureBox::PictureBox(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setPictureSize(int width, int height, const QColor& fill) {
    picture_ = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    picture_.fill(fill);
}

void PictureBox::setDrawingSize(int width, int height) {
    resize(width + 2 * kBorder, height + 2 * kBorder);
}

void PictureBox::setDropHandler(std::function<void(const QStringList&)> handler) {
    drop_ = std::move(handler);
    setAcceptDrops(static_cast<bool>(drop_));
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(0, 0, width() - 1, 0);
    p.drawLine(0, 0, 0, height() - 1);
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(width() - 1, 1, width() - 1, height() - 1);
    p.drawLine(1, height() - 1, width() - 1, height() - 1);
    const QImage image = source_ ? source_() : picture_;
    if (image.isNull()) return;
    if (scale_ == 1.0) {
        p.drawImage(kBorder, kBorder, image);
        return;
    }
    // Reduced pictures are filtered so that thin outlines stay visible.
    p.setRenderHint(QPainter::SmoothPixmapTransform, scale_ < 1.0);
    p.drawImage(QRectF(kBorder, kBorder, image.width() * scale_, image.height() * scale_), image);
}

void PictureBox::forward(MouseKind kind, QMouseEvent* event) {
    if (!mouse_) return;
    int button = 0;
    const Qt::MouseButtons buttons = kind == MouseKind::Move ? event->buttons() : event->button();
    if (buttons & Qt::LeftButton) button |= 1;
    if (buttons & Qt::RightButton) button |= 2;
    if (buttons & Qt::MiddleButton) button |= 4;
    int shift = 0;
    if (event->modifiers() & Qt::ShiftModifier) shift |= 1;
    if (event->modifiers() & Qt::ControlModifier) shift |= 2;
    if (event->modifiers() & Qt::AltModifier) shift |= 4;
    const QPointF pos = event->position();
    double x = pos.x() - kBorder, y = pos.y() - kBorder;
    if (scale_ != 1.0) {
        x = std::floor(x / scale_);
        y = std::floor(y / scale_);
    }
    mouse_(kind, button, shift, x, y);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    forward(MouseKind::Down, event);
}
void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    forward(MouseKind::Move, event);
}
void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    forward(MouseKind::Up, event);
}

void PictureBox::dragEnterEvent(QDragEnterEvent* event) {
    if (drop_ && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PictureBox::dropEvent(QDropEvent* event) {
    if (!drop_) return;
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        files << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    event->acceptProposedAction();
    drop_(files);
}

}  // namespace movalux::shell
