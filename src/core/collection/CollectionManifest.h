#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tw {

// The manifest "Info.ini" of a collection file, in the Windows profile format so that files
// stay interchangeable with collections made on Windows: CR LF line ends, "[section]" lines,
// "key=value" lines, no quoting.
class ManifestWriter {
public:
    void Section(std::string_view name);
    // Line breaks in a value become blanks: they would end the line and could forge keys.
    void Value(std::string_view key, std::string_view value);
    void Value(std::string_view key, long long value);
    void Value(std::string_view key, bool value) = delete; // write booleans as 1 / 0 explicitly

    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// Reads a manifest as the profile functions do: sections and keys compared without regard to
// ASCII case, the first of repeated ones counts, CR LF or LF line ends. A missing section or
// key, or a value that does not parse, gives the caller's default.
class ManifestReader {
public:
    explicit ManifestReader(std::string_view text);

    bool HasSection(std::string_view section) const;
    std::size_t SectionCount() const { return sections_.size(); }
    // Blanks around the value and one pair of surrounding quotation marks are dropped; at most
    // 2047 characters are kept.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    // Decimal, or hexadecimal written "0x" or "$", with an optional sign; anything else that is
    // not a whole number gives `def`.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const std::string* Find(std::string_view section, std::string_view key) const;

    std::vector<Section> sections_;
};

// Parses one integer value by the manifest's rules; false when it is not a whole number.
bool ParseManifestInteger(std::string_view text, int& value);

} // namespace tw
