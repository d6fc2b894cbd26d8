#include "ui/main/uMainForm.h"

#include "core/app/uSettings.h"
#include "core/app/uStartup.h"
#include "core/app/uUtils.h"
#include "ui/app/WindowUtils.h"
#include "ui/app/uBusWindow.h"
#include "ui/app/uTrace.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QShowEvent>

namespace tw {

TfrmMainForm::TfrmMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMainForm"));
    setWindowTitle(QString::fromStdString("Tilewick  " + Settings().VersionText()));
    setCentralWidget(new QWidget(this));
    BusWindow = std::make_unique<TBusWindow>(
        kMainFormClass, [this](const WindowMessage& message) { return WndProc(message); });
    if (!BusWindow->Registered()) {
        // The program works on; only a later start cannot hand over to it.
        Trace("bus-error", BusWindow->Error());
    }
}

TfrmMainForm::~TfrmMainForm() = default;

std::int64_t TfrmMainForm::WndProc(const WindowMessage& message) {
    switch (message.Msg) {
    case WM_GETAPPID:
        return Settings().ReadConstInteger("App.ID", 0);
    case WM_QUITAPP:
        Trace("quit");
        QuitWithoutSaving();
        return 0;
    case WM_FORCEFOREGROUND: {
        const bool active = ForceForegroundWindow(this);
        Trace("front");
        return active ? 1 : 0;
    }
    case WM_COPYDATA:
        ReceivedPathText = message.Data;
        Trace("copydata", BytesToHex(message.Data));
        return 0;
    default:
        return 0;
    }
}

void TfrmMainForm::QuitWithoutSaving() {
    close();
}

void TfrmMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!ShownOnce) {
        ShownOnce = true;
        Trace("shown");
    }
}

void TfrmMainForm::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    // The program's life is the main window's: closing it ends the message loop, whatever
    // other windows (dialogs, the tray) are still around.
    if (event->isAccepted()) {
        QCoreApplication::quit();
    }
}

} // namespace tw
