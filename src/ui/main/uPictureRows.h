#pragma once

namespace tw {

// What the slideshow and the status controls need of the main window's picture list: row i
// shows entry i of the collection.
class IPictureRows {
public:
    virtual ~IPictureRows() = default;

    virtual int RowCount() const = 0;
    // The selected row, or -1.
    virtual int SelectedRow() const = 0;
    // Shows entry i's plain picture in the preview.
    virtual void DrawPreview(int i) = 0;
    // Row i shows thumbnail `image` of the manager's Thumbnails.
    virtual void SetRowImage(int row, int image) = 0;
};

} // namespace tw
