#include "TestSupport.h"
#include "core/app/uSettings.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::MakeFile;
using test::ReadFile;
using test::ScopedEnv;
using test::ScopedWriter;
using test::TempFolder;

constexpr const char* kConstDat = "[const]\n"
                                  "App.ConfigPath=Tilewick\n"
                                  "App.Ver=4.2.0.0 beta\n"
                                  "App.SubVer=7\n"
                                  "App.ID=1234\n"
                                  "Language.Enable=1\n"
                                  "URL.home=http://127.0.0.1:8765/\n"
                                  "Pattern.SEARCH=imgurl=(.*?)&imgrefurl=\n";
constexpr const char* kOemDat = "; reseller edition\n"
                                "[CONST]\n"
                                "url.home=\n"
                                "Language.Enable=0\n";

// A program folder with both constants files; the per-user and all-users application-data
// folders point into the same temporary tree.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        MakeFile(Program() + "const.dat", kConstDat);
        MakeFile(Program() + "oem.dat", kOemDat);
    }

    std::string Program() const { return Root() + "program/"; }
    std::string Root() const { return fs::canonical(root.Path()).string() + "/"; }
    std::string UserData() const { return Root() + "config/Tilewick/"; }
    std::string CommonData() const { return Root() + "common/Tilewick/"; }
    void BlockCommonFolder() {
        MakeFile(Root() + "blocker", "a file where the all-users folder would be");
        common.reset(); // restore before replacing, or the old one would undo the new value
        common = std::make_unique<ScopedEnv>("TILEWICK_COMMON_APPDATA", Root() + "blocker/sub");
    }

    TempFolder root;
    ScopedEnv config{"XDG_CONFIG_HOME", Root() + "config"};
    std::unique_ptr<ScopedEnv> common =
        std::make_unique<ScopedEnv>("TILEWICK_COMMON_APPDATA", Root() + "common");
};

TEST_F(SettingsTest, ConstantsComeFromOemThenConst) {
    const TSettings settings(Program());
    const struct {
        const char* key;
        const char* expected;
    } strings[] = {
        {"URL.home", ""}, // an empty override still wins
        {"Pattern.SEARCH", "imgurl=(.*?)&imgrefurl="},
        {"app.configpath", "Tilewick"},
        {"Language.Force", "<default>"},
    };
    for (const auto& c : strings)
        EXPECT_EQ(settings.ReadConstString(c.key, "<default>"), c.expected) << c.key;
    EXPECT_EQ(settings.ReadConstInteger("App.ID", 0), 1234);
    EXPECT_EQ(settings.ReadConstInteger("App.Missing", 0), 0);
    EXPECT_EQ(settings.ReadConstInteger("URL.home", 5), 5);
    EXPECT_FALSE(settings.ReadConstBool("Language.Enable", true));
    EXPECT_TRUE(settings.ReadConstBool("Update.Enable", true));

    EXPECT_EQ(settings.ProgramFolder(), Program());
    EXPECT_EQ(settings.UserFolder(), UserData());
    EXPECT_EQ(settings.CommonFolder(), CommonData());
    EXPECT_EQ(settings.VersionText(), "4.2.0.0 beta");
    EXPECT_EQ(settings.VersionNumber(), 0x4200);
    EXPECT_EQ(settings.SubVersion(), 7);
}

TEST_F(SettingsTest, MissingConstantsFilesGiveDefaults) {
    fs::remove(Program() + "const.dat");
    fs::remove(Program() + "oem.dat");
    const TSettings settings(Program());
    EXPECT_EQ(settings.ReadConstString("App.Ver", "none"), "none");
    EXPECT_EQ(settings.ReadConstInteger("App.ID", 0), 0);
    EXPECT_EQ(settings.VersionText(), "");
    EXPECT_EQ(settings.VersionNumber(), 0);
    // The data still gets a folder of its own inside the application-data folders.
    EXPECT_EQ(settings.UserFolder(), UserData());
    EXPECT_EQ(settings.CommonFolder(), CommonData());
}

TEST_F(SettingsTest, BeforeSelectDataFolderReadsGiveDefaultsAndWritesTouchNothing) {
    TSettings settings(Program());
    EXPECT_EQ(settings.ReadString("Language", "English"), "English");
    EXPECT_FALSE(settings.WriteString("Language", "German"));
    EXPECT_FALSE(settings.WriteBool("SwitchON", false));
    EXPECT_FALSE(settings.SetShowAgain(26, false));
    EXPECT_FALSE(settings.ClearShowAgainFlags());
    EXPECT_EQ(settings.ReadString("Language", "English"), "English");
    EXPECT_TRUE(settings.GetShowAgain(26));
    EXPECT_EQ(settings.GetShowAgainResult(26), 1);
    EXPECT_EQ(settings.DataFolder(), "");
    EXPECT_FALSE(fs::exists(Root() + "config"));
    EXPECT_FALSE(fs::exists(Root() + "common"));
}

TEST_F(SettingsTest, NewSettingFileIsOneSpaceUntilTheFirstWrite) {
    for (const bool allUsers : {false, true}) {
        TSettings settings(Program());
        settings.SelectDataFolder(allUsers);
        const std::string folder = allUsers ? CommonData() : UserData();
        EXPECT_EQ(settings.AllUsers(), allUsers);
        EXPECT_EQ(settings.DataFolder(), folder);
        EXPECT_EQ(ReadFile(folder + "Setting.dat"), " ");
        EXPECT_EQ(settings.ReadString("Language", "English"), "English");

        ASSERT_TRUE(settings.WriteString("Language", allUsers ? "German" : "French"));
        EXPECT_EQ(ReadFile(folder + "Setting.dat"),
                  allUsers ? "[setting]\nLanguage=German\n" : "[setting]\nLanguage=French\n");
    }
    TSettings again(Program());
    again.SelectDataFolder(false);
    EXPECT_EQ(again.ReadString("Language", "English"), "French");
}

TEST_F(SettingsTest, MalformedValuesReadAsTheDefault) {
    MakeFile(UserData() + "Setting.dat",
             "[Setting]\nDelayTime=abc\nSwitchON=5\nRandom=\nkeywordCount=3\nkeyword0=cats\n");
    TSettings settings(Program());
    settings.SelectDataFolder(false);

    EXPECT_EQ(settings.ReadInteger("DelayTime", 15), 15);
    EXPECT_EQ(settings.ReadInteger("keywordCount", 0), 3);
    EXPECT_TRUE(settings.ReadBool("SwitchON", false));
    EXPECT_FALSE(settings.ReadBool("Random", false));
    EXPECT_TRUE(settings.ReadBool("Random", true));
    EXPECT_EQ(settings.ReadString("Random", "x"), ""); // present but empty
    EXPECT_EQ(settings.ReadString("KEYWORD0", ""), "cats");

    ASSERT_TRUE(settings.WriteBool("SwitchON", true));
    EXPECT_EQ(ReadFile(UserData() + "Setting.dat"),
              "[Setting]\nDelayTime=abc\nSwitchON=1\nRandom=\nkeywordCount=3\nkeyword0=cats\n");
}

TEST_F(SettingsTest, ShowAgainAnswersPersistAndClear) {
    {
        TSettings settings(Program());
        settings.SelectDataFolder(false);
        EXPECT_TRUE(settings.GetShowAgain(26));
        EXPECT_EQ(settings.GetShowAgainResult(26), 1);
        ASSERT_TRUE(settings.WriteInteger("DelayTime", 30));
        ASSERT_TRUE(settings.SetShowAgain(26, false));
        ASSERT_TRUE(settings.SetShowAgainResult(26, 7));
    }
    TSettings settings(Program());
    settings.SelectDataFolder(false);
    EXPECT_FALSE(settings.GetShowAgain(26));
    EXPECT_EQ(settings.GetShowAgainResult(26), 7);
    EXPECT_TRUE(settings.GetShowAgain(27));

    ASSERT_TRUE(settings.ClearShowAgainFlags());
    EXPECT_EQ(ReadFile(UserData() + "Setting.dat"), "[setting]\nDelayTime=30\n");
    EXPECT_TRUE(settings.GetShowAgain(26));
    EXPECT_EQ(settings.GetShowAgainResult(26), 1);

    // Nothing left to clear: the content stays, and the file is still saved.
    EXPECT_TRUE(settings.ClearShowAgainFlags());
    EXPECT_EQ(ReadFile(UserData() + "Setting.dat"), "[setting]\nDelayTime=30\n");
    ScopedWriter failing(test::WriteHalfThenFail);
    EXPECT_FALSE(settings.ClearShowAgainFlags());
}

TEST_F(SettingsTest, GarbageSettingFileReadsAsDefaults) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>(i * 7 % 256);
    const struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"binary bytes", binary},
        {"one 10 MB line", std::string(10 * 1024 * 1024, 'x') + "=y"},
        {"no sections", "Language=German\nDelayTime=3\n"},
        {"broken headers", "[setting\nLanguage=German\n[\n]setting[\nDelayTime=3\n"},
    };
    for (const auto& c : cases) {
        MakeFile(UserData() + "Setting.dat", c.content);
        TSettings settings(Program());
        settings.SelectDataFolder(false);
        EXPECT_EQ(settings.ReadString("Language", "English"), "English") << c.name;
        EXPECT_EQ(settings.ReadInteger("DelayTime", 15), 15) << c.name;
        EXPECT_TRUE(settings.GetShowAgain(26)) << c.name;

        ASSERT_TRUE(settings.WriteInteger("DelayTime", 20)) << c.name;
        TSettings reread(Program());
        reread.SelectDataFolder(false);
        EXPECT_EQ(reread.ReadInteger("DelayTime", 15), 20) << c.name;
    }
}

TEST_F(SettingsTest, WriteFailingMidwayLeavesSettingFileWhole) {
    const std::string before = "[setting]\nLanguage=German\nDelayTime=20\n";
    MakeFile(UserData() + "Setting.dat", before);
    TSettings settings(Program());
    settings.SelectDataFolder(false);
    {
        ScopedWriter failing(test::WriteHalfThenFail);
        EXPECT_FALSE(settings.WriteString("Skin", std::string(8192, 's')));
    }
    EXPECT_EQ(ReadFile(UserData() + "Setting.dat"), before);

    // A process killed in the middle of the write leaves the old file too.
    EXPECT_EXIT(
        {
            ScopedWriter dying([](int fd, std::string_view bytes) {
                test::WriteHalfThenFail(fd, bytes);
                std::_Exit(3);
                return false;
            });
            settings.WriteString("Language", std::string(8192, 'g'));
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(ReadFile(UserData() + "Setting.dat"), before);

    // The next write goes through in spite of what the killed one left beside the file.
    ASSERT_TRUE(settings.WriteString("Language", "Dutch"));
    TSettings reread(Program());
    reread.SelectDataFolder(false);
    EXPECT_EQ(reread.ReadString("Language", ""), "Dutch");
    EXPECT_EQ(reread.ReadInteger("DelayTime", 15), 20);
}

TEST_F(SettingsTest, StartupScopeChoice) {
    const struct {
        const char* name;
        std::optional<bool> stored; // "AllUsers" in UserFlag.ini, if any
        bool commonWritable;
        bool notice;
        bool allUsers;
    } cases[] = {
        {"first start, all-users folder writable", std::nullopt, true, false, true},
        {"first start, all-users folder not writable", std::nullopt, false, true, false},
        {"all users chosen, access lost", true, false, true, false},
        {"all users chosen, writable", true, true, false, true},
        {"current user chosen", false, true, false, false},
        {"current user chosen, not writable", false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder fresh; // a separate tree per case
        ScopedEnv config("XDG_CONFIG_HOME", fresh / "config");
        ScopedEnv common("TILEWICK_COMMON_APPDATA",
                         c.commonWritable ? fresh / "common" : fresh / "blocker/sub");
        MakeFile(fresh / "blocker", "a file where the all-users folder would be");
        const std::string flagFile = fresh / "config/Tilewick/UserFlag.ini";
        if (c.stored)
            MakeFile(flagFile, std::string("[Flag]\nAllUsers=") + (*c.stored ? "1" : "0") + "\n");

        for (int run = 0; run < 2; ++run) {
            TSettings settings(Program());
            int notices = 0;
            ChooseDataFolder(settings, [&] { ++notices; });
            EXPECT_EQ(notices, run == 0 && c.notice ? 1 : 0) << "run " << run;
            EXPECT_EQ(settings.AllUsers(), c.allUsers);
            const std::string expected =
                c.allUsers ? settings.CommonFolder() : settings.UserFolder();
            EXPECT_EQ(settings.DataFolder(), fs::canonical(expected).string() + "/");
            EXPECT_TRUE(fs::exists(settings.DataFolder() + "Setting.dat"));
            EXPECT_EQ(ReadFile(flagFile),
                      std::string("[Flag]\nAllUsers=") + (c.allUsers ? "1" : "0") + "\n");
        }
    }
}

TEST_F(SettingsTest, CommonFolderWriteCheck) {
    TSettings writable(Program());
    EXPECT_TRUE(writable.CanWriteCommonFolder());
    EXPECT_TRUE(fs::is_directory(CommonData()));

    BlockCommonFolder();
    TSettings blocked(Program());
    EXPECT_FALSE(blocked.CanWriteCommonFolder());

    if (geteuid() == 0)
        GTEST_SKIP() << "root may write any folder; a write-protected all-users folder is "
                        "only checked for other users";
    fs::permissions(CommonData(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(writable.CanWriteCommonFolder());
}

TEST_F(SettingsTest, InstallAgeOfFreshFoldersIsZeroDays) {
    TSettings settings(Program());
    EXPECT_EQ(settings.InstallAgeDays(), 0); // data folders not created yet
    settings.SelectDataFolder(true);
    settings.SelectDataFolder(false);
    EXPECT_EQ(settings.InstallAgeDays(), 0);
}

TEST_F(SettingsTest, GlobalAccessorReturnsTheInstalledStore) {
    auto previous = ReplaceSettings(std::make_unique<TSettings>(Program()));
    TSettings& installed = Settings();
    EXPECT_EQ(&installed, &Settings());
    EXPECT_EQ(installed.ProgramFolder(), Program());
    auto mine = ReplaceSettings(std::move(previous));
    EXPECT_EQ(mine.get(), &installed);
}

} // namespace
} // namespace tw
