#include "ui/app/uEngineWnd.h"

#include "EngineFixture.h"
#include "core/app/uSettings.h"

#include <QLabel>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

using EngineWndTest = EngineFixture;

TEST_F(EngineWndTest, FormCreateChoosesTheLanguageForcedOrStored) {
    WriteProgramFile("langs/German.lan", "[Info]\nLanguage=Deutsch\n"
                                         "[ResString]\nstrAppName=Kachelwerk\n");
    const struct {
        const char* force;
        const char* stored;
        const char* name;
        const char* appName;
    } cases[] = {
        {"", "German", "German", "Kachelwerk"},
        {"German", "English", "German", "Kachelwerk"},
        {"", "", "English", "Tilewick"},
        {"", "Klingon", "Klingon", "Tilewick"},
    };
    for (const auto& c : cases) {
        WriteProgramFile("const.dat", std::string("[const]\nApp.ConfigPath=Tilewick\n") +
                                          "Language.Force=" + c.force + "\n");
        ReplaceSettings(std::make_unique<TSettings>(ProgramFolder.string()));
        const fs::path data = Root / "common" / "Tilewick";
        fs::create_directories(data);
        std::ofstream(data / "Setting.dat")
            << (*c.stored ? std::string("[setting]\nLanguage=") + c.stored + "\n" : " ");

        TfrmEngineWnd engine;
        EXPECT_EQ(frmEngineWnd, &engine);
        EXPECT_TRUE(engine.AllUsers()) << "the all-users folder is writable";
        EXPECT_EQ(engine.LanguageName(), c.name) << c.force << "/" << c.stored;
        EXPECT_EQ(engine.Translate("strAppName"), c.appName) << c.force << "/" << c.stored;
        EXPECT_EQ(Settings().ReadString("Language", ""), c.name);
        ASSERT_NE(engine.HeadManager, nullptr);
        EXPECT_EQ(engine.HeadManager->ImagesPerEntry(), 4) << "three status badges";
        EXPECT_EQ(engine.HeadManager->StateIcons()[0].Width(), 24);
    }
    EXPECT_EQ(frmEngineWnd, nullptr);
}

TEST_F(EngineWndTest, AnUnwritableAllUsersFolderFallsBackToTheUserWithoutBlocking) {
    std::ofstream(Root / "blocked") << "a file where the folder would be made";
    setenv("TILEWICK_COMMON_APPDATA", (Root / "blocked").c_str(), 1);
    ReplaceSettings(std::make_unique<TSettings>(ProgramFolder.string()));

    TfrmEngineWnd engine;
    EXPECT_FALSE(engine.AllUsers());
    EXPECT_FALSE(Settings().GetAllUsers());
    EXPECT_EQ(fs::path(Settings().DataFolder()), ConfigHome / "Tilewick" / "");
}

TEST_F(EngineWndTest, CollectionFileReportsThroughTheProgressWindow) {
    TfrmEngineWnd engine;
    engine.CollectionFile->OnSaveProgress(1, 3);
    ASSERT_NE(engine.ProgressWindow(), nullptr);
    EXPECT_EQ(engine.ProgressWindow()->edtTitle->text(), QStringLiteral("Saving..."));
    engine.CollectionFile->OnLoadProgress(2, 3);
    EXPECT_EQ(engine.ProgressWindow()->edtTitle->text(), QStringLiteral("Loading..."));
    engine.CollectionFile->OnLoadProgress(3, 3);
    EXPECT_EQ(engine.ProgressWindow(), nullptr);
}

} // namespace
} // namespace tw::test
