#include "core/app/uUtils.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace tw {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive order with a byte-wise tie-break, so the order is total and stable.
bool NameLess(const std::string& a, const std::string& b) {
    const auto lower = [](char x, char y) { return LowerAscii(x) < LowerAscii(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lower))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lower))
        return false;
    return a < b;
}

// "*" any run of characters, "?" any one character, letters without regard to case. "*.*"
// matches every name, extension or not, as users of wildcard masks expect.
bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*")
        mask = "*";
    std::size_t n = 0;
    std::size_t m = 0;
    std::optional<std::size_t> star;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            star = m++;
            starName = n;
        } else if (m < mask.size() &&
                   (mask[m] == '?' || LowerAscii(mask[m]) == LowerAscii(name[n]))) {
            ++m;
            ++n;
        } else if (star) {
            m = *star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

std::vector<std::string> SortedNames(const fs::path& folder,
                                     bool (*wanted)(const fs::directory_entry&),
                                     std::string_view mask) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (wanted(*it) && MatchesMask(name, mask))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), NameLess);
    return names;
}

bool IsFile(const fs::directory_entry& entry) {
    std::error_code error;
    return entry.is_regular_file(error);
}

bool IsRealFolder(const fs::directory_entry& entry) {
    std::error_code error;
    return !entry.is_symlink(error) && entry.is_directory(error);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> FormDecode(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            result += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = HexDigit(text[i + 1]);
            const int low = HexDigit(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            result += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string_view QueryPart(std::string_view text) {
    if (const auto question = text.find('?'); question != std::string_view::npos)
        return text.substr(question + 1);
    // Without "?" only a leading scheme ("vkt:") is dropped; a ":" inside a value is data.
    const auto colon = text.find(':');
    if (colon != std::string_view::npos && colon < text.find_first_of("=&"))
        return text.substr(colon + 1);
    return text;
}

} // namespace

int StrToIntDefault(std::string_view text, int def) {
    // from_chars takes "-" but not "+"; a sign must be followed by a digit.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return def;
    }
    const std::size_t firstDigit = (!text.empty() && text.front() == '-') ? 1 : 0;
    if (text.size() <= firstDigit || text[firstDigit] < '0' || text[firstDigit] > '9')
        return def;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return def;
    return value;
}

std::string FormatArgs(std::string_view text, const std::vector<std::string>& args) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == '%') {
            result += '%';
        } else if (next >= '1' && next <= '9') {
            const auto index = static_cast<std::size_t>(next - '1');
            if (index < args.size())
                result += args[index];
        } else {
            result += '%';
            result += next;
        }
    }
    return result;
}

std::string BytesToHex(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        result += digits[byte >> 4];
        result += digits[byte & 15];
    }
    return result;
}

std::string BytesToHex(std::string_view bytes) {
    return BytesToHex(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

bool StartsWithText(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

void SplitText(std::string_view text, char separator, std::vector<std::string>& list) {
    if (text.empty())
        return;
    for (;;) {
        const auto at = text.find(separator);
        list.emplace_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return;
        text.remove_prefix(at + 1);
    }
}

std::uint16_t PackVersion(std::string_view text) {
    std::vector<std::string> parts;
    SplitText(text.substr(0, text.find(' ')), '.', parts);
    if (parts.size() != 4)
        return 0;
    unsigned packed = 0;
    for (const std::string& part : parts)
        packed = packed * 16 + (static_cast<unsigned>(StrToIntDefault(part, 0)) & 15u);
    return static_cast<std::uint16_t>(packed);
}

void ParseQueryString(std::string_view text, std::vector<std::string>& pieces) {
    SplitText(QueryPart(text), '&', pieces);
}

void ParseQueryString(std::string_view text, QueryValues& values) {
    std::vector<std::string> pieces;
    ParseQueryString(text, pieces);
    for (const std::string_view piece : pieces) {
        const auto equals = piece.find('=');
        const std::optional<std::string> name = FormDecode(piece.substr(0, equals));
        const std::optional<std::string> value = FormDecode(
            equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1));
        if (!name || !value || name->empty())
            continue;
        const auto existing = std::find_if(values.begin(), values.end(), [&](const auto& item) {
            return SameText(item.first, *name);
        });
        if (existing != values.end())
            existing->second = *value;
        else
            values.emplace_back(*name, *value);
    }
}

std::string QueryValue(const QueryValues& values, std::string_view name) {
    const auto found = std::find_if(values.begin(), values.end(),
                                    [&](const auto& item) { return SameText(item.first, name); });
    return found == values.end() ? std::string() : found->second;
}

std::string AppendQuery(std::string_view url, std::string_view query) {
    std::string result(url);
    if (url.empty())
        return std::string(query);
    if (url.find('?') == std::string_view::npos)
        result += '?';
    else if (url.back() != '&' && url.back() != '?')
        result += '&';
    result += query;
    return result;
}

std::string IncludeBackslash(std::string_view folder) {
    std::string result(folder);
    if (!result.empty() && result.back() != '/')
        result += '/';
    return result;
}

std::string CombinePath(std::string_view folder, std::string_view name) {
    if (!name.empty() && name.front() == '/')
        return std::string(name);
    return IncludeBackslash(folder) + std::string(name);
}

std::string FileBaseName(std::string_view path) {
    if (const auto slash = path.rfind('/'); slash != std::string_view::npos)
        path.remove_prefix(slash + 1);
    return std::string(path.substr(0, path.rfind('.')));
}

void ListFiles(std::string_view mask, std::vector<std::string>& list, bool withFolder) {
    const auto slash = mask.rfind('/');
    const std::string folder(slash == std::string_view::npos ? std::string_view()
                                                             : mask.substr(0, slash + 1));
    const std::string_view pattern = mask.substr(folder.size());
    for (std::string& name :
         SortedNames(folder.empty() ? fs::path(".") : fs::path(folder), IsFile, pattern))
        list.push_back(withFolder ? folder + name : std::move(name));
}

void FindFilesRecursive(std::string_view folder, std::string_view mask,
                        std::vector<std::string>& list, bool recurse) {
    const std::string base = IncludeBackslash(folder);
    for (const std::string& name : SortedNames(base, IsFile, mask))
        list.push_back(base + name);
    if (!recurse)
        return;
    for (const std::string& name : SortedNames(base, IsRealFolder, "*"))
        FindFilesRecursive(base + name, mask, list, true);
}

bool ClearFolder(std::string_view folder, bool recurse) {
    const fs::path base{std::string(folder)};
    std::error_code error;
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        const fs::file_status status = it->symlink_status(ignored);
        if (fs::is_directory(status)) {
            if (recurse && ClearFolder(it->path().string(), true))
                fs::remove(it->path(), ignored);
            continue;
        }
        // A write-protected file is one the user asked to keep.
        if (fs::is_regular_file(status) &&
            (status.permissions() & fs::perms::owner_write) == fs::perms::none)
            continue;
        fs::remove(it->path(), ignored);
    }
    return fs::is_empty(base, error) && !error;
}

bool WriteTextFile(std::string_view text, std::string_view path) {
    std::ofstream file{std::string(path), std::ios::binary | std::ios::trunc};
    if (!file)
        return false;
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return !file.fail();
}

} // namespace tw
