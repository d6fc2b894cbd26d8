#include "ui/app/uEngineWnd.h"

#include "core/app/uSettings.h"

#include <QMessageBox>

namespace tw {

TfrmEngineWnd* frmEngineWnd = nullptr;

TfrmEngineWnd::TfrmEngineWnd(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmEngineWnd"));
    frmEngineWnd = this;
    FormCreate();
}

TfrmEngineWnd::~TfrmEngineWnd() {
    frmEngineWnd = nullptr;
}

void TfrmEngineWnd::FormCreate() {
    ChooseDataFolder(Settings(), [this] { ShowCurrentUserOnlyNotice(); });
}

void TfrmEngineWnd::ShowCurrentUserOnlyNotice() {
    QMessageBox::information(
        this, QStringLiteral("Tilewick"),
        QStringLiteral("Tilewick cannot write to the settings folder shared by all users of "
                       "this computer.\nYour settings will be kept for the current user only."));
}

} // namespace tw
