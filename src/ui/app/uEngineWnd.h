#pragma once

#include <QWidget>

// The hidden engine window: created before the main window and destroyed after it, never
// shown and never the main window. It hosts the services that all windows share.
namespace tw {

class TfrmEngineWnd : public QWidget {
    Q_OBJECT
public:
    // Runs FormCreate.
    explicit TfrmEngineWnd(QWidget* parent = nullptr);
    ~TfrmEngineWnd() override;

private:
    // Chooses the settings scope and selects the data folder.
    void FormCreate();
    // The plain box telling the user that settings stay with the current user only.
    void ShowCurrentUserOnlyNotice();
};

// The one engine window while it exists, else null.
extern TfrmEngineWnd* frmEngineWnd;

} // namespace tw
