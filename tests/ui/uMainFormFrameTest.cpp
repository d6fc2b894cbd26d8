// The main window with its frame: a collection handed over by another start, the quit
// request, and the commands of the frame on the real window.
#include "core/app/uSettings.h"
#include "core/app/uStartup.h"
#include "core/collection/uCollectionFile.h"
#include "core/collection/uMsnHeadManager.h"
#include "support/RuntimeFixture.h"
#include "ui/app/uEngineWnd.h"
#include "ui/main/uMainForm.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <fstream>
#include <gtest/gtest.h>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

class MainFormFrameTest : public RuntimeFixture {
protected:
    void SetUp() override {
        RuntimeFixture::SetUp();
        const fs::path program = root_ / "program";
        fs::create_directories(program);
        // The update check at the first showing goes to a port where nothing listens.
        std::ofstream(program / "const.dat")
            << "[const]\nApp.Ver=4.2.0.0\nApp.ConfigPath=Tilewick\nApp.ID=7777\n"
               "URL.update=http://127.0.0.1:9/update/\n";
        setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        setenv("TILEWICK_COMMON_APPDATA", (root_ / "common").c_str(), 1);
        Previous = ReplaceSettings(std::make_unique<TSettings>(program.string() + "/"));
        Engine = std::make_unique<TfrmEngineWnd>();
        Engine->SetMessageBoxAnswerer([this](const TMessageBoxRequest& request) {
            Boxes << request.Text;
            return TMessageBoxAnswer{mrOK, false};
        });
        Form = std::make_unique<TfrmMainForm>();
        Form->FormShow();
    }
    void TearDown() override {
        Form.reset();
        Engine.reset();
        ReplaceSettings(std::move(Previous));
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("TILEWICK_COMMON_APPDATA");
        RuntimeFixture::TearDown();
    }

    void HandOver(const std::string& path) {
        WindowMessage message;
        message.Msg = WM_COPYDATA;
        message.Data = path;
        EXPECT_EQ(Form->WndProc(message), 0);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<TSettings> Previous;
    std::unique_ptr<TfrmEngineWnd> Engine;
    std::unique_ptr<TfrmMainForm> Form;
    QStringList Boxes;
};

TEST_F(MainFormFrameTest, AHandedOverCollectionIsOpenedLikeLoad) {
    const fs::path other = root_ / "other.vkt";
    Engine->CollectionFile->SaveToFile(other, false);
    const fs::path start = Engine->HeadManager->FileName();
    ASSERT_NE(start, other);

    HandOver((root_ / "missing.vkt").string());
    ASSERT_EQ(Boxes.size(), 1) << "the failure is told";
    EXPECT_TRUE(Boxes[0].startsWith(QStringLiteral("Cannot open the file.")));
    EXPECT_EQ(Engine->HeadManager->FileName(), start) << "the collection stays as it was";

    HandOver(other.string());
    EXPECT_EQ(Engine->HeadManager->FileName(), other);
    EXPECT_EQ(Settings().ReadString("RecentFile", ""), other.string());
    EXPECT_EQ(Boxes.size(), 1);
}

TEST_F(MainFormFrameTest, TheFrameServesTheWindowsOwnMenus) {
    auto* tray = Form->findChild<QSystemTrayIcon*>(QStringLiteral("spTrayIcon"));
    ASSERT_NE(tray, nullptr);
    EXPECT_TRUE(tray->isVisible());
    EXPECT_EQ(Form->findChildren<QMenu*>(QStringLiteral("miChangeSkin")).size(), 1);

    auto* viewItem = Form->findChild<QAction*>(QStringLiteral("AlwaysOnTop4"));
    auto* command = Form->findChild<QAction*>(QStringLiteral("acAlwaysOnTop"));
    ASSERT_NE(viewItem, nullptr);
    ASSERT_NE(command, nullptr);
    viewItem->trigger();
    EXPECT_TRUE(command->isChecked());
    EXPECT_TRUE(Form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tilewick  4.2.0.0"));
}

TEST_F(MainFormFrameTest, QuitRequestClosesTheWindowWithoutSaving) {
    Form->show();
    const fs::path file = Engine->HeadManager->FileName();
    const auto written = fs::exists(file) ? fs::last_write_time(file) : fs::file_time_type();
    WindowMessage quit;
    quit.Msg = WM_QUITAPP;
    Form->WndProc(quit);
    EXPECT_FALSE(Form->isVisible()) << "a close from the program is no close to the tray";
    EXPECT_EQ(fs::exists(file) ? fs::last_write_time(file) : fs::file_time_type(), written);
}

} // namespace
} // namespace tw::test
