#include "ui/app/WindowUtils.h"

#include <QWidget>
#include <QWindow>

namespace tw {

bool ForceForegroundWindow(QWidget* wnd) {
    if (wnd->isMinimized()) {
        wnd->showNormal();
    } else {
        wnd->show();
    }
    if (!wnd->isActiveWindow()) {
        wnd->raise();
        wnd->activateWindow();
    }
    return wnd->isActiveWindow();
}

void SetWindowTopMost(QWidget* wnd, bool flag) {
    Qt::WindowFlags flags = wnd->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, flag);
    QWindow* native = wnd->windowHandle();
    if (native == nullptr) {
        wnd->setWindowFlags(flags); // nothing on screen yet, so nothing to keep in place
        return;
    }
    // QWidget::setWindowFlags would hide the window; change the native window instead and
    // tell the widget afterwards.
    native->setFlags(flags);
    wnd->overrideWindowFlags(flags);
}

} // namespace tw
