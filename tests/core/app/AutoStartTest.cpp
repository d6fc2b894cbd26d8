#include "platform/AutoStart.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace tw {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Points the user's configuration folder at a fresh temporary folder for one test.
class AutoStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        Config = fs::temp_directory_path() /
                 ("tw_autostart_" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(Config);
        fs::create_directories(Config);
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            SavedConfigHome = old;
        setenv("XDG_CONFIG_HOME", Config.c_str(), 1);
    }
    void TearDown() override {
        if (SavedConfigHome.empty())
            unsetenv("XDG_CONFIG_HOME");
        else
            setenv("XDG_CONFIG_HOME", SavedConfigHome.c_str(), 1);
        fs::remove_all(Config);
    }
    fs::path Config;
    std::string SavedConfigHome;
};

TEST(DesktopExecArgument, QuotesAndEscapesReservedCharacters) {
    const struct {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/opt/tilewick/tilewick", R"("/opt/tilewick/tilewick")"},
        {"/home/a b/tile wick", R"("/home/a b/tile wick")"},
        {R"(/x/"q"/$HOME/`cmd`)", R"("/x/\\"q\\"/\\$HOME/\\`cmd\\`")"},
        {R"(/x\y)", R"("/x\\\\y")"},
        {"/x/100%/%f", R"("/x/100%%/%%f")"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopExecArgument(c.path), c.exec) << c.path;
}

TEST_F(AutoStartTest, WritesReplacesAndRemovesTheEntryNamedAfterTheProgram) {
    const fs::path entry = Config / "autostart" / "Tilewick.desktop";
    EXPECT_EQ(AutoStartEntryPath("Tilewick"), entry.string());

    ASSERT_TRUE(WriteAutoStartEntry("Tilewick", "/opt/old/tilewick"));
    ASSERT_TRUE(WriteAutoStartEntry("Tilewick", "/opt/my tile/tilewick"));
    const std::string text = ReadFile(entry);
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nName=Tilewick\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nExec=\"/opt/my tile/tilewick\"\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("/opt/old"), std::string::npos) << text;

    EXPECT_TRUE(RemoveAutoStartEntry("Tilewick"));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(RemoveAutoStartEntry("Tilewick")) << "removing a missing entry is no failure";
}

TEST_F(AutoStartTest, NamesThatCannotBeFileNamesAreMadeSafe) {
    const struct {
        const char* name;
        const char* file;
    } cases[] = {
        {"Kachel/werk", "Kachel_werk.desktop"},
        {"../up", "_.._up.desktop"},
        {"", "_.desktop"},
        {"Tab\there", "Tab_here.desktop"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AutoStartEntryPath(c.name), (Config / "autostart" / c.file).string()) << c.name;
        EXPECT_TRUE(WriteAutoStartEntry(c.name, "/bin/tilewick")) << c.name;
        EXPECT_TRUE(fs::exists(Config / "autostart" / c.file)) << c.name;
    }
}

TEST_F(AutoStartTest, RefusesWhatItCannotWriteAndKeepsTheEarlierEntry) {
    ASSERT_TRUE(WriteAutoStartEntry("Tilewick", "/opt/tilewick"));
    const std::string before = ReadFile(Config / "autostart" / "Tilewick.desktop");

    EXPECT_FALSE(WriteAutoStartEntry("Tilewick", "/opt/evil\nExec=rm -rf ~"));
    EXPECT_FALSE(WriteAutoStartEntry("Tilewick", ""));
    EXPECT_EQ(ReadFile(Config / "autostart" / "Tilewick.desktop"), before);

    fs::remove_all(Config / "autostart");
    std::ofstream(Config / "autostart") << "a file where the folder belongs";
    EXPECT_FALSE(WriteAutoStartEntry("Tilewick", "/opt/tilewick"));
}

} // namespace
} // namespace tw
