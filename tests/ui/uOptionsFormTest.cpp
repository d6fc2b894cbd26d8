#include "ui/app/uOptionsForm.h"

#include "EngineFixture.h"
#include "core/app/uSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>
#include <fstream>

namespace tw::test {
namespace {

namespace fs = std::filesystem;

class OptionFormTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        Engine->SetProgramLauncher([this](const std::vector<std::string>& argv) {
            Started.push_back(argv);
            return true;
        });
    }

    // A fresh settings store over these constants and the same data folder.
    void UseConstants(const std::string& lines) {
        WriteProgramFile("const.dat", "[const]\nApp.ConfigPath=Tilewick\n" + lines);
        ReplaceSettings(std::make_unique<TSettings>(ProgramFolder.string()));
        Settings().SelectDataFolder(false);
    }

    fs::path AutoStartEntry() const { return ConfigHome / "autostart" / "Tilewick.desktop"; }

    std::vector<std::vector<std::string>> Started;
};

TEST_F(OptionFormTest, ComponentsTextsAndSizes) {
    UseConstants("Update.Enable=1\n");
    TfrmOptionForm form(*Engine, Main.get());
    form.show();
    EXPECT_EQ(form.size(), QSize(434, 344));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tilewick Options"));
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    ASSERT_EQ(form.pcSetting->count(), 1);
    EXPECT_EQ(form.pcSetting->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(form.cbAutoRun->text(),
              QStringLiteral("Automatically run Tilewick when I log on to Windows"));
    EXPECT_EQ(form.lbSettingfor->text(), QStringLiteral("Adopt the settings of"));
    ASSERT_EQ(form.cbAllUsers->count(), 2);
    EXPECT_EQ(form.cbAllUsers->itemText(0), QStringLiteral("All Users"));
    EXPECT_EQ(form.cbAllUsers->itemText(1), QStringLiteral("Current User"));
    EXPECT_FALSE(form.cbAllUsers->isEditable());
    EXPECT_EQ(form.btnClearShowAgainFlag->text(), QStringLiteral("Clear Show Again Flag"));
    EXPECT_TRUE(form.btnOk->isDefault());

    EXPECT_EQ(form.cbAutoRun->height(), 25);
    EXPECT_EQ(form.cbAutoUpdate->y() - form.cbAutoRun->y(), 32);
    EXPECT_EQ(form.cbAllUsers->width(), 169);
    EXPECT_GT(form.cbAllUsers->x(), form.lbSettingfor->geometry().right());
    EXPECT_GT(form.btnClearShowAgainFlag->y(), form.cbAllUsers->geometry().bottom());
    EXPECT_EQ(form.btnClearShowAgainFlag->height(), 25);
    EXPECT_GE(form.btnClearShowAgainFlag->width(), 149);
    EXPECT_GE(form.btnClearShowAgainFlag->width(),
              form.btnClearShowAgainFlag->sizeHint().width())
        << "the whole text shows";
    EXPECT_EQ(form.pnButtons->height(), 39);
    EXPECT_EQ(form.pnButtons->geometry().bottom(), form.height() - 1) << "along the bottom";
    for (const QPushButton* button : {form.btnOk, form.btnCancel})
        EXPECT_EQ(button->size(), QSize(75, 25));
    EXPECT_LT(form.btnOk->x(), form.btnCancel->x());
    EXPECT_GT(form.btnCancel->x(), form.pnButtons->width() / 2) << "at the right";
    EXPECT_TRUE(Requests.empty()) << "filling the scope list is no choice";
}

TEST_F(OptionFormTest, OkStoresAutoRunAndTheLogOnEntryCancelChangesNothing) {
    const struct {
        bool tick;
        bool ok;
        const char* stored; // "AutoRun" afterwards
        bool entry;
    } steps[] = {
        {true, false, "unset", false},
        {true, true, "1", true},
        {false, false, "1", true},
        {false, true, "0", false},
    };
    for (const auto& s : steps) {
        TfrmOptionForm form(*Engine, Main.get());
        form.show();
        form.cbAutoRun->setChecked(s.tick);
        (s.ok ? form.btnOk : form.btnCancel)->click();
        EXPECT_EQ(form.result(), s.ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(Settings().ReadString("AutoRun", "unset"), s.stored) << s.tick << s.ok;
        EXPECT_EQ(fs::exists(AutoStartEntry()), s.entry) << s.tick << s.ok;
    }
    EXPECT_TRUE(Requests.empty());
}

TEST_F(OptionFormTest, AFailedLogOnEntryKeepsTheDialogOpenAndStoresNothing) {
    std::ofstream(ConfigHome / "autostart") << "a file where the folder belongs";
    TfrmOptionForm form(*Engine, Main.get());
    form.show();
    form.cbAutoRun->setChecked(true);
    form.cbAutoUpdate->setChecked(false);
    form.btnOk->click();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Type, TMsgDlgType::Error);
    EXPECT_TRUE(form.isVisible()) << "the user can untick the box or cancel";
    EXPECT_EQ(Settings().ReadString("AutoRun", "unset"), "unset");
    EXPECT_EQ(Settings().ReadString("AutoCheckUpdate", "unset"), "unset");
}

TEST_F(OptionFormTest, AutoUpdateBoxFollowsUpdateEnableAndIsAlwaysWrittenBack) {
    const struct {
        const char* enable;
        bool untick;
        const char* stored; // "AutoCheckUpdate" before
        const char* after;
    } cases[] = {
        {"0", false, "0", "0"}, {"0", false, "1", "1"}, {"1", false, "0", "0"},
        {"1", true, "1", "0"},  {"", false, "", "1"}, // nothing stored: checks are on
    };
    for (const auto& c : cases) {
        UseConstants(std::string("Update.Enable=") + c.enable + "\n");
        if (*c.stored)
            Settings().WriteString("AutoCheckUpdate", c.stored);
        else
            Settings().WriteString("AutoCheckUpdate", "not a number");

        TfrmOptionForm form(*Engine, Main.get());
        EXPECT_EQ(form.cbAutoUpdate->isHidden(), std::string(c.enable) != "1") << c.enable;
        if (c.untick)
            form.cbAutoUpdate->setChecked(false);
        form.btnOk->click();
        EXPECT_EQ(Settings().ReadString("AutoCheckUpdate", ""), c.after)
            << c.enable << "/" << c.stored;
    }
}

TEST_F(OptionFormTest, ClearShowAgainFlagActsAtOnceEvenWhenCancelled) {
    Settings().SetShowAgain(26, false);
    TfrmOptionForm form(*Engine, Main.get());
    form.btnClearShowAgainFlag->click();
    form.btnCancel->click();
    EXPECT_TRUE(Settings().GetShowAgain(26));
}

TEST_F(OptionFormTest, ScopeChangeAsksThenRestartsIntoTheOtherFolder) {
    const struct {
        bool startAllUsers;
        int answer;
    } cases[] = {
        {true, mrOK},
        {false, mrOK},
        {true, mrCancel},
        {false, mrCancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "all users " << c.startAllUsers << ", answer " << c.answer);
        Requests.clear();
        Started.clear();
        Settings().SetAllUsers(c.startAllUsers);
        Engine->ApplyAllUsers(c.startAllUsers);
        Main->show();
        Settings().WriteBool("AutoRun", false);

        TfrmOptionForm form(*Engine, Main.get());
        form.show();
        const int running = c.startAllUsers ? 0 : 1;
        EXPECT_EQ(form.cbAllUsers->currentIndex(), running);
        form.cbAutoRun->setChecked(true);
        NextAnswer = {c.answer, false};
        form.cbAllUsers->setCurrentIndex(1 - running);

        ASSERT_EQ(Requests.size(), 1u);
        EXPECT_EQ(
            Requests[0].Text.toStdString(),
            Engine->Translate(c.startAllUsers ? "MSGBOX_SetCurrentUser" : "MSGBOX_SetAllUsers"));
        EXPECT_EQ(Requests[0].Buttons, TMsgDlgBtn::OK | TMsgDlgBtn::Cancel);
        EXPECT_EQ(Requests[0].Type, TMsgDlgType::Confirmation);
        QCoreApplication::processEvents();
        EXPECT_EQ(Settings().ReadBool("AutoRun", true), false) << "check boxes are not stored";
        if (c.answer == mrCancel) {
            EXPECT_TRUE(form.isVisible());
            EXPECT_EQ(form.cbAllUsers->currentIndex(), running) << "shows the scope in force";
            EXPECT_TRUE(Started.empty());
            EXPECT_EQ(Settings().GetAllUsers(), c.startAllUsers);
            EXPECT_EQ(Requests.size(), 1u) << "putting the list back asks nothing";
            continue;
        }
        EXPECT_EQ(form.result(), QDialog::Rejected);
        EXPECT_FALSE(form.isVisible());
        ASSERT_EQ(Started.size(), 1u);
        EXPECT_EQ(Started[0].back(), "-r");
        EXPECT_FALSE(Main->isVisible());
        EXPECT_EQ(Settings().GetAllUsers(), !c.startAllUsers);

        // The new process selects the other data folder.
        TSettings restarted(ProgramFolder.string());
        ChooseDataFolder(restarted, [] {});
        EXPECT_EQ(fs::path(restarted.DataFolder()),
                  (c.startAllUsers ? ConfigHome : Root / "common") / "Tilewick" / "");
    }
}

} // namespace
} // namespace tw::test
