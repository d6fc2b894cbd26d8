#pragma once

#include "ui/main/uPictureRows.h"

#include <QListWidget>
#include <QStringList>
#include <functional>

class QLabel;

namespace tw {

class TMsnHeadManager;
class Picture;

// The picture as a Qt image (a copy).
QImage ToQImage(const Picture& picture);

// The list lvList: row i shows entry i of the collection, captioned i + 1, with the entry's
// thumbnail for its status. A drag inside the list moves the dragged entry to the row it is
// dropped on; files dragged in from outside are handed to OnFilesDropped.
class TPictureList : public QListWidget, public IPictureRows {
    Q_OBJECT
public:
    TPictureList(TMsnHeadManager& manager, QLabel& preview, QWidget* parent);

    // Called with the local files of a drop from another program.
    std::function<void(const QStringList&)> OnFilesDropped;

    // Rows anew for every entry; the selection is lost.
    void Rebuild();
    // A row for the entry just appended at the end of the collection.
    void AppendRow();
    // Moves the selected entry to the row at `pos`; false, changing nothing, without a
    // selection or a row there.
    bool lvListDragDrop(const QPoint& pos);

    int RowCount() const override { return count(); }
    int SelectedRow() const override;
    void DrawPreview(int i) override;
    void SetRowImage(int row, int image) override;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void AddRow(int image);
    bool Accepts(const QDropEvent* event) const;

    TMsnHeadManager& Manager;
    QLabel& Preview;
};

} // namespace tw
