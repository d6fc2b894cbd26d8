#pragma once

#include <string>
#include <string_view>
#include <vector>

// An INI file held in memory: "[section]" lines and name=value lines of 8-bit text, section
// and key names compared without regard to ASCII case. The file is read whole when opened and
// rewritten whole, atomically, by Save. Lines that are neither are dropped, except comments
// (";" or "#"), which are kept in place; nothing in a file's content is an error.
namespace tw {

class IniFile {
public:
    // A file with no path: reads come from memory, Save fails.
    IniFile() = default;
    // Reads the file at `path`; a missing file reads as empty.
    explicit IniFile(std::string path);

    const std::string& Path() const { return path_; }

    // Replaces the content by the parse of `text`.
    void Parse(std::string_view text);
    // The content as it is written to disk.
    std::string ToText() const;

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

    // Stores a value in memory. False, storing nothing, for a name that is empty, has
    // surrounding blanks or could not be read back as itself, or a value with a line break.
    // Blanks around a value are not kept.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);

    void EraseSection(std::string_view section);

    // Rewrites the file from memory. False, with the file on disk untouched, when it cannot be
    // written or when it existed but could not be read (saving would lose what it holds).
    bool Save() const;

private:
    struct Line {
        std::string key; // empty for a comment line
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };

    std::string path_;
    bool unreadable_ = false;
    std::vector<Line> leadingComments_; // comment lines before the first section
    std::vector<Section> sections_;
};

} // namespace tw
