#include "platform/Folders.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::MakeFile;
using test::ScopedEnv;
using test::TempFolder;

TEST(Folders, ShellFoldersFollowTheEnvironment) {
    const struct {
        std::optional<std::string> xdg;
        std::optional<std::string> common;
        const char* expectedUser;
        const char* expectedCommon;
    } cases[] = {
        {"/x/config", "/x/common", "/x/config", "/x/common"},
        {"relative/config", "", "/home/u/.config", "/var/lib"},
        {std::nullopt, std::nullopt, "/home/u/.config", "/var/lib"},
    };
    for (const auto& c : cases) {
        ScopedEnv home("HOME", "/home/u");
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        ScopedEnv common("TILEWICK_COMMON_APPDATA", c.common);
        EXPECT_EQ(GetShellFolder("AppData"), c.expectedUser);
        EXPECT_EQ(GetCommonShellFolder("Common AppData"), c.expectedCommon);
        EXPECT_EQ(GetShellFolder("Common AppData"), "");
        EXPECT_EQ(GetCommonShellFolder("AppData"), "");
    }
}

TEST(Folders, LongPathResolvesExistingPathsOnly) {
    TempFolder root;
    const std::string real = fs::canonical(root.Path()).string();
    fs::create_directory(root.Path() / "target");
    fs::create_directory_symlink(root.Path() / "target", root.Path() / "link");
    const struct {
        std::string path;
        std::string expected;
    } cases[] = {
        {root / "link", real + "/target"},
        {root.Slashed() + "link/", real + "/target/"},
        {root.Slashed() + "target/../link", real + "/target"},
        {root / "missing/x", root / "missing/x"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetLongPath(c.path), c.expected) << c.path;
}

TEST(Folders, ExecutableFolder) {
    const std::string exe = GetExePath();
    EXPECT_EQ(fs::path(exe).filename(), "tilewick_app_tests");
    EXPECT_EQ(GetExeFolder(), fs::canonical(fs::path(exe).parent_path()).string() + "/");
}

TEST(Folders, FileTimeToDateCountsDaysFrom1899) {
    using namespace std::chrono;
    const struct {
        FileTime time;
        double expected;
    } cases[] = {
        {FileTime(), 25569.0},
        {FileTime(hours(12)), 25569.5},
        {FileTime(seconds(-2209161600)), 0.0},                 // 30 December 1899
        {FileTime(seconds(1767225600) + hours(18)), 46023.75}, // 1 January 2026 18:00
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(FileTimeToDate(c.time), c.expected);
}

TEST(Folders, CreationTimeOfNewFileIsNow) {
    TempFolder root;
    MakeFile(root.Path() / "new", "x");
    for (const std::string& path : {root / "new", root.Path().string()}) {
        const auto created = GetFileCreationTime(path);
        ASSERT_TRUE(created.has_value()) << path;
        EXPECT_LT(std::chrono::abs(FileTime::clock::now() - *created), std::chrono::hours(1));
    }
    EXPECT_FALSE(GetFileCreationTime(root / "missing").has_value());
}

TEST(Folders, CanAccessFolder) {
    TempFolder root;
    MakeFile(root.Path() / "file", "x");
    const struct {
        std::string path;
        bool expected;
    } cases[] = {
        {root.Path().string(), true},
        {root / "missing", false},
        {root / "file", false}, // not a folder
        {"", false},
    };
    for (const auto& c : cases)
        for (const FolderAccess access :
             {FolderAccess::Read, FolderAccess::Write, FolderAccess::Execute, FolderAccess::All})
            EXPECT_EQ(CanAccessFolder(access, c.path), c.expected) << c.path;

    if (geteuid() == 0)
        GTEST_SKIP() << "root may write any folder; the write-protected case needs another user";
    fs::permissions(root.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_TRUE(CanAccessFolder(FolderAccess::Read, root.Path().string()));
    EXPECT_FALSE(CanAccessFolder(FolderAccess::Write, root.Path().string()));
    EXPECT_FALSE(CanAccessFolder(FolderAccess::All, root.Path().string()));
}

} // namespace
} // namespace tw
