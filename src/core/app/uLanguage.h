#pragma once

// Language data: the ".lan" files that translate every window and message at run time.
//
// A language file is an 8-bit INI text. Each translated window has a section named after its
// class whose keys are "component.Property" (or "component.Prop[i].Sub" for an item of a
// collection property); "Info" describes the language, "ResString" holds the messages looked
// up by key, and "skinres" replaces the skin's own interface strings.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tw {

// Orders names without regard to ASCII case, as INI keys compare.
struct TNoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// A set of name=value strings whose names compare without regard to case.
using TNameValues = std::map<std::string, std::string, TNoCaseLess>;

// Turns the escapes of a language value into text: "<BR>" becomes a line break and "<SP>" a
// space, both matched without regard to case.
std::string DecodeLanguageValue(std::string_view value);

// One language held in memory: its sections and name=value pairs in file order.
class TLanguageData {
public:
    using TPairs = std::vector<std::pair<std::string, std::string>>;

    // Reads INI text. Lines outside a section, lines without "=", and comment lines starting
    // with ";" are skipped; a repeated key keeps its first value, as an INI reader finds it.
    static TLanguageData Parse(std::string_view text);
    // Reads a file; nothing when it cannot be read.
    static std::optional<TLanguageData> LoadFromFile(const std::filesystem::path& file);

    // The raw value of a key (escapes not decoded), nothing when section or key is absent.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // The pairs of a section in file order; empty when the section is absent.
    const TPairs& Section(std::string_view section) const;
    bool Empty() const { return Sections.empty(); }

private:
    std::vector<std::pair<std::string, TPairs>> Sections;
};

// The engine's language state: the current data (the built-in English data until a language
// file replaces it) and the default data consulted after it.
class TLanguages {
public:
    explicit TLanguages(TLanguageData builtin, TLanguageData fallback = {});

    // The message of `key` in "ResString" of the current, else the default data, decoded;
    // the key itself when neither has it, so literal texts of the code serve as their own keys.
    std::string Translate(std::string_view key) const;
    // As Translate, but nothing when neither data has the key.
    std::optional<std::string> FindResString(std::string_view key) const;
    // Sets `list`'s value for every pair of `section`, first from the default and then from
    // the current data, decoded; other names of `list` stay.
    void LoadLanguageSection(std::string_view section, TNameValues& list) const;
    // A raw value of the current language's "Info" section; empty when absent.
    std::string InfoValue(std::string_view key) const;

    // Replaces the current data by the file langs/NAME.lan of `programFolder` and records the
    // name. Returns false, keeping the current data, when the name is no plain file name or
    // the file cannot be read; the name is recorded in every case.
    bool SetLanguage(const std::filesystem::path& programFolder, const std::string& name);
    const std::string& LanguageName() const { return Name; }

    const TLanguageData& Current() const { return CurrentData; }

private:
    TLanguageData CurrentData;
    TLanguageData DefaultData;
    std::string Name;
};

// Whether `name` can name a file of a folder: not empty, no folder separator, not "." or "..".
bool IsPlainFileName(std::string_view name);

// The languages of `langsFolder` ("*.lan"), sorted by name without regard to case: `names`
// receives each base name, `captions` the same followed by " (Testver)" when the file's
// "Info"/"Testver" is not empty. Returns the count.
int ListLanguages(const std::filesystem::path& langsFolder, std::vector<std::string>& names,
                  std::vector<std::string>& captions);

// The skins of `skinsFolder` ("*.skn") as base names sorted without regard to case, without
// any named "Default": that name always means the built-in skin.
std::vector<std::string> ListSkins(const std::filesystem::path& skinsFolder);

} // namespace tw
