#pragma once

#include "core/image/Picture.h"

#include <QImage>
#include <QWidget>
#include <functional>

class QMouseEvent;

namespace tw {

class TEngineServices;

// A QImage over the picture's pixels, without copying: valid while the picture keeps its size.
QImage ImageView(const Picture& picture);
// The 24-bit picture of any image.
Picture ToPicture(const QImage& image);

// A fixed-size picture view, white where the picture does not reach. The editor's surface
// reports the mouse through the On... functions.
class TPictureBox : public QWidget {
    Q_OBJECT
public:
    TPictureBox(const QString& name, QSize size, QWidget* parent);

    // Shows `image` unscaled at the top-left corner.
    void SetImage(QImage image);
    const QImage& Image() const { return Shown; }

    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void(QMouseEvent*)> OnMouseMove;
    std::function<void(QMouseEvent*)> OnMouseUp;
    std::function<void()> OnDblClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage Shown;
};

// A 96 x 96 picture box `name` lying in the window of the engine's 126 x 126 display picture
// frame, whose top-left corner goes to `at` in `parent`.
TPictureBox* FramedPictureBox(TEngineServices& engine, const QString& name, QPoint at,
                              QWidget* parent);

} // namespace tw
