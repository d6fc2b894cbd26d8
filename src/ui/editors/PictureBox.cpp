#include "ui/editors/PictureBox.h"

#include "core/collection/Thumbnails.h"
#include "ui/app/uEngineServices.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <cstring>

namespace tw {

namespace {

// Where the frame picture's transparent window begins.
constexpr QPoint kFrameWindow{14, 15};

} // namespace

QImage ImageView(const Picture& picture) {
    return QImage(picture.Data(), picture.Width(), picture.Height(),
                  static_cast<qsizetype>(picture.Stride()), QImage::Format_RGB888);
}

Picture ToPicture(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    Picture picture(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(picture.Row(y), rgb.constScanLine(y), picture.Stride());
    return picture;
}

TPictureBox::TPictureBox(const QString& name, QSize size, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPictureBox::SetImage(QImage image) {
    Shown = std::move(image);
    update();
}

void TPictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!Shown.isNull())
        painter.drawImage(0, 0, Shown);
}

void TPictureBox::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown)
        OnMouseDown(event);
}

void TPictureBox::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove)
        OnMouseMove(event);
}

void TPictureBox::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp)
        OnMouseUp(event);
}

void TPictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick();
    else
        mousePressEvent(event);
}

TPictureBox* FramedPictureBox(TEngineServices& engine, const QString& name, QPoint at,
                              QWidget* parent) {
    auto* box = new TPictureBox(name, QSize(kThumbnailSide, kThumbnailSide), parent);
    box->move(at + kFrameWindow);
    // The frame lies over the picture; its window is transparent and it takes no clicks.
    auto* frame = new QLabel(parent);
    frame->setPixmap(engine.pngMSNFrame.Image(0));
    frame->setGeometry(QRect(at, engine.pngMSNFrame.Size()));
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->setStyleSheet(QStringLiteral("background: transparent"));
    return box;
}

} // namespace tw
