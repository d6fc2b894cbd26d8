#include "ui/online/KeywordBox.h"

namespace tw {

TKeywordBox::TKeywordBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // The history is kept by the window; Enter searches and must not add items, and inline
    // completion would silently change the words about to be searched.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
}

void TKeywordBox::showPopup() {
    emit DropDown();
    QComboBox::showPopup();
}

} // namespace tw
