#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Text templates with variables ({Name}) and repeatable blocks
// ("<!-- begin block name -->" ... "<!-- end block name -->"). The caller loads a template,
// describes the content in document order (blocks opened and closed, variables set inside
// them) and asks for the filled text.
namespace tw {

// A template that cannot be read, or blocks nested deeper than supported.
class TemplateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TVezTpl {
public:
    // Open blocks while describing, and nested blocks in a template.
    static constexpr int MaxDescribeDepth = 10;
    static constexpr int MaxTemplateDepth = 9;

    // Replaces the template by the lines of the file. Throws TemplateError, leaving the
    // template as it was, when the file cannot be read or is implausibly large.
    void LoadTemplate(const std::string& fileName);
    // Replaces the template by the lines of `text` (CR LF, LF or CR separated).
    void LoadTemplateText(std::string_view text);

    // Opens the next instance of block `name` in the current scope. Throws TemplateError,
    // changing nothing, when MaxDescribeDepth blocks are open already.
    void BeginBlock(std::string_view name);
    // Closes the innermost open block instance whatever `name` says; nothing at the top level.
    void EndBlock(std::string_view name);
    // Sets a variable in the current scope; "\'" in the value becomes "'". The first value
    // given to a name in a scope is the one that counts.
    void SetVar(std::string_view name, std::string_view value);

    // Fills the template into Output(). Throws TemplateError when its blocks are nested
    // deeper than MaxTemplateDepth.
    void Parse();
    const std::string& Output() const { return output_; }

private:
    bool Has(const std::string& key) const;
    std::string Lookup(std::string scope, std::string_view name) const;
    void Register(std::string key, std::string value);

    // Keys are kept in lower case: names compare without regard to case.
    std::unordered_map<std::string, std::string> registry_;
    std::vector<std::string> template_;
    std::string path_;
    int depth_ = 0;
    std::string lastBegun_;
    std::array<int, MaxDescribeDepth + 1> counters_{};
    std::string output_;
};

} // namespace tw
