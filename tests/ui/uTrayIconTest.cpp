// The main window's tray icon, system menu, skin and language submenus, caption and placement,
// on a bare main window with the engine's services.
#include "ui/main/uTrayIcon.h"

#include "EngineFixture.h"
#include "core/app/uSettings.h"
#include "core/collection/uMsnHeadManager.h"
#include "platform/SystemInfo.h"
#include "ui/app/uUpdateCheckUi.h"
#include "ui/main/uSystemMenu.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <xcb/xcb.h>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

// A main window that counts the closes it accepts, which end the real program.
class CountingWindow : public QMainWindow {
public:
    int Closes = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        ++Closes;
        QMainWindow::closeEvent(event);
    }
};

class TrayIconTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        Main.reset();
        WriteProgramFile("const.dat", "[const]\nApp.Ver=4.2.0.0\nApp.ConfigPath=Tilewick\n"
                                      "URL.help=%exepath%res/help.html\n"
                                      "URL.update=http://127.0.0.1:9/update/\n");
        ReplaceSettings(std::make_unique<TSettings>(ProgramFolder.string()));
        Settings().SelectDataFolder(false);
    }
    void TearDown() override {
        Form.reset();
        Updates.reset();
        Manager.reset();
        EngineFixture::TearDown();
    }

    // The main window with its tray icon and system menu, as the program makes them.
    void MakeForm() {
        Manager = std::make_unique<TMsnHeadManager>(Settings().DataFolder());
        Updates = std::make_unique<TUpdateCheckUi>(
            *Engine, TUpdateCheck(Settings(), Settings().ProgramFolder(), {}, LocalNow));
        Updates->SetUrlOpener([this](const std::string& url) {
            Opened.push_back(url);
            return true;
        });
        Form = std::make_unique<CountingWindow>();
        Form->setObjectName(QStringLiteral("frmMainForm"));
        // The window's View menu, with its own always-on-top item and empty submenus.
        View = Form->menuBar()->addMenu(QStringLiteral("&View"));
        View->setObjectName(QStringLiteral("View1"));
        View->addAction(QStringLiteral("&Always On Top"))->setObjectName("AlwaysOnTop4");
        View->addMenu(QStringLiteral("Change &Skin"))->setObjectName("miChangeSkin");
        View->addMenu(QStringLiteral("Change &Language"))->setObjectName("miChangeLanguage");
        Tray = new TTrayIcon(*Form, *Manager, [this] {
            ++Saves;
            return SaveSucceeds;
        });
        System = new TSystemMenu(*Form, *Engine, *Updates, [this] { Tray->acExitExecute(); });
    }

    std::vector<QString> Captions(const QMenu* menu) const {
        std::vector<QString> captions;
        for (const QAction* item : menu->actions())
            captions.push_back(item->isSeparator() ? QStringLiteral("-") : item->text());
        return captions;
    }

    std::unique_ptr<TMsnHeadManager> Manager;
    std::unique_ptr<TUpdateCheckUi> Updates;
    std::unique_ptr<CountingWindow> Form;
    TTrayIcon* Tray = nullptr;
    TSystemMenu* System = nullptr;
    QMenu* View = nullptr;
    std::vector<std::string> Opened;
    int Saves = 0;
    bool SaveSucceeds = true;
};

TEST_F(TrayIconTest, OpenBringsTheWindowBackExitSavesAndEnds) {
    MakeForm();
    EXPECT_TRUE(Tray->spTrayIcon->isVisible()) << "present before the window shows";
    for (int way = 0; way < 3; ++way) {
        if (way == 2)
            Form->showMinimized();
        else
            Form->hide();
        if (way == 1)
            emit Tray->spTrayIcon->activated(QSystemTrayIcon::Trigger);
        else
            Tray->miOpen->trigger();
        EXPECT_TRUE(Form->isVisible()) << way;
        EXPECT_FALSE(Form->isMinimized()) << way;
    }
    EXPECT_EQ(Saves, 0);

    SaveSucceeds = false;
    Tray->miExit->trigger();
    EXPECT_EQ(Saves, 1);
    EXPECT_EQ(Form->Closes, 0) << "a failed save keeps the program running";
    EXPECT_TRUE(Form->isVisible());

    SaveSucceeds = true;
    Tray->miExit->trigger();
    EXPECT_EQ(Saves, 2);
    EXPECT_EQ(Form->Closes, 1);
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(TrayIconTest, QuitAndRestartEndWithoutSaving) {
    MakeForm();
    Form->show();
    Tray->CloseWithoutSaving();
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Form->Closes, 1);
    EXPECT_EQ(Saves, 0);

    // The engine's restart closes the main window and ends the loop; nothing is saved.
    MakeForm();
    Form->show();
    Engine->SetProgramLauncher([](const std::vector<std::string>&) { return true; });
    Engine->WMRestart(0);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Saves, 0);
}

TEST_F(TrayIconTest, TrayMenuItemsInOrderAndOfferedWithACollectionFile) {
    MakeForm();
    EXPECT_EQ(Captions(Tray->pmTrayIcon),
              (std::vector<QString>{"&Open...", "&Start slideshow", "&Random Order", "&Add Images",
                                    "Add Images &Online", "&Easy Animation", "-", "Home &Page...",
                                    "-", "A&bout...", "&Exit"}));
    const QList<QAction*> collection = {Tray->miSwitch, Tray->miAddImage, Tray->miAddOnline,
                                        Tray->miAddSlide};
    for (const bool hasFile : {true, false, true}) {
        Manager->SetFileName(hasFile ? "/tmp/a.vkt" : "");
        emit Tray->pmTrayIcon->aboutToShow();
        for (const QAction* item : collection)
            EXPECT_EQ(item->isEnabled(), hasFile) << item->objectName().toStdString();
        EXPECT_TRUE(Tray->miOpen->isEnabled());
        EXPECT_TRUE(Tray->miExit->isEnabled());
    }

    // Items run the window's commands of their names, wherever those were made.
    int added = 0;
    auto* acAddImage = new QAction(Form.get());
    acAddImage->setObjectName(QStringLiteral("acAddImage"));
    QObject::connect(acAddImage, &QAction::triggered, [&] { ++added; });
    Tray->miAddImage->trigger();
    EXPECT_EQ(added, 1);
    Tray->HomePage2->trigger();
    EXPECT_EQ(Requests.size(), 1u) << "no home page configured here";
}

TEST_F(TrayIconTest, AlwaysOnTopButtonAndMenuItemStayInStep) {
    MakeForm();
    Form->show();
    QAction* viewItem = View->actions().value(0);
    EXPECT_FALSE(System->AlwaysOnTop());
    EXPECT_FALSE(viewItem->isChecked());
    EXPECT_EQ(System->pmSystem->actions().value(0), System->acAlwaysOnTop);

    System->btnAlwaysOnTop->click();
    EXPECT_TRUE(System->acAlwaysOnTop->isChecked());
    EXPECT_TRUE(Form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(Form->isVisible()) << "changing the band keeps the window shown";
    EXPECT_TRUE(viewItem->isChecked());

    viewItem->trigger();
    EXPECT_FALSE(viewItem->isChecked());
    EXPECT_FALSE(System->btnAlwaysOnTop->isChecked());
    EXPECT_FALSE(Form->windowFlags() & Qt::WindowStaysOnTopHint);

    EXPECT_EQ(Captions(System->pmSystem),
              (std::vector<QString>{"&Always On Top", "-", "Home &Page...", "&Options...", "-",
                                    "&Exit"}));
}

TEST_F(TrayIconTest, SkinSubmenuListsSkinsAndMarksTheOneInUse) {
    MakeForm();
    Form->show();
    EXPECT_FALSE(System->miChangeSkin->menuAction()->isVisible()) << "no skin files";

    for (const char* name : {"Green", "Blue"})
        WriteProgramFile(std::string("skins/") + name + ".skn", "QWidget {}");
    MakeForm();
    Form->show();
    EXPECT_TRUE(System->miChangeSkin->menuAction()->isVisible());
    EXPECT_EQ(Captions(System->miChangeSkin), (std::vector<QString>{"&Default", "Blue", "Green"}));
    const struct {
        const char* skin;
        int marked;
    } cases[] = {{"Green", 2}, {"Default", 0}, {"green", 2}, {"Blue", 1}};
    for (const auto& c : cases) {
        Engine->SetSkin(c.skin);
        emit System->miChangeSkin->aboutToShow();
        const QList<QAction*> items = System->miChangeSkin->actions();
        for (int i = 0; i < items.size(); ++i)
            EXPECT_EQ(items[i]->isChecked(), i == c.marked) << c.skin << " item " << i;
    }
    System->miChangeSkin->actions().value(2)->trigger();
    EXPECT_EQ(Engine->GetSkinName(), "Green");
    System->miDefaultSkin->trigger();
    EXPECT_EQ(Engine->GetSkinName(), "");
    EXPECT_EQ(Settings().ReadString("Skin", "unset"), "");
    qApp->setStyleSheet(QString());
}

TEST_F(TrayIconTest, LanguageSubmenuInReverseOrderAndTheCaptionFollowsTheLanguage) {
    WriteProgramFile("langs/Deutsch.lan", "[Info]\nLanguage=Deutsch\n"
                                          "[ResString]\nstrAppName=Kachelwerk\n");
    WriteProgramFile("langs/English.lan", "[Info]\nLanguage=English\n");
    MakeForm();
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tilewick  4.2.0.0"));
    Form->show();
    EXPECT_EQ(Captions(System->miChangeLanguage),
              (std::vector<QString>{"English", "Deutsch", "-", "&More Languages..."}));
    QAction* deutsch = System->miChangeLanguage->actions().value(1);
    EXPECT_EQ(deutsch->toolTip(), QStringLiteral("Deutsch"));
    EXPECT_EQ(View->actions().value(2), System->miChangeLanguage->menuAction());
    EXPECT_EQ(View->actions().size(), 3) << "no second submenu";

    deutsch->trigger();
    EXPECT_EQ(Engine->LanguageName(), "Deutsch");
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Kachelwerk  4.2.0.0"));
    emit System->miChangeLanguage->aboutToShow();
    EXPECT_FALSE(System->miChangeLanguage->actions().value(0)->isChecked());
    EXPECT_TRUE(deutsch->isChecked());
}

TEST_F(TrayIconTest, NoLanguageFilesHideTheLanguageSubmenu) {
    MakeForm();
    Form->show();
    EXPECT_FALSE(System->miChangeLanguage->menuAction()->isVisible());
}

TEST_F(TrayIconTest, PlacementIsRestoredAtFirstShowAndStoredOnlyAfterIt) {
    const struct {
        const char* stored;
        QRect expected;
    } cases[] = {
        {"MainForm.Left=40\nMainForm.Top=50\nMainForm.Width=700\nMainForm.Height=500\n",
         QRect(40, 50, 700, 500)},
        {"MainForm.Left=40\nMainForm.Top=50\nMainForm.Width=0\nMainForm.Height=500\n",
         QRect(40, 50, 320, 240)},
        {"", QRect(5, 6, 888, 666)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        const fs::path file = fs::path(Settings().DataFolder()) / "Setting.dat";
        std::ofstream(file) << "[setting]\n" << c.stored;
        ReplaceSettings(std::make_unique<TSettings>(ProgramFolder.string()));
        Settings().SelectDataFolder(false);
        MakeForm();
        Form->setGeometry(5, 6, 320, 240);
        Form->move(7, 8);
        Form->move(5, 6);
        QCoreApplication::processEvents();
        const std::string before = ReadFile(file);
        Form->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(Form->geometry().size(), c.expected.size());
        EXPECT_EQ(Form->pos(), c.expected.topLeft());
        EXPECT_EQ(ReadFile(file), before) << "nothing stored before the first show";

        Form->move(60, 70);
        Form->resize(640, 480);
        QCoreApplication::processEvents();
        EXPECT_EQ(Settings().ReadInteger("MainForm.Left", 0), 60);
        EXPECT_EQ(Settings().ReadInteger("MainForm.Top", 0), 70);
        EXPECT_EQ(Settings().ReadInteger("MainForm.Width", 0), 640);
        EXPECT_EQ(Settings().ReadInteger("MainForm.Height", 0), 480);
    }
}

TEST_F(TrayIconTest, OptionsAndAboutOpenModallyOverTheWindow) {
    MakeForm();
    Form->show();
    const struct {
        QAction* command;
        const char* dialog;
    } cases[] = {{System->acOption, "TfrmOptionForm"}, {System->acAbout, "TfrmAboutForm"}};
    for (const auto& c : cases) {
        QString shown;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr)
                return;
            shown = QString::fromLatin1(modal->metaObject()->className());
            EXPECT_EQ(modal->parentWidget(), Form.get());
            modal->close();
        });
        c.command->trigger();
        EXPECT_EQ(shown, QStringLiteral("tw::") + QLatin1String(c.dialog));
    }
}

TEST_F(TrayIconTest, HelpHomeAndUpdateCommands) {
    MakeForm();
    System->acHelp->trigger();
    EXPECT_EQ(Opened, std::vector<std::string>{(ProgramFolder / "res/help.html").string()});
    System->acUpdate->trigger();
    EXPECT_TRUE(Updates->Checking()) << "a manual check is on its way";
    EXPECT_TRUE(Updates->Logic().ManualCheck());
}

// Runs on a virtual X server with a tray host (run-with-tray-host.sh); skipped elsewhere.
using TrayHostTest = TrayIconTest;

// Sends `window` what a window manager sends when the user presses its close button.
void AskToClose(const QWidget& window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr);
    xcb_connection_t* connection = x11->connection();
    const auto atom = [connection](const char* name) {
        const auto cookie =
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_NONE);
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window.winId());
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

TEST_F(TrayHostTest, TheIconSitsInTheTrayAndBringsTheWindowBack) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server with a tray host";
    const QDeadlineTimer deadline(10'000);
    while (!QSystemTrayIcon::isSystemTrayAvailable() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable()) << "the tray host did not come up";

    MakeForm();
    Form->show();
    const QDeadlineTimer embedded(10'000);
    while (Tray->spTrayIcon->geometry().isEmpty() && !embedded.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(Tray->spTrayIcon->geometry().isEmpty()) << "embedded in the tray";
    EXPECT_FALSE(Tray->spTrayIcon->icon().isNull());

    // The close button: the window manager asks the window to close.
    for (int round = 0; round < 2; ++round) {
        AskToClose(*Form);
        const QDeadlineTimer hidden(10'000);
        while (Form->isVisible() && !hidden.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_FALSE(Form->isVisible()) << round;
        EXPECT_TRUE(Tray->spTrayIcon->isVisible()) << round;
        EXPECT_EQ(Saves, 0);
        Tray->miOpen->trigger();
        QCoreApplication::processEvents();
        EXPECT_TRUE(Form->isVisible()) << round;
    }
    EXPECT_EQ(Form->Closes, 0) << "the close button never ends the program";
    Tray->CloseWithoutSaving();
    EXPECT_EQ(Form->Closes, 1);
}

} // namespace
} // namespace tw::test
