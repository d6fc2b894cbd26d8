#pragma once

#include "platform/MessageWindows.h"

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QSlider;
class QToolButton;

// The main window. On the message bus it is the window of class "TfrmMainForm" through which
// another start of the program finds this instance. Its components carry the names that
// language files address them by.
namespace tw {

class IFileDialogs;
class TBusWindow;
class TCollectionCommands;
class TFileDialog;
class TMsnControl;
class TPictureList;
class TSlideshowControls;
class TStatusControls;
class TSystemMenu;
class TTrayIcon;

class TfrmMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Runs FormCreate.
    explicit TfrmMainForm(QWidget* parent = nullptr);
    // Runs FormDestroy.
    ~TfrmMainForm() override;

    // Answers a message from another process: WM_GETAPPID, WM_QUITAPP, WM_FORCEFOREGROUND and
    // WM_COPYDATA; 0 for anything else.
    std::int64_t WndProc(const WindowMessage& message);

    // Closes the window without saving anything; the program ends.
    void QuitWithoutSaving();

    // The path last handed over by another start of the program (WM_COPYDATA), which is
    // opened like Load.
    const std::string& ReceivedPath() const { return ReceivedPathText; }

    // Replaces the dialogs that ask for files and folders (tests answer them).
    void SetFileDialogs(std::unique_ptr<IFileDialogs> dialogs);

    // The start of the first showing: collection, list, Messenger link and slideshow. Runs
    // once; later showings do nothing of it.
    void FormShow();
    bool Shown() const { return ShownOnce; }

    TCollectionCommands& Commands() { return *CollectionCommands; }
    TMsnControl* MsnControl() const { return Link.get(); }

    // Components.
    QMenuBar* mmbMainMenu = nullptr;
    QWidget* pnTop = nullptr;
    QLabel* imgMsnFrame = nullptr;
    QLabel* imgHead = nullptr;
    QLabel* lbFriendlyName = nullptr;
    QComboBox* cbbPersonalIcon = nullptr;
    QComboBox* cbbPersonalMsg = nullptr;
    QComboBox* cbbPersonalURL = nullptr;
    QToolButton* btnSwitch = nullptr;
    QToolButton* btnRand = nullptr;
    QSlider* sldDelay = nullptr;
    QLabel* lbDelayTime = nullptr;
    QPushButton* btnApplyRightNow = nullptr;
    QPushButton* btnAddImage = nullptr;
    QPushButton* spSkinButton1 = nullptr;
    QPushButton* btnAddImageOnline = nullptr;
    QPushButton* btnAddSlide = nullptr;
    QWidget* spSkinPanel1 = nullptr;
    TPictureList* lvList = nullptr;
    QMenu* pmList = nullptr;
    QMenu* Setstatewhenthisheaddisplay1 = nullptr;
    TFileDialog* OPD = nullptr;
    TFileDialog* OD = nullptr;
    TFileDialog* SD = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    // Components, actions and menus; in uMainFormLayout.cpp.
    void CreateComponents();
    void CreateActions();
    void CreateMenus();
    QAction* Action(const char* name) const;
    void ConnectCommands();
    void lvListChange();
    void OnlinePictureAdded(int index);
    void pmListPopup(const QPoint& pos);

    std::unique_ptr<TBusWindow> BusWindow;
    std::unique_ptr<IFileDialogs> FileDialogs;
    std::unique_ptr<TCollectionCommands> CollectionCommands;
    std::unique_ptr<TMsnControl> Link;
    std::unique_ptr<TSlideshowControls> Slideshow;
    std::unique_ptr<TStatusControls> StatusControls;
    // Owned by the window as its children.
    TTrayIcon* Tray = nullptr;
    TSystemMenu* System = nullptr;
    QTimer tmMsnPoll;
    std::string ReceivedPathText;
    bool ShownOnce = false;
};

} // namespace tw
