#include "EngineFixture.h"
#include "core/app/uSettings.h"
#include "platform/AutoStart.h"
#include "ui/app/uAboutForm.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

// A window with one component of each kind the language files address.
struct TestWindow {
    TestWindow() {
        Window.setObjectName(QStringLiteral("frmTestForm"));
        Window.setWindowTitle(QStringLiteral("design caption"));
        Label = Named<QLabel>("lbInfo", &Window);
        Label->setText(QStringLiteral("design label"));
        Button = Named<QPushButton>("btnGo", &Window);
        Button->setText(QStringLiteral("design button"));
        Combo = Named<QComboBox>("cbChoice", &Window);
        Combo->addItem(QIcon(QPixmap(8, 8)), QStringLiteral("one"));
        Combo->addItem(QStringLiteral("two"));
        Combo->addItem(QStringLiteral("three"));
        Tabs = Named<QTabWidget>("pcPages", &Window);
        Page = Named<QWidget>("tsGeneral", nullptr);
        Tabs->addTab(Page, QStringLiteral("design tab"));
        Action = Named<QAction>("acGo", &Window);
        Menu = Named<QMenu>("miFile", &Window);
        Tree = Named<QTreeWidget>("lvList", &Window);
        Tree->setColumnCount(2);
        Text = Named<QPlainTextEdit>("mmNotes", &Window);
        Dialog = Named<QObject>("OPD", &Window);
    }
    template <typename T> T* Named(const char* name, QWidget* parent) {
        T* object = new T(parent);
        object->setObjectName(QString::fromLatin1(name));
        return object;
    }

    QDialog Window;
    QLabel* Label;
    QPushButton* Button;
    QComboBox* Combo;
    QTabWidget* Tabs;
    QWidget* Page;
    QAction* Action;
    QMenu* Menu;
    QTreeWidget* Tree;
    QPlainTextEdit* Text;
    QObject* Dialog;
};

const char* const kGerman = "[Info]\nLanguage=Deutsch\nTranslator=Hans\nTestver=beta\n"
                            "[ResString]\nstrAppName=Kachelwerk\n"
                            "[skinres]\nMSG_BTN_YES=&Ja\n"
                            "[TfrmTestForm]\n"
                            "frmTestForm.Caption=Testfenster\n"
                            "lbInfo.Caption=Zeile eins<BR>Zeile<SP>zwei\n"
                            "btnGo.Caption=&Los\n"
                            "BTNGO.hint=Startet es\n"
                            "cbChoice.Items=eins<BR>zwei\n"
                            "tsGeneral.Caption=Allgemein\n"
                            "acGo.Caption=Los!\n"
                            "acGo.Hint=Tut es\n"
                            "miFile.Caption=&Datei\n"
                            "lvList.Columns[1].Caption=Spalte\n"
                            "mmNotes.Lines=a<BR>b\n"
                            "OPD.Filter=Bilder|*.png\n"
                            "OPD.Title=Bild öffnen\n"
                            "nobody.Caption=ignored\n";

TEST_F(EngineFixture, TranslatesEveryKindOfComponentAndAgainAtEveryLanguageChange) {
    WriteProgramFile("langs/German.lan", kGerman);
    WriteProgramFile("langs/Sparse.lan", "[TfrmTestForm]\nbtnGo.Caption=Sparse\n");
    TestWindow test;
    Engine->AddTranslatedWindow(&test.Window);
    EXPECT_EQ(test.Button->text(), QStringLiteral("design button"))
        << "the built-in data has no section for this window";

    QSignalSpy changed(Engine.get(), &TEngineServices::LanguageChanged);
    Engine->SetLanguage("German");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(test.Window.windowTitle(), QStringLiteral("Testfenster"));
    EXPECT_EQ(test.Label->text(), QStringLiteral("Zeile eins\nZeile zwei"));
    EXPECT_EQ(test.Button->text(), QStringLiteral("&Los"));
    EXPECT_EQ(test.Button->toolTip(), QStringLiteral("Startet es"));
    ASSERT_EQ(test.Combo->count(), 2);
    EXPECT_EQ(test.Combo->itemText(0), QStringLiteral("eins"));
    EXPECT_FALSE(test.Combo->itemIcon(0).isNull()) << "an item keeps its picture";
    EXPECT_EQ(test.Tabs->tabText(0), QStringLiteral("Allgemein"));
    EXPECT_EQ(test.Action->text(), QStringLiteral("Los!"));
    EXPECT_EQ(test.Action->toolTip(), QStringLiteral("Tut es"));
    EXPECT_EQ(test.Menu->title(), QStringLiteral("&Datei"));
    EXPECT_EQ(test.Tree->headerItem()->text(1), QStringLiteral("Spalte"));
    EXPECT_EQ(test.Text->toPlainText(), QStringLiteral("a\nb"));
    EXPECT_EQ(test.Dialog->property("Filter").toString(), QStringLiteral("Bilder|*.png"));
    EXPECT_EQ(test.Dialog->property("Title").toString(), QStringLiteral("Bild öffnen"));
    EXPECT_EQ(Engine->SkinStrings().at("MSG_BTN_YES"), "&Ja");
    EXPECT_EQ(Engine->SkinStrings().at("MSG_BTN_NO"), "&No") << "strings the file lacks stay";

    Engine->SetLanguage("Sparse");
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(test.Button->text(), QStringLiteral("Sparse"));
    EXPECT_EQ(test.Label->text(), QStringLiteral("Zeile eins\nZeile zwei"))
        << "a property without an entry keeps the text it has";
    EXPECT_EQ(Engine->Translate("strAppName"), "strAppName")
        << "a language file replaces the whole data";
}

TEST_F(EngineFixture, AMissingLanguageKeepsTheDataButStoresTheName) {
    QSignalSpy changed(Engine.get(), &TEngineServices::LanguageChanged);
    for (const std::string name : {"Klingon", "../../etc/passwd"}) {
        Engine->SetLanguage(name);
        EXPECT_EQ(Engine->LanguageName(), name);
        EXPECT_EQ(Settings().ReadString("Language", ""), name);
        EXPECT_EQ(Engine->Translate("strAppName"), "Tilewick");
    }
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(Engine->Translate("Connect failed!"), "Connect failed!");
}

TEST_F(EngineFixture, ARenamedProgramChangesTheMainCaptionAndTheLogOnEntry) {
    WriteProgramFile("langs/German.lan", kGerman);
    // The main window names itself after "strAppName" at every language change.
    QObject::connect(Engine.get(), &TEngineServices::LanguageChanged, Main.get(), [this] {
        Main->setWindowTitle(QString::fromStdString(Engine->Translate("strAppName")) +
                             QStringLiteral("  4.2.0.0"));
    });
    const fs::path autostart = ConfigHome / "autostart";
    ASSERT_TRUE(Engine->SetAutoRun(true));
    EXPECT_TRUE(fs::exists(autostart / "Tilewick.desktop"));

    Engine->SetLanguage("German");
    EXPECT_EQ(Main->windowTitle(), QStringLiteral("Kachelwerk  4.2.0.0"));
    ASSERT_TRUE(Engine->SetAutoRun(true));
    const std::string entry = ReadFile(autostart / "Kachelwerk.desktop");
    EXPECT_NE(entry.find("Name=Kachelwerk\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Exec=\"" + fs::read_symlink("/proc/self/exe").string() + "\"\n"),
              std::string::npos)
        << entry;

    ASSERT_TRUE(Engine->SetAutoRun(false));
    EXPECT_FALSE(fs::exists(autostart / "Kachelwerk.desktop"));
    EXPECT_TRUE(fs::exists(autostart / "Tilewick.desktop"))
        << "an entry written under the earlier name is left";
    EXPECT_TRUE(Requests.empty());
}

TEST_F(EngineFixture, ALogOnEntryThatCannotBeWrittenIsReported) {
    std::ofstream(ConfigHome / "autostart") << "a file where the folder belongs";
    EXPECT_FALSE(Engine->SetAutoRun(true));
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Type, TMsgDlgType::Error);
    EXPECT_TRUE(Requests[0].Text.contains(QStringLiteral("autostart/Tilewick.desktop")))
        << Requests[0].Text.toStdString();
}

TEST_F(EngineFixture, ListsTheLanguagesBesideTheProgram) {
    WriteProgramFile("langs/German.lan", "[Info]\nLanguage=Deutsch\nTestver=beta\n");
    WriteProgramFile("langs/French.lan", "[Info]\nLanguage=Francais\n");
    std::vector<std::string> names;
    std::vector<std::string> captions;
    EXPECT_EQ(Engine->ListLanguages(names, captions), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"French", "German"}));
    EXPECT_EQ(captions, (std::vector<std::string>{"French", "German (beta)"}));
}

TEST_F(EngineFixture, AboutWindowShowsVersionLogoAndTranslator) {
    WriteProgramFile("langs/German.lan", std::string(kGerman) +
                                             "[TfrmAboutForm]\n"
                                             "frmAboutForm.Caption=Über Tilewick\n"
                                             "lbVersion.Lines=Fassung %1<BR>\n");
    fs::create_directories(ProgramFolder / "res/images");
    fs::copy_file(fs::path(TILEWICK_SOURCE_DIR) / "resources/res/images/logo.png",
                  ProgramFolder / "res/images/logo.png");
    {
        TfrmAboutForm about(*Engine);
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tilewick"));
        EXPECT_EQ(about.lbVersion->text(), QStringLiteral("Version 4.2.0.0\n"));
        EXPECT_EQ(about.btnOK->text(), QStringLiteral("&OK"));
        EXPECT_FALSE(about.imgLogo->pixmap().isNull());
        EXPECT_TRUE(about.lbTranslater->isHidden());
    }
    Engine->SetLanguage("German");
    fs::remove(ProgramFolder / "res/images/logo.png");
    TfrmAboutForm about(*Engine);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Über Tilewick"));
    EXPECT_EQ(about.lbVersion->text(), QStringLiteral("Fassung 4.2.0.0\n"));
    EXPECT_FALSE(about.lbTranslater->isHidden());
    EXPECT_EQ(about.lbTranslater->text(), QStringLiteral("Deutsch is tranlated by \nHans"));
    EXPECT_TRUE(about.imgLogo->pixmap().isNull()) << "a missing logo leaves the picture empty";
}

} // namespace
} // namespace tw::test
