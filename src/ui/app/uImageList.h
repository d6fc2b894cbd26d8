#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace tw {

// A list of pictures of one size, as the windows use them for buttons, menus and frames.
class TImageList {
public:
    explicit TImageList(QSize size = {16, 16}) : ImageSize(size) {}

    // Cuts a horizontal strip of pictures into images of this list's size and appends them;
    // a strip whose height differs from the size, or that does not load, adds nothing.
    void AddStrip(const QString& file);
    // Appends one picture, scaled to the list's size when it differs.
    void Add(const QPixmap& picture);

    int Count() const { return static_cast<int>(Images.size()); }
    QSize Size() const { return ImageSize; }
    // The image at `index`; an empty picture when out of range.
    QPixmap Image(int index) const;
    QIcon Icon(int index) const { return QIcon(Image(index)); }

private:
    QSize ImageSize;
    QList<QPixmap> Images;
};

} // namespace tw
