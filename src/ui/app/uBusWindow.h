#pragma once

#include "platform/MessageWindows.h"

#include <QObject>
#include <memory>
#include <string>
#include <string_view>

class QSocketNotifier;

// A window on the message bus whose messages are answered from the Qt event loop.
namespace tw {

class TBusWindow : public QObject {
    Q_OBJECT
public:
    // Registers a window of `className`; `handler` answers each message on the GUI thread.
    // A handler that wants this object gone uses deleteLater(), as for any signal sender.
    TBusWindow(std::string_view className, MessageHandler handler, QObject* parent = nullptr);
    ~TBusWindow() override;

    // Whether the window is on the bus; when not, Error() says why.
    bool Registered() const { return Window != nullptr; }
    const std::string& Error() const { return ErrorText; }

private:
    std::unique_ptr<MessageWindow> Window;
    std::unique_ptr<QSocketNotifier> Notifier;
    std::string ErrorText;
};

} // namespace tw
