#pragma once

#include <QObject>
#include <functional>

class QAction;
class QMainWindow;
class QMenu;
class QToolButton;

namespace tw {

class TEngineServices;
class TUpdateCheckUi;

// The main window's frame: the system menu pmSystem and the always-on-top button beside the
// menu bar, the commands Always On Top, Help, Home Page, Update, Options, About and Exit, the
// skin and language submenus, the caption, and the remembered position and size.
class TSystemMenu : public QObject {
    Q_OBJECT
public:
    // `exit` is what "&Exit" does: save, then end the program.
    TSystemMenu(QMainWindow& form, TEngineServices& engine, TUpdateCheckUi& updates,
                std::function<void()> exit);

    bool AlwaysOnTop() const;
    void acAlwaysOnTopExecute();
    void acOptionExecute();
    void acAboutExecute();
    // The submenus open: check marks on the skin and language in use.
    void acSkinExecute();
    void acLanguageExecute();

    QMenu* pmSystem = nullptr;
    QToolButton* btnSystemMenu = nullptr;
    QToolButton* btnAlwaysOnTop = nullptr;
    QAction* acAlwaysOnTop = nullptr;
    QAction* acHelp = nullptr;
    QAction* acHome = nullptr;
    QAction* acUpdate = nullptr;
    QAction* acOption = nullptr;
    QAction* acAbout = nullptr;
    QAction* acExit = nullptr;
    QAction* acGetMoreLanguage = nullptr;
    QMenu* miChangeSkin = nullptr;
    QAction* miDefaultSkin = nullptr;
    QMenu* miChangeLanguage = nullptr;

protected:
    // First showing, moves and resizes of the window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window's action or submenu of that name, made here when the window has none.
    QAction* Action(const char* name);
    QMenu* Menu(const char* name);
    // The window's own menu items that stand for a command of this frame.
    void FollowWindowItems();
    // The window's caption: the program's name, two blanks, its version.
    void smLanguageChangeLanguage();
    // Done once, when the window is first shown.
    void FormShow();
    void RestorePlacement();
    void BuildSkinMenu();
    void BuildLanguageMenu();

    QMainWindow& Form;
    TEngineServices& Engine;
    TUpdateCheckUi& Updates;
    bool Shown = false;
};

} // namespace tw
