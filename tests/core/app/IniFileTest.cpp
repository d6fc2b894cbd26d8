#include "TestSupport.h"
#include "core/app/uIniFile.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::MakeFile;
using test::ReadFile;
using test::ScopedWriter;
using test::TempFolder;

TEST(IniFile, ReadsNamesWithoutRegardToCase) {
    IniFile ini;
    ini.Parse("; leading comment\r\n"
              "orphan=before any section\r\n"
              "[Setting]\r\n"
              "  Language = German  \r\n"
              "Empty=\r\n"
              "language=second is ignored\r\n"
              "junk line without equals\r\n"
              "=no name\r\n"
              "[other]\n"
              "Key=a=b\n"
              "[SETTING]\n"
              "DelayTime=20\n"
              "[ broken\n"
              "[]\n");
    const struct {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"setting", "LANGUAGE", "German"}, {"SeTTing", "empty", ""},
        {"setting", "delaytime", "20"},    {"Other", "key", "a=b"},
        {"setting", "missing", "<def>"},   {"nosection", "Language", "<def>"},
        {"", "orphan", "<def>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<def>"), c.expected)
            << c.section << '.' << c.key;
    EXPECT_TRUE(ini.ValueExists("SETTING", "Empty"));
    EXPECT_FALSE(ini.ValueExists("setting", "junk line without equals"));
    EXPECT_TRUE(ini.SectionExists("other"));
    EXPECT_FALSE(ini.SectionExists(" broken"));

    // Comments survive a rewrite; junk, blank lines and repeated keys do not.
    EXPECT_EQ(ini.ToText(), "; leading comment\n"
                            "\n"
                            "[Setting]\n"
                            "Language=German\n"
                            "Empty=\n"
                            "DelayTime=20\n"
                            "\n"
                            "[other]\n"
                            "Key=a=b\n");
}

TEST(IniFile, NumbersAndBooleansFallBackToTheDefault) {
    IniFile ini;
    ini.Parse("[s]\nnum=42\nneg=-7\ntext=abc\nempty=\nfive=5\nzero=0\n");
    const struct {
        const char* key;
        int def;
        int expectedInt;
        bool expectedBool;
    } cases[] = {
        {"num", 1, 42, true}, {"neg", 1, -7, true},  {"text", 15, 15, true}, {"empty", 0, 0, false},
        {"five", 0, 5, true}, {"zero", 1, 0, false}, {"absent", 3, 3, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.ReadInteger("s", c.key, c.def), c.expectedInt) << c.key;
        EXPECT_EQ(ini.ReadBool("s", c.key, c.def != 0), c.expectedBool) << c.key;
    }
}

TEST(IniFile, WritesReplaceInPlaceAndRefuseWhatCannotBeReadBack) {
    IniFile ini;
    ini.Parse("[a]\nx=1\ny=2\n");
    EXPECT_TRUE(ini.WriteString("A", "X", "changed"));
    EXPECT_TRUE(ini.WriteInteger("b", "n", -5));
    EXPECT_TRUE(ini.WriteBool("b", "flag", true));
    EXPECT_EQ(ini.ToText(), "[a]\nx=changed\ny=2\n\n[b]\nn=-5\nflag=1\n");

    const struct {
        const char* section;
        const char* key;
        const char* value;
    } refused[] = {
        {"a", "x", "two\nlines"}, {"a", "x", "cr\r"}, {"a", "k=v", "1"}, {"a", "", "1"},
        {"", "x", "1"},           {"a]", "x", "1"},   {"a", " x", "1"},  {"a", "[x", "1"},
        {"a", ";x", "1"},         {"a\nb", "x", "1"},
    };
    for (const auto& r : refused)
        EXPECT_FALSE(ini.WriteString(r.section, r.key, r.value)) << r.section << '/' << r.key;
    EXPECT_EQ(ini.ToText(), "[a]\nx=changed\ny=2\n\n[b]\nn=-5\nflag=1\n");

    ini.EraseSection("B");
    ini.EraseSection("never there");
    EXPECT_EQ(ini.ToText(), "[a]\nx=changed\ny=2\n");
}

TEST(IniFile, MissingFileReadsEmptyAndSaveCreatesIt) {
    TempFolder root;
    IniFile ini(root / "new.ini");
    EXPECT_FALSE(ini.SectionExists("a"));
    ASSERT_TRUE(ini.WriteString("Flag", "AllUsers", "0"));
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(ReadFile(root / "new.ini"), "[Flag]\nAllUsers=0\n");
    EXPECT_EQ(IniFile(root / "new.ini").ReadBool("flag", "allusers", true), false);

    EXPECT_FALSE(IniFile().Save()); // no path
    IniFile nowhere(root / "missing/x.ini");
    nowhere.WriteString("a", "b", "c");
    EXPECT_FALSE(nowhere.Save());
}

TEST(IniFile, FailedSaveLeavesTheOldFileWhole) {
    TempFolder root;
    const std::string path = root / "Setting.dat";
    const std::string before = "[setting]\nLanguage=German\n";
    MakeFile(path, before);

    IniFile ini(path);
    ini.WriteString("setting", "Skin", std::string(4096, 's'));
    {
        ScopedWriter failing(test::WriteHalfThenFail);
        EXPECT_FALSE(ini.Save());
    }
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(root.Path()), fs::directory_iterator()), 1)
        << "the half-written file beside it is removed";

    EXPECT_TRUE(ini.Save()); // the default writer is back
    EXPECT_EQ(IniFile(path).ReadString("setting", "Skin", "").size(), 4096u);
}

TEST(IniFile, SaveKeepsLinksAndPermissions) {
    TempFolder root;
    const std::string real = root / "real.ini";
    MakeFile(real, "[a]\nx=1\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, root / "link.ini");

    IniFile ini(root / "link.ini");
    ini.WriteString("a", "x", "2");
    ASSERT_TRUE(ini.Save());
    EXPECT_TRUE(fs::is_symlink(root / "link.ini"));
    EXPECT_EQ(ReadFile(real), "[a]\nx=2\n");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST(IniFile, WhatCouldNotBeReadIsNeverOverwritten) {
    TempFolder root;
    fs::create_directory(root / "dir.ini");
    MakeFile(root / "dir.ini/inside", "x");
    IniFile ini(root / "dir.ini");
    EXPECT_FALSE(ini.SectionExists("a"));
    ini.WriteString("a", "b", "c");
    EXPECT_FALSE(ini.Save());
    EXPECT_TRUE(fs::is_directory(root / "dir.ini"));
    EXPECT_TRUE(fs::exists(root / "dir.ini/inside"));
}

} // namespace
} // namespace tw
