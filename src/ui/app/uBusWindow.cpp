#include "ui/app/uBusWindow.h"

#include <QSocketNotifier>

namespace tw {

TBusWindow::TBusWindow(std::string_view className, MessageHandler handler, QObject* parent)
    : QObject(parent) {
    Window = MessageWindow::Register(className, std::move(handler), ErrorText);
    if (!Window) {
        return;
    }
    Notifier = std::make_unique<QSocketNotifier>(Window->Fd(), QSocketNotifier::Read);
    connect(Notifier.get(), &QSocketNotifier::activated, this,
            [this] { Window->ProcessPending(); });
}

TBusWindow::~TBusWindow() = default;

} // namespace tw
