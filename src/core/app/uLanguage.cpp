#include "core/app/uLanguage.h"

#include "core/app/uUtils.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tw {
namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view s) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Files of `folder` whose extension is `ext` (without regard to case), as base names sorted
// without regard to case; ties keep a fixed order by the exact name.
std::vector<std::string> BaseNamesOf(const std::filesystem::path& folder, std::string_view ext) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        const std::filesystem::path& path = it->path();
        if (SameText(path.extension().string(), ext))
            names.push_back(path.stem().string());
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const TNoCaseLess less;
        if (less(a, b) || less(b, a))
            return less(a, b);
        return a < b;
    });
    return names;
}

} // namespace

bool TNoCaseLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return LowerAscii(x) < LowerAscii(y);
    });
}

std::string DecodeLanguageValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    while (!value.empty()) {
        if (StartsWithText(value, "<BR>")) {
            out += '\n';
            value.remove_prefix(4);
        } else if (StartsWithText(value, "<SP>")) {
            out += ' ';
            value.remove_prefix(4);
        } else {
            out += value.front();
            value.remove_prefix(1);
        }
    }
    return out;
}

TLanguageData TLanguageData::Parse(std::string_view text) {
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (text.substr(0, bom.size()) == bom)
        text.remove_prefix(bom.size());

    TLanguageData data;
    TPairs* section = nullptr;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const std::string_view line = Trim(text.substr(0, eol));
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);

        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string_view name = Trim(line.substr(1, line.size() - 2));
            const auto found = std::find_if(data.Sections.begin(), data.Sections.end(),
                                            [&](const auto& s) { return SameText(s.first, name); });
            section = found != data.Sections.end()
                          ? &found->second
                          : &data.Sections.emplace_back(std::string(name), TPairs{}).second;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (section == nullptr || eq == std::string_view::npos)
            continue;
        const std::string_view key = Trim(line.substr(0, eq));
        const bool known = std::any_of(section->begin(), section->end(),
                                       [&](const auto& p) { return SameText(p.first, key); });
        if (!key.empty() && !known)
            section->emplace_back(std::string(key), std::string(Trim(line.substr(eq + 1))));
    }
    return data;
}

std::optional<TLanguageData> TLanguageData::LoadFromFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return Parse(text.str());
}

std::optional<std::string> TLanguageData::Value(std::string_view section,
                                                std::string_view key) const {
    const TPairs& pairs = Section(section);
    const auto found = std::find_if(pairs.begin(), pairs.end(),
                                    [&](const auto& p) { return SameText(p.first, key); });
    if (found == pairs.end())
        return std::nullopt;
    return found->second;
}

const TLanguageData::TPairs& TLanguageData::Section(std::string_view section) const {
    static const TPairs none;
    const auto found = std::find_if(Sections.begin(), Sections.end(),
                                    [&](const auto& s) { return SameText(s.first, section); });
    return found == Sections.end() ? none : found->second;
}

TLanguages::TLanguages(TLanguageData builtin, TLanguageData fallback)
    : CurrentData(std::move(builtin)), DefaultData(std::move(fallback)) {}

std::optional<std::string> TLanguages::FindResString(std::string_view key) const {
    std::optional<std::string> value = CurrentData.Value("ResString", key);
    if (!value)
        value = DefaultData.Value("ResString", key);
    if (!value)
        return std::nullopt;
    return DecodeLanguageValue(*value);
}

std::string TLanguages::Translate(std::string_view key) const {
    return FindResString(key).value_or(std::string(key));
}

void TLanguages::LoadLanguageSection(std::string_view section, TNameValues& list) const {
    for (const TLanguageData* data : {&DefaultData, &CurrentData})
        for (const auto& [name, value] : data->Section(section))
            list.insert_or_assign(name, DecodeLanguageValue(value));
}

std::string TLanguages::InfoValue(std::string_view key) const {
    return CurrentData.Value("Info", key).value_or(std::string());
}

bool TLanguages::SetLanguage(const std::filesystem::path& programFolder, const std::string& name) {
    Name = name;
    if (!IsPlainFileName(name))
        return false;
    std::optional<TLanguageData> loaded =
        TLanguageData::LoadFromFile(programFolder / "langs" / (name + ".lan"));
    if (!loaded)
        return false;
    CurrentData = std::move(*loaded);
    return true;
}

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

int ListLanguages(const std::filesystem::path& langsFolder, std::vector<std::string>& names,
                  std::vector<std::string>& captions) {
    names = BaseNamesOf(langsFolder, ".lan");
    captions.clear();
    for (const std::string& name : names) {
        std::string caption = name;
        const std::optional<TLanguageData> data =
            TLanguageData::LoadFromFile(langsFolder / (name + ".lan"));
        const std::string testver =
            data ? data->Value("Info", "Testver").value_or(std::string()) : std::string();
        if (!testver.empty())
            caption += " (" + testver + ")";
        captions.push_back(std::move(caption));
    }
    return static_cast<int>(names.size());
}

std::vector<std::string> ListSkins(const std::filesystem::path& skinsFolder) {
    std::vector<std::string> names = BaseNamesOf(skinsFolder, ".skn");
    std::erase_if(names, [](const std::string& n) { return SameText(n, "Default"); });
    return names;
}

} // namespace tw
