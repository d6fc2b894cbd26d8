#include "TestSupport.h"
#include "core/app/uUtils.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::MakeFile;
using test::TempFolder;
using Strings = std::vector<std::string>;

TEST(UtilsText, StrToIntDefault) {
    const struct {
        const char* text;
        int def;
        int expected;
    } cases[] = {
        {"12a", 7, 7},
        {"-3", 7, -3},
        {"", 7, 7},
        {"+5", 0, 5},
        {"+-5", 1, 1},
        {"-", 1, 1},
        {" 5", 1, 1},
        {"5 ", 1, 1},
        {"0x10", 1, 1},
        {"007", 1, 7},
        {"2147483647", 0, INT_MAX},
        {"-2147483648", 0, INT_MIN},
        {"2147483648", 1, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrToIntDefault(c.text, c.def), c.expected) << '"' << c.text << '"';
}

TEST(UtilsText, FormatArgs) {
    const struct {
        const char* text;
        Strings args;
        const char* expected;
    } cases[] = {
        {"Version %1", {"4.2"}, "Version 4.2"},
        {"100%%", {}, "100%"},
        {"%2 and %1", {"a"}, " and a"},
        {"50% off", {}, "50% off"},
        {"%", {}, "%"},
        {"%0%1", {"x"}, "%0x"},
        {"%1%1%9", {"a", "b", "c", "d", "e", "f", "g", "h", "i"}, "aai"},
        {"%1", {"%2"}, "%2"}, // arguments are not expanded again
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatArgs(c.text, c.args), c.expected) << '"' << c.text << '"';
}

TEST(UtilsText, BytesToHex) {
    const std::uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
    EXPECT_EQ(BytesToHex(bytes), "000FA5FF");
    EXPECT_EQ(BytesToHex(std::string_view("\x7f\x80", 2)), "7F80");
    EXPECT_EQ(BytesToHex(std::string_view()), "");
}

TEST(UtilsText, StartsWithText) {
    const struct {
        const char* text;
        const char* prefix;
        bool expected;
    } cases[] = {
        {"Language.Force", "language.", true},
        {"abc", "", true},
        {"", "", true},
        {"ab", "abc", false},
        {"xabc", "abc", false},
        {"ABC", "abC", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StartsWithText(c.text, c.prefix), c.expected) << c.text << " / " << c.prefix;

    EXPECT_TRUE(SameText("App.Ver", "APP.ver"));
    EXPECT_FALSE(SameText("App.Ver", "App.Ve"));
    EXPECT_FALSE(SameText("\xC4", "\xE4")); // only ASCII letters fold
}

TEST(UtilsText, SplitTextAppendsPieces) {
    const struct {
        const char* text;
        Strings expected;
    } cases[] = {
        {"a..b", {"a", "", "b"}}, {"a.", {"a", ""}}, {"", {}}, {".", {"", ""}}, {"abc", {"abc"}},
    };
    for (const auto& c : cases) {
        Strings list{"kept"};
        SplitText(c.text, '.', list);
        Strings expected{"kept"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(list, expected) << '"' << c.text << '"';
    }
}

TEST(UtilsText, PackVersion) {
    const struct {
        const char* text;
        std::uint16_t expected;
    } cases[] = {
        {"4.2.0.0", 0x4200},     {"4.2.0.0 beta", 0x4200}, {"4.2", 0}, {"1.17.0.0", 0x1100},
        {"1.2.3.4", 0x1234},     {"1.2.3.4.5", 0},         {"", 0},    {"a.2.b.4", 0x0204},
        {"15.15.15.15", 0xFFFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PackVersion(c.text), c.expected) << '"' << c.text << '"';
}

TEST(UtilsQuery, ParseQueryStringRaw) {
    const struct {
        const char* text;
        Strings expected;
    } cases[] = {
        {"vkt:?ACTION=Download&URL=a%20b", {"ACTION=Download", "URL=a%20b"}},
        {"page.htm?x=1&&y", {"x=1", "", "y"}},
        {"vkt:A=1", {"A=1"}},
        {"A=1&B=2", {"A=1", "B=2"}},
        {"vkt:", {}},
    };
    for (const auto& c : cases) {
        Strings pieces;
        ParseQueryString(c.text, pieces);
        EXPECT_EQ(pieces, c.expected) << c.text;
    }
}

TEST(UtilsQuery, ParseQueryStringDecoded) {
    const struct {
        const char* text;
        QueryValues expected;
    } cases[] = {
        {"vkt:?ACTION=Download&URL=a%20b", {{"ACTION", "Download"}, {"URL", "a b"}}},
        {"?q=red+car&n=%41%6a", {{"q", "red car"}, {"n", "Aj"}}},
        // A ":" inside a value is data, not a scheme to strip.
        {"vkt:?URL=http://host/a.jpg&A=1", {{"URL", "http://host/a.jpg"}, {"A", "1"}}},
        {"vkt:ACTION=Go", {{"ACTION", "Go"}}},
        // Broken escapes drop only their own piece.
        {"?a=%G1&b=%4&c=ok&d=%", {{"c", "ok"}}},
        // A later value replaces an earlier one of the same name.
        {"?a=1&A=2&b", {{"a", "2"}, {"b", ""}}},
        {"?=x&a==b", {{"a", "=b"}}},
    };
    for (const auto& c : cases) {
        QueryValues values;
        ParseQueryString(c.text, values);
        EXPECT_EQ(values, c.expected) << c.text;
    }
    QueryValues values;
    ParseQueryString("vkt:?ACTION=Download&URL=a%20b", values);
    EXPECT_EQ(QueryValue(values, "url"), "a b");
    EXPECT_EQ(QueryValue(values, "missing"), "");
}

TEST(UtilsQuery, AppendQuery) {
    const struct {
        const char* url;
        const char* query;
        const char* expected;
    } cases[] = {
        {"page.htm", "x=1", "page.htm?x=1"},
        {"page.htm?a=2", "x=1", "page.htm?a=2&x=1"},
        {"page.htm?", "x=1", "page.htm?x=1"},
        {"page.htm?a=2&", "x=1", "page.htm?a=2&x=1"},
        {"", "x=1", "x=1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppendQuery(c.url, c.query), c.expected) << c.url;
}

TEST(UtilsPath, IncludeBackslashAndCombinePath) {
    EXPECT_EQ(IncludeBackslash(""), "");
    EXPECT_EQ(IncludeBackslash("/data"), "/data/");
    EXPECT_EQ(IncludeBackslash("/data/"), "/data/");

    const struct {
        const char* folder;
        const char* name;
        const char* expected;
    } cases[] = {
        {"/data", "temp/a.jpg", "/data/temp/a.jpg"},
        {"/data/", "/other/b.jpg", "/other/b.jpg"},
        {"", "b.jpg", "b.jpg"},
        {"rel", "b.jpg", "rel/b.jpg"},
        {"/data", "", "/data/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CombinePath(c.folder, c.name), c.expected) << c.folder << " + " << c.name;
}

TEST(UtilsPath, FileBaseName) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"/langs/German.lan", "German"},
        {"archive.tar.gz", "archive.tar"},
        {".profile", ""},
        {"/a.b/noext", "noext"},
        {"/folder/", ""},
        {"x:y.skn", "x:y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileBaseName(c.path), c.expected) << c.path;
}

// A small tree: files whose names differ in case and extension, two levels of folders, a
// folder that looks like a picture, and a link back to the root that must not be followed.
class UtilsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"b.jpg", "A.JPG", "c.png", "noext", "sub/x.jpg", "sub/deep/y.jpg",
                                 "sub2/z.jpg", "sub2/z.txt"})
            MakeFile(root.Path() / name, name);
        fs::create_directory(root.Path() / "folder.jpg");
        fs::create_directory_symlink(root.Path(), root.Path() / "loop");
    }
    std::string At(const std::string& name) const { return root.Slashed() + name; }

    TempFolder root;
};

TEST_F(UtilsFiles, ListFiles) {
    const struct {
        const char* mask;
        bool withFolder;
        Strings expected;
    } cases[] = {
        {"*.jpg", false, {"A.JPG", "b.jpg"}},
        {"?.*", false, {"A.JPG", "b.jpg", "c.png"}},
        {"*.*", false, {"A.JPG", "b.jpg", "c.png", "noext"}},
        {"*.gif", false, {}},
        {"sub/*", true, {"sub/x.jpg"}},
        {"missing/*", true, {}},
    };
    for (const auto& c : cases) {
        Strings list;
        ListFiles(At(c.mask), list, c.withFolder);
        Strings expected;
        for (const std::string& name : c.expected)
            expected.push_back(c.withFolder ? At(name) : name);
        EXPECT_EQ(list, expected) << c.mask;
    }
}

TEST_F(UtilsFiles, FindFilesRecursiveListsFilesBeforeSubfolders) {
    const struct {
        const char* mask;
        bool recurse;
        Strings expected;
    } cases[] = {
        {"*.jpg", true, {"A.JPG", "b.jpg", "sub/x.jpg", "sub/deep/y.jpg", "sub2/z.jpg"}},
        {"*.jpg", false, {"A.JPG", "b.jpg"}},
        {"*.txt", true, {"sub2/z.txt"}},
    };
    for (const auto& c : cases) {
        Strings list;
        FindFilesRecursive(root.Path().string(), c.mask, list, c.recurse);
        Strings expected;
        for (const std::string& name : c.expected)
            expected.push_back(At(name));
        EXPECT_EQ(list, expected) << c.mask << (c.recurse ? " recursive" : "");
    }
    Strings list{"kept"};
    FindFilesRecursive(At("missing"), "*", list, true);
    EXPECT_EQ(list, Strings{"kept"});
}

TEST(UtilsClearFolder, KeepsProtectedFilesAndNeverFollowsLinks) {
    const struct {
        bool recurse;
        Strings left; // entries of the cleared folder afterwards
        bool empty;
    } cases[] = {
        {true, {"locked.bmp"}, false},
        {false, {"locked.bmp", "sub"}, false},
    };
    for (const auto& c : cases) {
        TempFolder outside;
        MakeFile(outside.Path() / "precious.txt", "keep");
        TempFolder root;
        for (const char* name : {"a.bmp", "locked.bmp", "sub/b.bmp", "sub/deep/c.bmp"})
            MakeFile(root.Path() / name, name);
        fs::permissions(root.Path() / "locked.bmp", fs::perms::owner_read | fs::perms::group_read);
        fs::create_directory_symlink(outside.Path(), root.Path() / "link");

        EXPECT_EQ(ClearFolder(root.Path().string(), c.recurse), c.empty);

        Strings left;
        for (const auto& entry : fs::directory_iterator(root.Path()))
            left.push_back(entry.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, c.left) << (c.recurse ? "recursive" : "flat");
        EXPECT_TRUE(fs::exists(outside.Path() / "precious.txt"));
    }

    TempFolder plain;
    MakeFile(plain.Path() / "sub/a", "a");
    EXPECT_TRUE(ClearFolder(plain.Path().string(), true));
    EXPECT_TRUE(fs::is_empty(plain.Path()));
}

TEST(UtilsWriteTextFile, WritesExactBytesOrReportsFailure) {
    TempFolder root;
    const std::string path = root / "out.txt";
    MakeFile(path, "a much longer previous content");
    const std::string bytes("line\r\nwith\0nul", 14);
    EXPECT_TRUE(WriteTextFile(bytes, path));
    EXPECT_EQ(test::ReadFile(path), bytes);
    EXPECT_TRUE(WriteTextFile("", path));
    EXPECT_EQ(test::ReadFile(path), "");

    EXPECT_FALSE(WriteTextFile("x", root / "missing/out.txt"));
    EXPECT_FALSE(fs::exists(root / "missing"));
}

} // namespace
} // namespace tw
