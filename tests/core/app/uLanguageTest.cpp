#include "core/app/uLanguage.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw {
namespace {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Path = fs::temp_directory_path() /
               (std::string("tw_lang_") + info->test_suite_name() + "_" + info->name());
        fs::remove_all(Path);
        fs::create_directories(Path);
    }
    ~TempFolder() { fs::remove_all(Path); }
    void Write(const fs::path& relative, const std::string& text) const {
        fs::create_directories((Path / relative).parent_path());
        std::ofstream(Path / relative, std::ios::binary) << text;
    }
    fs::path Path;
};

TEST(DecodeLanguageValue, TurnsEscapesIntoTextWithoutRegardToCase) {
    const struct {
        const char* value;
        const char* text;
    } cases[] = {
        {"a<BR>b", "a\nb"},
        {"a<br>b<Br>", "a\nb\n"},
        {"<SP>x<sp>", " x "},
        {"<BR><BR>", "\n\n"},
        {"<B R> <BR <SP", "<B R> <BR <SP"},
        {"100% <<BR>>", "100% <\n>"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeLanguageValue(c.value), c.text) << c.value;
}

TEST(TLanguageData, ParsesSectionsPairsAndOddLines) {
    const TLanguageData data = TLanguageData::Parse("\xEF\xBB\xBF"
                                                    "orphan=ignored\r\n"
                                                    "[Info]\r\n"
                                                    "Language = Deutsch \r\n"
                                                    "; a comment=no\r\n"
                                                    "no equals sign\r\n"
                                                    "[ResString]\n"
                                                    "key=first\n"
                                                    "KEY=second\n"
                                                    "empty=\n"
                                                    "expr=a=b\n"
                                                    "[info]\n"
                                                    "Translator=Hans\n");
    EXPECT_EQ(data.Value("INFO", "language"), "Deutsch");
    EXPECT_EQ(data.Value("Info", "Translator"), "Hans") << "a repeated section adds to the first";
    EXPECT_EQ(data.Value("Info", "; a comment"), std::nullopt);
    EXPECT_EQ(data.Value("ResString", "Key"), "first") << "the first of repeated keys wins";
    EXPECT_EQ(data.Value("ResString", "empty"), "");
    EXPECT_EQ(data.Value("ResString", "expr"), "a=b");
    EXPECT_EQ(data.Value("ResString", "missing"), std::nullopt);
    EXPECT_EQ(data.Value("Nowhere", "key"), std::nullopt);
    EXPECT_EQ(data.Value("", "orphan"), std::nullopt);
    ASSERT_EQ(data.Section("ResString").size(), 3u);
    EXPECT_EQ(data.Section("ResString")[2].first, "expr");
}

TEST(TLanguages, TranslateLooksUpCurrentThenDefaultThenGivesTheKey) {
    const TLanguages languages(TLanguageData::Parse("[ResString]\n"
                                                    "strAppName=Tilewick\n"
                                                    "ERRORMSG_1011=Line one<BR>Line two\n"
                                                    "Blank=\n"),
                               TLanguageData::Parse("[ResString]\n"
                                                    "strAppName=Fallback\n"
                                                    "OnlyDefault=From default<sp>data\n"));
    const struct {
        const char* key;
        const char* text;
    } cases[] = {
        {"strAppName", "Tilewick"},
        {"STRAPPNAME", "Tilewick"},
        {"ERRORMSG_1011", "Line one\nLine two"},
        {"OnlyDefault", "From default data"},
        {"Blank", ""},
        {"Connect failed!", "Connect failed!"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(languages.Translate(c.key), c.text) << c.key;
    EXPECT_EQ(languages.FindResString("Connect failed!"), std::nullopt);
    EXPECT_EQ(languages.FindResString("Blank"), "");
}

TEST(TLanguages, LoadLanguageSectionOverlaysDefaultThenCurrentAndKeepsOtherNames) {
    const TLanguages languages(TLanguageData::Parse("[skinres]\n"
                                                    "MSG_BTN_YES=&Ja\n"
                                                    "MSG_CAP_SHOWFLAG=Nicht<SP>mehr<BR>zeigen\n"),
                               TLanguageData::Parse("[SKINRES]\n"
                                                    "msg_btn_yes=&Yes\n"
                                                    "MSG_BTN_NO=&No\n"));
    TNameValues list{{"MSG_BTN_OK", "OK"}, {"MSG_BTN_NO", "old"}};
    languages.LoadLanguageSection("skinres", list);
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(list["MSG_BTN_OK"], "OK");
    EXPECT_EQ(list["MSG_BTN_NO"], "&No");
    EXPECT_EQ(list["MSG_BTN_YES"], "&Ja");
    EXPECT_EQ(list["MSG_CAP_SHOWFLAG"], "Nicht mehr\nzeigen");
}

TEST(TLanguages, SetLanguageReplacesTheWholeDataOrKeepsItWhenTheFileIsMissing) {
    TempFolder folder;
    folder.Write("langs/German.lan", "[Info]\nLanguage=Deutsch\n"
                                     "[ResString]\nstrAppName=Kachelwerk\n");
    folder.Write("secret.lan", "[ResString]\nstrAppName=Outside\n");
    TLanguages languages(TLanguageData::Parse("[Info]\nLanguage=English\n"
                                              "[ResString]\nstrAppName=Tilewick\n"
                                              "MSGBOX_ClearAll=Clear?\n"));

    for (const std::string name : {"French", "../secret", "", "German/.."}) {
        EXPECT_FALSE(languages.SetLanguage(folder.Path, name)) << name;
        EXPECT_EQ(languages.LanguageName(), name);
        EXPECT_EQ(languages.Translate("strAppName"), "Tilewick") << name;
    }

    EXPECT_TRUE(languages.SetLanguage(folder.Path, "German"));
    EXPECT_EQ(languages.LanguageName(), "German");
    EXPECT_EQ(languages.Translate("strAppName"), "Kachelwerk");
    EXPECT_EQ(languages.InfoValue("Language"), "Deutsch");
    EXPECT_EQ(languages.Translate("MSGBOX_ClearAll"), "MSGBOX_ClearAll")
        << "loading replaces the whole data, so a key the file lacks reads as itself";
}

TEST(ListLanguages, SortsWithoutRegardToCaseAndMarksTestTranslations) {
    TempFolder folder;
    folder.Write("German.lan", "[Info]\nLanguage=Deutsch\nTestver=beta\n");
    folder.Write("French.lan", "[Info]\nLanguage=Francais\nTestver=\n");
    folder.Write("english.LAN", "[Info]\nLanguage=English\n");
    folder.Write("notes.txt", "not a language");
    fs::create_directories(folder.Path / "Folder.lan");

    std::vector<std::string> names{"stale"};
    std::vector<std::string> captions{"stale"};
    EXPECT_EQ(ListLanguages(folder.Path, names, captions), 3);
    EXPECT_EQ(names, (std::vector<std::string>{"english", "French", "German"}));
    EXPECT_EQ(captions, (std::vector<std::string>{"english", "French", "German (beta)"}));

    EXPECT_EQ(ListLanguages(folder.Path / "missing", names, captions), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(captions.empty());
}

TEST(ListSkins, SortsWithoutRegardToCaseAndDropsDefault) {
    TempFolder folder;
    for (const char* file : {"Default.skn", "Blue.skn", "aqua.skn", "DEFAULT.SKN", "Blue.qss"})
        folder.Write(file, "QWidget {}");
    EXPECT_EQ(ListSkins(folder.Path), (std::vector<std::string>{"aqua", "Blue"}));
    EXPECT_TRUE(ListSkins(folder.Path / "missing").empty());
}

} // namespace
} // namespace tw

namespace tw {
namespace {

// The shipped second language translates every text of the built-in English data.
TEST(ShippedLanguages, GermanTranslatesEveryEnglishKeyWithTheSamePlaceholders) {
    const std::filesystem::path langs =
        std::filesystem::path(TILEWICK_TEST_DATA) / ".." / ".." / "resources" / "langs";
    const std::optional<TLanguageData> english = TLanguageData::LoadFromFile(langs / "English.lan");
    const std::optional<TLanguageData> german = TLanguageData::LoadFromFile(langs / "German.lan");
    ASSERT_TRUE(english && german);
    for (const char* section :
         {"ResString", "skinres", "TfrmAboutForm", "TfrmOptionForm", "TfrmMainForm",
          "TfrmHeadEditor", "TfrmAnimationGuide", "TfrmOnlineImage"}) {
        ASSERT_FALSE(english->Section(section).empty()) << section;
        for (const auto& [key, value] : english->Section(section)) {
            const std::optional<std::string> translated = german->Value(section, key);
            ASSERT_TRUE(translated.has_value()) << section << "/" << key;
            EXPECT_EQ(translated->empty(), value.empty()) << section << "/" << key;
            for (const char* placeholder : {"%1", "%2", "<BR>"})
                EXPECT_EQ(value.find(placeholder) != std::string::npos,
                          translated->find(placeholder) != std::string::npos)
                    << section << "/" << key << " " << placeholder;
        }
        if (std::string_view(section) == "ResString")
            continue; // German also translates literal messages, which English needs not list
        for (const auto& [key, value] : german->Section(section)) {
            EXPECT_TRUE(english->Value(section, key)) << "unknown " << section << "/" << key;
        }
    }
    EXPECT_EQ(german->Value("Info", "Language"), "Deutsch");
}

} // namespace
} // namespace tw
