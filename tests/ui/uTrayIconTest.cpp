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
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <fstream>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

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
        Form = std::make_unique<QMainWindow>();
        Form->setObjectName(QStringLiteral("frmMainForm"));
        auto* save = new QAction(Form.get());
        save->setObjectName(QStringLiteral("acSave"));
        QObject::connect(save, &QAction::triggered, [this] { ++Saves; });
        // The window's View menu, with its own always-on-top item and empty submenus.
        View = Form->menuBar()->addMenu(QStringLiteral("&View"));
        View->setObjectName(QStringLiteral("View1"));
        View->addAction(QStringLiteral("&Always On Top"))->setObjectName("AlwaysOnTop4");
        View->addMenu(QStringLiteral("Change &Skin"))->setObjectName("miChangeSkin");
        View->addMenu(QStringLiteral("Change &Language"))->setObjectName("miChangeLanguage");
        Tray = new TTrayIcon(*Form, *Manager);
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
    std::unique_ptr<QMainWindow> Form;
    TTrayIcon* Tray = nullptr;
    TSystemMenu* System = nullptr;
    QMenu* View = nullptr;
    std::vector<std::string> Opened;
    int Saves = 0;
};

TEST_F(TrayIconTest, CloseHidesToTheTrayOnlyExitSavesAndEnds) {
    MakeForm();
    Form->show();
    EXPECT_TRUE(Tray->spTrayIcon->isVisible());
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(Form->close()) << "the close button never ends the program";
        EXPECT_FALSE(Form->isVisible());
        EXPECT_TRUE(Tray->spTrayIcon->isVisible());
        if (i == 0)
            Tray->miOpen->trigger();
        else
            emit Tray->spTrayIcon->activated(QSystemTrayIcon::Trigger);
        EXPECT_TRUE(Form->isVisible());
        EXPECT_FALSE(Form->isMinimized());
    }
    EXPECT_EQ(Saves, 0);

    Tray->miExit->trigger();
    EXPECT_EQ(Saves, 1);
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(TrayIconTest, QuitAndRestartEndWithoutSaving) {
    MakeForm();
    Form->show();
    Tray->CloseWithoutSaving();
    EXPECT_FALSE(Form->isVisible());
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
    } cases[] = {{"Green", 2}, {"Default", 0}, {"Blue", 1}};
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

    EXPECT_FALSE(Form->close());
    QCoreApplication::processEvents();
    EXPECT_FALSE(Form->isVisible());
    EXPECT_TRUE(Tray->spTrayIcon->isVisible());
    Tray->miOpen->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Form->isVisible());
}

} // namespace
} // namespace tw::test
