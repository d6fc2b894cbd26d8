#pragma once

#include <QObject>
#include <functional>

class QAction;
class QMainWindow;
class QMenu;
class QSystemTrayIcon;

namespace tw {

class TMsnHeadManager;

// The main window's tray icon and its menu. The icon is always present; the window's close
// button hides the window here instead of ending the program, and "&Open..." or a click on
// the icon brings it back. "&Exit", another instance's quit and a restart, which close the
// window from the program, end it.
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    // `saveCollection` saves the collection before "&Exit" ends the program and tells whether
    // nothing is lost by ending (saved, or the user chose not to save).
    TTrayIcon(QMainWindow& form, const TMsnHeadManager& manager,
              std::function<bool()> saveCollection);

    // Restores the window from the tray: visible, in its normal state, in front.
    void acOpenOrbelleExecute();
    // "&Exit": saves the collection, then ends the program; a failed save keeps it running.
    void acExitExecute();
    // Closes the window for good without saving; the program ends.
    void CloseWithoutSaving();
    // The menu opens: the collection commands are offered only while a collection file is
    // in use.
    void pmTrayIconPopup();

    QSystemTrayIcon* spTrayIcon = nullptr;
    QMenu* pmTrayIcon = nullptr;
    QAction* miOpen = nullptr;
    QAction* miSwitch = nullptr;
    QAction* miRandom = nullptr;
    QAction* miAddImage = nullptr;
    QAction* miAddOnline = nullptr;
    QAction* miAddSlide = nullptr;
    QAction* HomePage2 = nullptr;
    QAction* About2 = nullptr;
    QAction* miExit = nullptr;

protected:
    // The close button hides the window to the tray.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMainWindow& Form;
    const TMsnHeadManager& Manager;
    std::function<bool()> SaveCollection;
};

} // namespace tw
