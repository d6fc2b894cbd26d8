#include "ui/app/uImageList.h"

namespace tw {

void TImageList::AddStrip(const QString& file) {
    const QPixmap strip(file);
    if (strip.isNull() || strip.height() != ImageSize.height())
        return;
    for (int x = 0; x + ImageSize.width() <= strip.width(); x += ImageSize.width())
        Images.append(strip.copy(x, 0, ImageSize.width(), ImageSize.height()));
}

void TImageList::Add(const QPixmap& picture) {
    Images.append(picture.size() == ImageSize
                      ? picture
                      : picture.scaled(ImageSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QPixmap TImageList::Image(int index) const {
    return index >= 0 && index < Images.size() ? Images[index] : QPixmap();
}

} // namespace tw
