#pragma once
// A picture box: shows a picture (its own, or one that the core paints,
// wrapped without a copy) inside a 2-pixel sunken border and hands its mouse
// presses, moves, releases and dropped files to the window. Mouse positions
// are given in the picture's own pixels, also when the picture is shown at
// another scale.

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace movalux::shell {

class PictureBox : public QWidget {
  public:
    enum class MouseKind { Down, Move, Up };
    // Button and Shift in the classic numbering: 1 left, 2 right, 4 middle;
    // 1 Shift, 2 Ctrl, 4 Alt.
    using MouseHandler = std::function<void(MouseKind, int button, int shift, double x, double y)>;
    using ImageSource = std::function<QImage()>;

    static constexpr int kBorder = 2;

    explicit PictureBox(const QString& name, QWidget* parent);

    // The box's own picture, drawn into by the window.
    QImage& picture() { return picture_; }
    void setPictureSize(int width, int height, const QColor& fill);
    // Shows another picture instead of the own one (PictMain shows the
    // core's surface).
    void setImageSource(ImageSource source) { source_ = std::move(source); }
    void setMouseHandler(MouseHandler handler) { mouse_ = std::move(handler); }
    void setDropHandler(std::function<void(const QStringList&)> handler);
    // Size of the drawing area; the widget is kBorder larger on each side.
    void setDrawingSize(int width, int height);
    // The picture is shown at this scale; a screen position p maps to the
    // picture pixel floor(p / scale).
    void setViewScale(double scale) { scale_ = scale > 0 ? scale : 1.0; }
    double viewScale() const { return scale_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void forward(MouseKind kind, QMouseEvent* event);

    QImage picture_;
    ImageSource source_;
    MouseHandler mouse_;
    std::function<void(const QStringList&)> drop_;
    double scale_ = 1.0;
};

}  // namespace movalux::shell
