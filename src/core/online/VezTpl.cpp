#include "core/online/VezTpl.h"

#include "core/online/Regex.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tw {
namespace {

constexpr std::size_t MaxTemplateBytes = 4 * 1024 * 1024;

constexpr std::string_view TokenPattern = R"(\{([a-z]+[a-z0-9_]*)\})"
                                          R"(|<!-- begin block ([A-Za-z0-9_]+) -->)"
                                          R"(|<!-- end block ([A-Za-z0-9_]+) -->)";

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return result;
}

// `path` without its last "@" segment.
std::string ParentPath(const std::string& path) {
    const auto at = path.rfind('@');
    return at == std::string::npos ? std::string() : path.substr(0, at);
}

std::string InstancePath(const std::string& blockPath, int index) {
    return blockPath + "[" + std::to_string(index) + "]";
}

const TRegex& TokenExpression() {
    static const TRegex expression = [] {
        std::string error;
        auto compiled = TRegex::Compile(TokenPattern, true, error);
        if (!compiled)
            throw TemplateError("template token expression: " + error);
        return std::move(*compiled);
    }();
    return expression;
}

} // namespace

void TVezTpl::LoadTemplate(const std::string& fileName) {
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(fileName, error))
        file.open(fileName, std::ios::binary);
    if (!file.is_open())
        throw TemplateError("Cannot open the template \"" + fileName + "\".");
    std::string text;
    char buffer[64 * 1024];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (text.size() > MaxTemplateBytes)
            throw TemplateError("The template \"" + fileName + "\" is larger than " +
                                std::to_string(MaxTemplateBytes) + " bytes.");
    }
    if (file.bad())
        throw TemplateError("Cannot read the template \"" + fileName + "\".");
    LoadTemplateText(text);
}

void TVezTpl::LoadTemplateText(std::string_view text) {
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (text.starts_with(bom))
        text.remove_prefix(bom.size());
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    template_ = std::move(lines);
}

void TVezTpl::BeginBlock(std::string_view name) {
    if (depth_ >= MaxDescribeDepth)
        throw TemplateError("Blocks nested deeper than " + std::to_string(MaxDescribeDepth) +
                            " levels are not supported (block \"" + std::string(name) + "\").");
    ++depth_;
    const std::string block = path_ + "@" + Lower(name);
    // Another instance of the block just described, even when nested blocks came between;
    // "item" after "items" is a different block.
    const bool again = lastBegun_ == block || lastBegun_.starts_with(block + "[");
    counters_[depth_] = again ? counters_[depth_] + 1 : 0;
    lastBegun_ = block;
    path_ = InstancePath(block, counters_[depth_]);
    Register(path_, {});
}

void TVezTpl::EndBlock(std::string_view /*name*/) {
    path_ = ParentPath(path_);
    depth_ = std::max(depth_ - 1, 0);
}

void TVezTpl::SetVar(std::string_view name, std::string_view value) {
    std::string text;
    text.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value.compare(i, 2, "\\'") == 0) {
            text += '\'';
            ++i;
        } else {
            text += value[i];
        }
    }
    Register(path_ + "&" + Lower(name), std::move(text));
}

void TVezTpl::Register(std::string key, std::string value) {
    registry_.try_emplace(std::move(key), std::move(value));
}

bool TVezTpl::Has(const std::string& key) const {
    return registry_.find(key) != registry_.end();
}

std::string TVezTpl::Lookup(std::string scope, std::string_view name) const {
    const std::string suffix = "&" + Lower(name);
    for (;;) {
        const auto found = registry_.find(scope + suffix);
        if (found != registry_.end())
            return found->second;
        if (scope.empty())
            return {};
        scope = ParentPath(scope);
    }
}

void TVezTpl::Parse() {
    output_.clear();
    std::string text;
    for (const std::string& line : template_) {
        text += line;
        text += "\r\n";
    }
    const TRegex& tokens = TokenExpression();

    constexpr int levels = MaxTemplateDepth + 1;
    std::array<std::size_t, levels> pos{};
    std::array<std::size_t, levels> after{};
    std::array<bool, levels> active{};
    // k[M] counts the instances written of the block being scanned at level M.
    std::array<int, levels + 1> k{};
    active[0] = true;
    int level = 0;
    std::string scope;
    std::string error;

    for (;;) {
        const auto match = tokens.Find(text, pos[level], error);
        if (!match) {
            // A block left open runs to the end of the template.
            if (active[level])
                output_.append(text, pos[level]);
            return;
        }
        const std::string_view before(text.data() + pos[level], match->Begin - pos[level]);
        const auto& groups = match->Groups;
        if (groups[1]) {
            if (active[level]) {
                output_ += before;
                output_ += Lookup(scope, *groups[1]);
            }
            pos[level] = match->End;
        } else if (groups[2]) {
            const int body = level + 1;
            if (body > MaxTemplateDepth)
                throw TemplateError("Template blocks nested deeper than " +
                                    std::to_string(MaxTemplateDepth) +
                                    " levels are not supported.");
            if (active[level] && k[body] == 0)
                output_ += before;
            const std::string instance = InstancePath(scope + "@" + Lower(*groups[2]), k[body]);
            if (!Has(instance) && k[body] > 0) {
                // Every instance has been written: continue behind the block.
                k[body] = 0;
                pos[level] = after[level];
                continue;
            }
            level = body;
            pos[level] = match->End;
            k[level + 1] = 0;
            scope = instance;
            active[level] = Has(instance);
        } else if (level == 0) {
            // An end marker without an open block: dropped.
            output_ += before;
            pos[level] = match->End;
        } else {
            if (active[level])
                output_ += before;
            ++k[level];
            scope = ParentPath(scope);
            --level;
            // The outer level meets the block start again for the next instance.
            after[level] = match->End;
        }
    }
}

} // namespace tw
