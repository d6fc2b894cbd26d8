#pragma once

#include "platform/MessageWindows.h"

#include <QMainWindow>
#include <cstdint>
#include <memory>
#include <string>

// The main window. On the message bus it is the window of class "TfrmMainForm" through which
// another start of the program finds this instance.
namespace tw {

class TBusWindow;

class TfrmMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMainForm(QWidget* parent = nullptr);
    ~TfrmMainForm() override;

    // Answers a message from another process: WM_GETAPPID, WM_QUITAPP, WM_FORCEFOREGROUND and
    // WM_COPYDATA; 0 for anything else.
    std::int64_t WndProc(const WindowMessage& message);

    // Closes the window without saving anything; the program ends.
    void QuitWithoutSaving();

    // The path last handed over by another start of the program (WM_COPYDATA); nothing is
    // done with it.
    const std::string& ReceivedPath() const { return ReceivedPathText; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<TBusWindow> BusWindow;
    std::string ReceivedPathText;
    bool ShownOnce = false;
};

} // namespace tw
