#pragma once

#include "ui/main/uPictureRows.h"

#include <QAction>
#include <QWidget>
#include <map>
#include <vector>

namespace tw::test {

// The picture list as the slideshow and the status controls see it.
class FakeRows : public IPictureRows {
public:
    int rows = 0;
    int selected = -1;
    std::vector<int> previews;
    std::map<int, int> rowImages;

    int RowCount() const override { return rows; }
    int SelectedRow() const override { return selected; }
    void DrawPreview(int i) override { previews.push_back(i); }
    void SetRowImage(int row, int image) override { rowImages[row] = image; }
};

// Gives `window` the components the slideshow and the status controls drive, named and
// captioned as the main window's.
void AddSlideshowComponents(QWidget& window);

template <typename T> T* Component(const QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

} // namespace tw::test
