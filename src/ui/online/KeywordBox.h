#pragma once

#include <QComboBox>

// The editable keyword box of the online search: announces that its list is about to open, so
// that the window can add its "clear" item first.
namespace tw {

class TKeywordBox : public QComboBox {
    Q_OBJECT
public:
    explicit TKeywordBox(QWidget* parent = nullptr);

    void showPopup() override;

signals:
    void DropDown();
};

} // namespace tw
