#include "PictureFolder.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tw::service {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 5> Types = {{
    {".jpg", "image/jpeg"},
    {".jpeg", "image/jpeg"},
    {".png", "image/png"},
    {".gif", "image/gif"},
    {".bmp", "image/bmp"},
}};

std::string Lower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while ((start = text.find_first_not_of(" \t", start)) != std::string_view::npos) {
        const auto end = std::min(text.find_first_of(" \t", start), text.size());
        words.push_back(Lower(text.substr(start, end - start)));
        start = end;
    }
    return words;
}

bool IsPictureName(std::string_view name) {
    return !name.empty() && name.front() != '.' && !PictureType(name).empty();
}

} // namespace

std::string_view PictureType(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string extension = Lower(name.substr(dot));
    for (const auto& [suffix, type] : Types)
        if (extension == suffix)
            return type;
    return {};
}

std::vector<std::string> FindPictures(const std::filesystem::path& folder,
                                      std::string_view keywords) {
    const std::vector<std::string> words = Words(keywords);
    std::vector<std::string> found;
    if (words.empty())
        return found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!IsPictureName(name) || !entry.is_regular_file(error))
            continue;
        const std::string lower = Lower(name);
        if (std::all_of(words.begin(), words.end(), [&](const std::string& word) {
                return lower.find(word) != std::string::npos;
            }))
            found.push_back(name);
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::optional<std::filesystem::path> PicturePath(const std::filesystem::path& folder,
                                                 std::string_view name) {
    if (!IsPictureName(name) || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::filesystem::path path = folder / name;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    return path;
}

} // namespace tw::service
