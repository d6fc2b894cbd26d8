#include "ui/app/uPrograss.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace tw {

TfrmProgress::TfrmProgress(QWidget* parent)
    : QDialog(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmProgress"));
    setFixedSize(341, 71);

    edtTitle = new QLabel(this);
    edtTitle->setObjectName(QStringLiteral("edtTitle"));
    edtTitle->setGeometry(18, 8, 305, 20);

    sgMain = new QProgressBar(this);
    sgMain->setObjectName(QStringLiteral("sgMain"));
    sgMain->setGeometry(18, 36, 305, 20);
    sgMain->setFormat(QStringLiteral("%p%"));
    sgMain->setTextVisible(true);

    btnCancel = new QPushButton(tr("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(248, 64, 75, 25);
    btnCancel->hide();
    connect(btnCancel, &QPushButton::clicked, this, &TfrmProgress::reject);
}

void TfrmProgress::SetCancelHandler(std::function<void()> cancel) {
    if (!OnCancel && cancel) {
        setFixedSize(341, 101);
        btnCancel->show();
    }
    OnCancel = std::move(cancel);
}

void TfrmProgress::reject() {
    // Without a handler there is nothing to stop: the window stays until the work ends.
    if (OnCancel)
        OnCancel();
}

void TfrmProgress::SetProgress(int min, int max, const QString& caption, int value) {
    setWindowTitle(caption);
    edtTitle->setText(caption);
    sgMain->setToolTip(caption);
    sgMain->setRange(min, max);
    sgMain->setValue(value);
}

} // namespace tw
