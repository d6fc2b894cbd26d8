#include "core/app/uIniFile.h"

#include "core/app/uUtils.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tw {

namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A name that would read back as something else, or break the line structure, is refused.
bool IsValidName(std::string_view name) {
    return !name.empty() && Trim(name) == name && !HasLineBreak(name);
}

// The section or line of that name, or nullptr; const-ness follows the container.
template <typename Sections> auto FindSection(Sections& sections, std::string_view name) {
    const auto found = std::find_if(sections.begin(), sections.end(),
                                    [&](const auto& s) { return SameText(s.name, name); });
    return found == sections.end() ? nullptr : &*found;
}

template <typename Section> auto FindKey(Section& section, std::string_view key) {
    const auto found = std::find_if(section.lines.begin(), section.lines.end(), [&](const auto& l) {
        return !l.key.empty() && SameText(l.key, key);
    });
    return found == section.lines.end() ? nullptr : &*found;
}

} // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
    std::error_code error;
    const auto status = std::filesystem::status(path_, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return;
    // What exists but cannot be read must not be overwritten by a later Save.
    unreadable_ = true;
    if (error || std::filesystem::is_directory(status))
        return;
    std::ifstream file(path_, std::ios::binary);
    std::string text;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0)
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
    unreadable_ = !file.is_open() || file.bad();
    if (!unreadable_)
        Parse(text);
}

void IniFile::Parse(std::string_view text) {
    leadingComments_.clear();
    sections_.clear();
    Section* current = nullptr;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty())
            continue;
        if (line.front() == ';' || line.front() == '#') {
            (current != nullptr ? current->lines : leadingComments_)
                .push_back({{}, std::string(line)});
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            const std::string_view name = close == std::string_view::npos
                                              ? std::string_view()
                                              : Trim(line.substr(1, close - 1));
            if (name.empty())
                continue;
            current = FindSection(sections_, name);
            if (current == nullptr)
                current = &sections_.emplace_back(Section{std::string(name), {}});
            continue;
        }
        const auto equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trim(line.substr(0, equals));
        // The first of repeated keys is the one that is read, so it is the one kept.
        if (key.empty() || FindKey(*current, key) != nullptr)
            continue;
        current->lines.push_back({std::string(key), std::string(Trim(line.substr(equals + 1)))});
    }
}

std::string IniFile::ToText() const {
    std::string text;
    for (const Line& comment : leadingComments_)
        text += comment.value + '\n';
    for (const Section& section : sections_) {
        if (!text.empty())
            text += '\n';
        text += '[' + section.name + "]\n";
        for (const Line& line : section.lines)
            text += line.key.empty() ? line.value + '\n' : line.key + '=' + line.value + '\n';
    }
    return text;
}

bool IniFile::SectionExists(std::string_view section) const {
    return FindSection(sections_, section) != nullptr;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(sections_, section);
    return found != nullptr && FindKey(*found, key) != nullptr;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    const Section* found = FindSection(sections_, section);
    const Line* line = found == nullptr ? nullptr : FindKey(*found, key);
    return std::string(line == nullptr ? def : line->value);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    return StrToIntDefault(ReadString(section, key, ""), def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsValidName(section) || section.find(']') != std::string_view::npos || !IsValidName(key) ||
        key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';' ||
        key.front() == '#' || HasLineBreak(value))
        return false;
    Section* target = FindSection(sections_, section);
    if (target == nullptr)
        target = &sections_.emplace_back(Section{std::string(section), {}});
    if (auto* line = FindKey(*target, key); line != nullptr)
        line->value = value;
    else
        target->lines.push_back({std::string(key), std::string(value)});
    return true;
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteInteger(section, key, value ? 1 : 0);
}

void IniFile::EraseSection(std::string_view section) {
    std::erase_if(sections_, [&](const Section& s) { return SameText(s.name, section); });
}

bool IniFile::Save() const {
    return !path_.empty() && !unreadable_ && WriteFileAtomically(path_, ToText());
}

} // namespace tw
