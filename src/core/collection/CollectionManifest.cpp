#include "core/collection/CollectionManifest.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace tw {

namespace {

constexpr std::size_t kMaxValueLength = 2047;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool SameNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

} // namespace

void ManifestWriter::Section(std::string_view name) {
    text_ += '[';
    text_ += name;
    text_ += "]\r\n";
}

void ManifestWriter::Value(std::string_view key, std::string_view value) {
    text_ += key;
    text_ += '=';
    for (const char c : value) {
        text_ += (c == '\r' || c == '\n') ? ' ' : c;
    }
    text_ += "\r\n";
}

void ManifestWriter::Value(std::string_view key, long long value) {
    Value(key, std::string_view(std::to_string(value)));
}

ManifestReader::ManifestReader(std::string_view text) {
    Section* current = nullptr;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close == std::string_view::npos) {
                continue;
            }
            const std::string_view name = Trim(line.substr(1, close - 1));
            const auto it = std::find_if(sections_.begin(), sections_.end(), [&](const Section& s) {
                return SameNoCase(s.name, name);
            });
            current = it != sections_.end()
                          ? &*it
                          : &sections_.emplace_back(Section{std::string(name), {}});
            continue;
        }
        const auto equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        const bool known = std::any_of(current->entries.begin(), current->entries.end(),
                                       [&](const Entry& e) { return SameNoCase(e.key, key); });
        if (!key.empty() && !known) {
            current->entries.push_back({std::string(key), std::string(line.substr(equals + 1))});
        }
    }
}

const std::string* ManifestReader::Find(std::string_view section, std::string_view key) const {
    for (const Section& s : sections_) {
        if (SameNoCase(s.name, section)) {
            for (const Entry& e : s.entries) {
                if (SameNoCase(e.key, key)) {
                    return &e.value;
                }
            }
            return nullptr;
        }
    }
    return nullptr;
}

bool ManifestReader::HasSection(std::string_view section) const {
    return std::any_of(sections_.begin(), sections_.end(),
                       [&](const Section& s) { return SameNoCase(s.name, section); });
}

std::string ManifestReader::ReadString(std::string_view section, std::string_view key,
                                       std::string_view def) const {
    const std::string* raw = Find(section, key);
    if (raw == nullptr) {
        return std::string(def);
    }
    std::string_view value = Trim(*raw);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, kMaxValueLength));
}

int ManifestReader::ReadInteger(std::string_view section, std::string_view key, int def) const {
    int value = 0;
    return ParseManifestInteger(ReadString(section, key, ""), value) ? value : def;
}

bool ManifestReader::ReadBool(std::string_view section, std::string_view key, bool def) const {
    int value = 0;
    return ParseManifestInteger(ReadString(section, key, ""), value) ? value != 0 : def;
}

bool ParseManifestInteger(std::string_view text, int& value) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    } else if (text.size() > 1 && text[0] == '$') {
        text.remove_prefix(1);
        base = 16;
    }
    if (text.empty() || text.front() == '-' || text.front() == '+') {
        return false;
    }
    // Hexadecimal spells the 32 bits, so "$FFFFFFFF" is -1; decimal must fit as it is.
    std::uint32_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    if (base == 10 && magnitude > (negative ? 0x80000000u : 0x7FFFFFFFu)) {
        return false;
    }
    const std::uint32_t bits = negative ? 0u - magnitude : magnitude;
    value = static_cast<int>(bits);
    return true;
}

} // namespace tw
