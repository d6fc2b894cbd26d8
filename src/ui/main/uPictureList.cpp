#include "ui/main/uPictureList.h"

#include "core/collection/uMsnHeadManager.h"

#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QUrl>

namespace tw {

QImage ToQImage(const Picture& picture) {
    return QImage(picture.Data(), picture.Width(), picture.Height(),
                  static_cast<qsizetype>(picture.Stride()), QImage::Format_RGB888)
        .copy();
}

TPictureList::TPictureList(TMsnHeadManager& manager, QLabel& preview, QWidget* parent)
    : QListWidget(parent), Manager(manager), Preview(preview) {
    setObjectName(QStringLiteral("lvList"));
    setViewMode(QListView::IconMode);
    setIconSize(QSize(kThumbnailSide, kThumbnailSide));
    setGridSize(QSize(kThumbnailSide + 16, kThumbnailSide + 24));
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setUniformItemSizes(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void TPictureList::AddRow(int image) {
    auto* item = new QListWidgetItem(QString::number(count() + 1));
    item->setIcon(
        QPixmap::fromImage(ToQImage(Manager.Thumbnails().at(static_cast<std::size_t>(image)))));
    item->setData(Qt::UserRole, image);
    addItem(item);
}

void TPictureList::Rebuild() {
    clear();
    for (int i = 0; i < Manager.HeadCount(); ++i)
        AddRow(i * Manager.ImagesPerEntry() + Manager.GetBadgeOffset(i));
}

void TPictureList::AppendRow() {
    // A new entry has no status yet: its plain picture.
    AddRow(count() * Manager.ImagesPerEntry());
}

int TPictureList::SelectedRow() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.size() == 1 ? row(selected.front()) : -1;
}

void TPictureList::DrawPreview(int i) {
    QPixmap canvas(Preview.size());
    canvas.fill(Qt::black);
    const auto t = static_cast<std::size_t>(i) * static_cast<std::size_t>(Manager.ImagesPerEntry());
    if (i >= 0 && t < Manager.Thumbnails().size()) {
        QPainter painter(&canvas);
        painter.drawImage(QPoint(0, 0), ToQImage(Manager.Thumbnails()[t]));
    }
    Preview.setPixmap(canvas);
}

void TPictureList::SetRowImage(int row, int image) {
    if (QListWidgetItem* it = item(row); it && image >= 0 && image < Manager.ThumbnailCount()) {
        it->setIcon(
            QPixmap::fromImage(ToQImage(Manager.Thumbnails()[static_cast<std::size_t>(image)])));
        it->setData(Qt::UserRole, image);
    }
}

bool TPictureList::lvListDragDrop(const QPoint& pos) {
    const int from = SelectedRow();
    const QListWidgetItem* target = itemAt(pos);
    if (from < 0 || target == nullptr)
        return false;
    Manager.MoveHead(from, row(target));
    Rebuild();
    return true;
}

bool TPictureList::Accepts(const QDropEvent* event) const {
    return event->source() == this || event->mimeData()->hasUrls();
}

void TPictureList::dragEnterEvent(QDragEnterEvent* event) {
    if (Accepts(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TPictureList::dragMoveEvent(QDragMoveEvent* event) {
    if (Accepts(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TPictureList::dropEvent(QDropEvent* event) {
    if (event->source() == this) {
        // The list moves the entry itself; Qt must not move or remove any item.
        lvListDragDrop(event->position().toPoint());
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        return;
    }
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    event->acceptProposedAction();
    if (!files.isEmpty() && OnFilesDropped)
        OnFilesDropped(files);
}

} // namespace tw
